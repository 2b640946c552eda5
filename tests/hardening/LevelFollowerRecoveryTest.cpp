// A partial's level follower after non-finite excitation: the hop that reads an infinite or
// NaN magnitude may carry it into that hop's synthesis, but the next hop with clean input
// starts again from that input (instant attack), whatever the retention, instead of holding
// the non-finite level for ever.
#include "quendra/dsp/PartialGroup.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

namespace
{

using namespace quendra::dravel::vantor;

constexpr float kPi = 3.1415927f;

class LevelFollowerRecovery : public ::testing::TestWithParam<float>
{
protected:
    PartialRandom random;
    std::unique_ptr<PartialGroupState> state = std::make_unique<PartialGroupState>();
    PartialGroup group{*state, 0, 0, 44100.0f * 0.001953125f, &random};
    KernelTable kernel;
    SpectrumGeometry geometry;
    std::vector<Complex> input = std::vector<Complex>(kNumBins + 16, Complex{0.0f, 0.0f});
    std::vector<Complex> output = std::vector<Complex>(kNumBins + 16, Complex{0.0f, 0.0f});

    void step(float magnitude)
    {
        for (int b : {10, 20, 30, 40})
            input[static_cast<std::size_t>(b)] = {0.0f, magnitude};
        BinMagnitudes magnitudes;
        magnitudes.compute(input.data());
        std::fill(output.begin(), output.end(), Complex{0.0f, 0.0f});
        group.step(magnitudes, output.data(), kernel, vec4(1.0f), geometry);
    }
};

TEST_P(LevelFollowerRecovery, CleanHopAfterNonFiniteExcitationRestartsFromTheInput)
{
    // Four partials on bins 10, 20, 30, 40 with the retention under test (decay 20 s is
    // close to 1 per hop).
    group.omega() = vec4(10.0f * kPi, 20.0f * kPi, 30.0f * kPi, 40.0f * kPi);
    group.harmonic() = vec4(0.0f, 1.0f, 2.0f, 3.0f);
    group.harmonicLimit() = vec4(256.0f);
    group.refreshExcite();
    group.retention() = vec4(GetParam());

    for (float bad :
         {std::numeric_limits<float>::infinity(), std::numeric_limits<float>::quiet_NaN()})
    {
        SCOPED_TRACE(bad);
        step(1.0f);
        step(bad);
        step(0.5f);
        for (int lane = 0; lane < 4; ++lane)
        {
            EXPECT_NEAR(group.level()[lane], 0.5f, 1e-5f) << "lane " << lane;
        }
        for (std::size_t k = 0; k < kNumBins; ++k)
        {
            ASSERT_TRUE(std::isfinite(output[k].re) && std::isfinite(output[k].im)) << "bin " << k;
        }
        // And it keeps following: the level falls by the retention per hop.
        step(0.0f);
        EXPECT_NEAR(group.level()[0], 0.5f * GetParam(), 1e-5f);
    }
}

INSTANTIATE_TEST_SUITE_P(Retentions, LevelFollowerRecovery, ::testing::Values(0.0f, 0.5f, 0.9995f));

} // namespace
