// Real-time safety: no perform block allocates or frees, for every modulation mode, while
// smoothed attributes ramp, queued attributes arrive, the mode changes and resets are
// carried out, and no engine call made from the perform routine (process, the setters,
// reset) does either.
#include <SorvellAttributes.h>

#include <AllocationCounter.h>

#include <quendra/dsp/Vantor.h>
#include <tessel/host/Runtime.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

namespace
{

using quendra::dravel::vantor::StereoFrame;
using quendra::dravel::vantor::Vantor;
using sorvell::testing::AllocationCounter;
using sorvell_test::ExpectedAttribute;
using sorvell_test::kSmoothedAttributes;

// The counter itself sees heap use on its own thread, so that a count of 0 means something.
TEST(AllocationCounter, SeesHeapUseOnItsOwnThread)
{
    if (!sorvell::testing::allocationsCounted())
    {
        GTEST_SKIP() << "a sanitizer build keeps its own allocator";
    }
    AllocationCounter counter;
    auto box = std::make_unique<int>(3);
    std::vector<float> values(100);
    EXPECT_EQ(counter.allocations(), 2u);
    box.reset();
    EXPECT_EQ(counter.deallocations(), 1u);
}

class PerformAllocation : public ::testing::TestWithParam<int>
{
};

TEST_P(PerformAllocation, NoBlockAllocatesWhileParametersChange)
{
    const int modType = GetParam();
    tessel::host::Runtime runtime;
    runtime.setRandomSeed(3u);
    runtime.setSampleRate(48000.0);
    runtime.setBlockSize(64);
    ASSERT_TRUE(runtime.loadModule(SORVELL_MODULE_PATH));
    tessel::host::Instance* instance = runtime.createObject(
        "quendra.device.sorvell~ @mod_type " + std::to_string(modType) + " @pitch_mod 1");
    ASSERT_NE(instance, nullptr);
    ASSERT_TRUE(runtime.buildDsp(instance));

    constexpr long kFrames = 64;
    std::vector<double> left(kFrames), right(kFrames), outLeft(kFrames), outRight(kFrames);
    const double* ins[] = {left.data(), right.data()};
    double* outs[] = {outLeft.data(), outRight.data()};
    std::size_t allocations = 0;
    std::size_t frees = 0;
    for (int block = 0; block < 200; ++block)
    {
        for (long i = 0; i < kFrames; ++i)
        {
            const auto t = static_cast<double>(block * kFrames + i);
            left[static_cast<std::size_t>(i)] = 0.5 * std::sin(0.03 * t);
            right[static_cast<std::size_t>(i)] = 0.5 * std::sin(0.05 * t);
        }
        // Between blocks, as the main thread would: ramps, queued sets, resets.
        const ExpectedAttribute& ramped = kSmoothedAttributes[block % kSmoothedAttributes.size()];
        const double where = 0.5 + 0.5 * std::sin(0.7 * block);
        runtime.setAttribute(instance, ramped.name,
                             {ramped.minimum + where * (ramped.maximum - ramped.minimum)});
        if (block % 7 == 0)
            runtime.setAttribute(instance, "harmonics", {std::int64_t{1 + (block * 37) % 256}});
        if (block % 11 == 0)
            runtime.setAttribute(instance, "voices", {std::int64_t{1 + block % 8}});
        if (block % 40 == 20)
            runtime.sendMessage(instance, "reset");
        if (block % 50 == 49) // the mode moves on and comes back
            runtime.setAttribute(instance, "mod_type",
                                 {std::int64_t{(modType + 1 + block / 50) % 4}});
        if (block % 50 == 0)
            runtime.setAttribute(instance, "mod_type", {std::int64_t{modType}});
        runtime.serviceMainQueue();

        AllocationCounter counter;
        ASSERT_TRUE(runtime.process(instance, ins, outs, kFrames));
        allocations += counter.allocations();
        frees += counter.deallocations();
    }
    EXPECT_EQ(allocations, 0u);
    EXPECT_EQ(frees, 0u);
    runtime.freeObject(instance);
}

INSTANTIATE_TEST_SUITE_P(EveryModType, PerformAllocation, ::testing::Values(0, 1, 2, 3));

// Runs `steps` steps, each `change(step)` then `frames` frames of a stereo sine, the even steps
// frame by frame and the odd ones as one block call, and expects no heap use in any of it.
template <typename Change>
void expectNoHeapUse(Vantor& engine, int steps, int frames, Change change)
{
    std::vector<float> left(static_cast<std::size_t>(frames));
    std::vector<float> right(left.size());
    std::size_t allocations = 0;
    std::size_t frees = 0;
    for (int step = 0; step < steps; ++step)
    {
        for (std::size_t i = 0; i < left.size(); ++i)
        {
            const auto t = static_cast<float>(static_cast<std::size_t>(step * frames) + i);
            left[i] = 0.5f * std::sin(0.03f * t);
            right[i] = 0.4f * std::sin(0.02f * t);
        }
        AllocationCounter counter;
        change(step);
        if (step % 2 == 0)
            for (std::size_t i = 0; i < left.size(); ++i)
                engine.process(StereoFrame{left[i], right[i]});
        else
            engine.process(left.data(), right.data(), left.data(), right.data(), left.size());
        allocations += counter.allocations();
        frees += counter.deallocations();
    }
    EXPECT_EQ(allocations, 0u);
    EXPECT_EQ(frees, 0u);
}

// The bare engine: every setter, reset and process between and inside hops.
TEST(EngineAllocation, SettersResetAndProcessNeverAllocate)
{
    Vantor engine(44100.0f, 5u);
    engine.setFrequencySource(0);
    engine.setPolyphony(0);
    expectNoHeapUse(engine, 480, 97,
                    [&](int step)
                    {
                        const auto x = static_cast<float>(step % 120) / 120.0f;
                        engine.setModType(step / 120);
                        engine.setMix(x);
                        engine.setInputGain(Vantor::gainFromDecibels(24.0f * x - 12.0f));
                        engine.setStretch(2.0f * x - 1.0f);
                        engine.setShift(96.0f * x - 48.0f);
                        engine.setDecay(0.001f + 19.999f * x);
                        engine.setHfDamp(x);
                        engine.setLfDamp(1.0f - x);
                        engine.setUnisonVoices(1 + step % 8);
                        engine.setUnisonAmount(x);
                        engine.setHarmonics(1 + (step * 53) % 256);
                        engine.setFrequency(20.0f + 1000.0f * x);
                        engine.setModRate(x);
                        engine.setPitchMod(4.0f * x);
                        if (step % 40 == 39)
                            engine.reset();
                    });
}

// Chords: notes, pedal, bend and voice changes, with the notes starting, being stolen and
// ringing out, all between and inside hops.
TEST(EngineAllocation, NotesNeverAllocate)
{
    Vantor engine(48000.0f, 6u);
    engine.setPolyphony(1);
    engine.setDecay(0.5f);
    expectNoHeapUse(engine, 400, 131,
                    [&](int step)
                    {
                        const int key = (step * 7) % 24;
                        engine.noteOn(40 + key, 80.0f + 20.0f * static_cast<float>(key));
                        if (step % 3 == 0)
                            engine.noteOff(40 + (step * 5) % 24);
                        engine.setSustain(step % 50 < 10);
                        engine.setPitchBend(static_cast<float>(step % 9) / 4.0f - 1.0f);
                        if (step % 100 == 99)
                            engine.setUnisonVoices(1 + step / 100);
                        if (step % 150 == 149)
                            engine.allNotesOff();
                    });
}

} // namespace
