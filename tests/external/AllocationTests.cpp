// The perform routine allocates nothing, even in blocks that start ramps, drain the parameter
// queue and carry out a reset. (Kept apart from the white-box tests: the counting allocator's
// namespace shares its name with the object class.)
#include <AllocationCounter.h>

#include <tessel/host/Runtime.h>

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

TEST(SorvellAllocation, PerformNeverAllocates)
{
    tessel::host::Runtime runtime;
    runtime.setSampleRate(48000.0);
    ASSERT_TRUE(runtime.loadModule(SORVELL_MODULE_PATH));
    tessel::host::Instance* instance = runtime.createObject("quendra.device.sorvell~");
    ASSERT_NE(instance, nullptr);
    ASSERT_TRUE(runtime.buildDsp(instance));

    constexpr long kFrames = 4096;
    std::vector<double> left(kFrames), right(kFrames), out_left(kFrames), out_right(kFrames);
    for (long i = 0; i < kFrames; ++i)
    {
        left[static_cast<std::size_t>(i)] = std::sin(0.02 * static_cast<double>(i));
        right[static_cast<std::size_t>(i)] = std::cos(0.03 * static_cast<double>(i));
    }
    const double* ins[] = {left.data(), right.data()};
    double* outs[] = {out_left.data(), out_right.data()};
    ASSERT_TRUE(runtime.process(instance, ins, outs, 64));

    for (const char* name : {"gain", "decay", "frequency", "mod_rate", "pitch_mod", "mix"})
    {
        runtime.setAttribute(instance, name, {0.7});
    }
    runtime.setAttribute(instance, "voices", {std::int64_t{3}});
    runtime.setAttribute(instance, "harmonics", {std::int64_t{100}});
    runtime.setAttribute(instance, "mod_type", {std::int64_t{3}});
    runtime.sendMessage(instance, "reset");
    {
        sorvell::testing::AllocationCounter counter;
        EXPECT_TRUE(runtime.process(instance, ins, outs, kFrames));
        EXPECT_EQ(counter.allocations(), 0u);
        EXPECT_EQ(counter.deallocations(), 0u);
    }
    runtime.freeObject(instance);
}
