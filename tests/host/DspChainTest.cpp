// The dsp chain: "dsp64" with connection counts, sample rate and block size, and perform blocks
// of 64-bit audio with distinct input and output vectors, without allocating.
#include "HostFixture.h"

#include "AllocationCounter.h"

#include <numeric>

using DspChainTest = HostFixture;

TEST_F(DspChainTest, Dsp64ReceivesCountsSampleRateAndBlockSizeUntilReleased)
{
    mHost.setSampleRate(48000.0);
    mHost.setBlockSize(128);
    auto* instance = create();
    HostTestObject& x = object(instance);
    const double* noInputs[2] = {};
    double* noOutputs[2] = {};
    EXPECT_FALSE(mHost.process(instance, noInputs, noOutputs, 16)); // no chain yet

    ASSERT_TRUE(mHost.buildDsp(instance, {1, 0, 2, 1}));
    EXPECT_EQ(std::vector<short>(x.counts, x.counts + 4), (std::vector<short>{1, 0, 2, 1}));
    EXPECT_EQ(x.dspSampleRate, 48000.0);
    EXPECT_EQ(x.dspMaxVector, 128);
    ASSERT_TRUE(mHost.buildDsp(instance));
    EXPECT_EQ(std::vector<short>(x.counts, x.counts + 4), (std::vector<short>{1, 1, 1, 1}));
    EXPECT_FALSE(mHost.buildDsp(instance, {1, 1}));
    EXPECT_EQ(x.dsp64Calls, 2);
    const double* oneInput[] = {nullptr};
    EXPECT_FALSE(mHost.process(instance, oneInput, noOutputs, 8)); // wrong channel count

    // A released object is never performed again, until a new chain brings it back.
    std::vector<double> in(8, 1.0), out(16);
    const double* ins[] = {in.data(), in.data()};
    double* outs[] = {out.data(), out.data() + 8};
    ASSERT_TRUE(mHost.process(instance, ins, outs, 8));
    z_dsp_free(&x.header);
    EXPECT_FALSE(mHost.process(instance, ins, outs, 8));
    EXPECT_EQ(x.performCalls.load(), 1);
    ASSERT_TRUE(mHost.buildDsp(instance));
    EXPECT_TRUE(mHost.process(instance, ins, outs, 8));
}

TEST_F(DspChainTest, PerformRunsInBlocksOnDistinctVectorsWithoutAllocating)
{
    mHost.setBlockSize(64);
    auto* instance = create("@gain 0.5");
    HostTestObject& x = object(instance);
    ASSERT_TRUE(mHost.buildDsp(instance));
    for (long frames : {0L, 1L, 64L, 200L})
    {
        std::vector<double> left(static_cast<std::size_t>(frames)), right(left.size());
        std::iota(left.begin(), left.end(), 1.0);
        std::iota(right.begin(), right.end(), -100.0);
        const std::vector<double> leftIn = left, rightIn = right;
        // In place: each channel's output is its own input.
        const double* ins[] = {left.data(), right.data()};
        double* outs[] = {left.data(), right.data()};
        const int callsBefore = x.performCalls.load();
        const sorvell::testing::AllocationCounter counter;
        ASSERT_TRUE(mHost.process(instance, ins, outs, frames));
        EXPECT_EQ(counter.allocations(), 0u);
        EXPECT_EQ(x.performCalls.load() - callsBefore, frames == 0 ? 1 : (frames + 63) / 64);
        EXPECT_EQ(x.lastFrames, frames == 0 ? 0 : (frames - 1) % 64 + 1) << frames;
        EXPECT_TRUE(frames == 0 || x.sawDistinctVectors);
        for (std::size_t i = 0; i < left.size(); ++i)
        {
            EXPECT_EQ(left[i], 0.5 * leftIn[i]);
            EXPECT_EQ(right[i], 0.5 * rightIn[i]);
        }
    }
}
