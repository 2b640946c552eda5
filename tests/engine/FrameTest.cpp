// The engine frame end to end: hop schedule, latency of the dry and the wet path, the STFT
// identity, reset, determinism and the absence of allocation on the audio path.
#include "AllocationCounter.h"
#include "VantorTestAccess.h"

#include "quendra/dsp/Vantor.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>
#include <vector>

namespace quendra::dravel::vantor
{
namespace
{

std::vector<StereoFrame> noise(std::size_t length, std::uint32_t seed, float amplitude = 0.5f)
{
    std::mt19937 generator(seed);
    std::uniform_real_distribution<float> uniform(-amplitude, amplitude);
    std::vector<StereoFrame> frames(length);
    for (StereoFrame& frame : frames)
    {
        frame = {uniform(generator), uniform(generator)};
    }
    return frames;
}

class EngineAtRate : public ::testing::TestWithParam<float>
{
};

INSTANTIATE_TEST_SUITE_P(Rates, EngineAtRate, ::testing::Values(44100.0f, 48000.0f, 96000.0f));

TEST_P(EngineAtRate, HopRunsOnEveryHopSizeThSample)
{
    auto engine = std::make_unique<Vantor>(GetParam(), 1u);
    HopRecorder recorder(*engine);
    EXPECT_EQ(engine->samplesUntilHop(), 512u);
    for (const StereoFrame& frame : noise(2600, 2))
    {
        recorder.process(frame);
    }
    EXPECT_EQ(recorder.hops, (std::vector<std::size_t>{512, 1024, 1536, 2048, 2560}));
    EXPECT_EQ(engine->stft().outputSize(), 1024u - 40u);
    EXPECT_EQ(engine->stft().inputSize(), 1024u);
}

TEST_P(EngineAtRate, DryOnlyIsTheInputDelayedByTheLatencyBitForBit)
{
    static_assert(Vantor::kLatency == 1536);
    auto engine = std::make_unique<Vantor>(GetParam(), 3u);
    engine->setMix(0.0f);
    ASSERT_EQ(engine->dryGain(), 1.0f);
    ASSERT_EQ(engine->wetGain(), 0.0f);
    const std::vector<StereoFrame> input = noise(5000, 4, 2.0f);
    for (std::size_t n = 0; n < input.size(); ++n)
    {
        const StereoFrame out = engine->process(input[n]);
        const StereoFrame expected =
            n >= Vantor::kLatency ? input[n - Vantor::kLatency] : StereoFrame{0.0f, 0.0f};
        ASSERT_EQ(out, expected) << "sample " << n;
    }
}

TEST_P(EngineAtRate, IdentitySpectrumReproducesTheInputDelayedByTheLatency)
{
    auto engine = std::make_unique<Vantor>(GetParam(), 5u);
    ASSERT_EQ(engine->dryGain(), 0.0f); // as constructed: the wet path alone
    ASSERT_EQ(engine->wetGain(), 1.0f);
    IdentityHop identity(*engine);
    const std::vector<StereoFrame> input = noise(6000, 6);
    for (std::size_t n = 0; n < input.size(); ++n)
    {
        const StereoFrame out = engine->process(input[n]);
        const StereoFrame expected =
            n >= Vantor::kLatency ? input[n - Vantor::kLatency] : StereoFrame{0.0f, 0.0f};
        ASSERT_NEAR(out.left, expected.left, 2e-6f) << "sample " << n;
        ASSERT_NEAR(out.right, expected.right, 2e-6f) << "sample " << n;
    }
}

TEST(EngineFrame, ImpulseLeavesTheStftExactlyOneLatencyLater)
{
    for (const std::size_t at :
         {std::size_t{0}, std::size_t{300}, std::size_t{511}, std::size_t{512}, std::size_t{777}})
    {
        auto engine = std::make_unique<Vantor>(48000.0f, 7u);
        IdentityHop identity(*engine);
        std::size_t loudest = 0;
        float peak = 0.0f;
        for (std::size_t n = 0; n < at + 3000; ++n)
        {
            const float x = n == at ? 1.0f : 0.0f;
            const StereoFrame out = engine->process({x, -x});
            if (n < at + 513) // no frame holding the impulse has been resynthesised yet
            {
                ASSERT_EQ(out.left, 0.0f) << "impulse at " << at << ", sample " << n;
            }
            if (std::fabs(out.left) > peak)
            {
                peak = std::fabs(out.left);
                loudest = n;
            }
            if (n != at + Vantor::kLatency)
            {
                ASSERT_LT(std::fabs(out.left), 1e-6f) << "impulse at " << at << ", sample " << n;
            }
        }
        EXPECT_EQ(loudest, at + Vantor::kLatency);
        EXPECT_NEAR(peak, 1.0f, 1e-6f);
    }
}

TEST(EngineFrame, InputAndCompensationGainsScaleTheAnalysedSignal)
{
    auto engine = std::make_unique<Vantor>(48000.0f, 8u);
    IdentityHop identity(*engine);
    engine->setInputGain(Vantor::gainFromDecibels(-6.0f));
    engine->setUnisonVoices(4); // voices factor 1/2, the other two factors still 1
    const float gain = engine->inputGain() * engine->compensationGain();
    ASSERT_NEAR(gain, 0.5f * 0.501187f, 1e-5f);
    const std::vector<StereoFrame> input = noise(4000, 9);
    for (std::size_t n = 0; n < input.size(); ++n)
    {
        const StereoFrame out = engine->process(input[n]);
        if (n >= Vantor::kLatency)
        {
            ASSERT_NEAR(out.left, gain * input[n - Vantor::kLatency].left, 2e-6f) << n;
            ASSERT_NEAR(out.right, gain * input[n - Vantor::kLatency].right, 2e-6f) << n;
        }
    }
}

TEST(EngineFrame, ResetSilencesEverythingAndKeepsTheHopPhase)
{
    constexpr std::size_t kResetAfter = 3000; // 72 samples before the hop at 3072
    auto wetOnly = std::make_unique<Vantor>(48000.0f, 10u);
    auto dryOnly = std::make_unique<Vantor>(48000.0f, 10u);
    dryOnly->setMix(0.0f);
    HopRecorder recorder(*wetOnly);

    const std::vector<StereoFrame> input = noise(kResetAfter + 2000, 11);
    float wetEnergyBeforeReset = 0.0f;
    for (std::size_t n = 0; n < kResetAfter; ++n)
    {
        const StereoFrame out = recorder.process(input[n]);
        wetEnergyBeforeReset += out.left * out.left + out.right * out.right;
        dryOnly->process(input[n]);
    }
    ASSERT_GT(wetEnergyBeforeReset, 0.0f); // the partials rang: there is something to clear

    wetOnly->reset();
    dryOnly->reset();
    EXPECT_EQ(wetOnly->samplesUntilHop(), 72u);
    EXPECT_EQ(wetOnly->limiter().smoothedGain(), (StereoFrame{0.0f, 0.0f}));
    EXPECT_EQ(wetOnly->stft().outputSize(), 1024u);
    EXPECT_EQ(dryOnly->dryGain(), 1.0f); // gains survive a reset

    for (std::size_t n = kResetAfter; n < input.size(); ++n)
    {
        const std::size_t call = n + 1;
        const StereoFrame wet = recorder.process(input[n]);
        const StereoFrame dry = dryOnly->process(input[n]);
        if (call <= 3072) // up to and including the first hop after the reset
        {
            ASSERT_EQ(wet, (StereoFrame{0.0f, 0.0f})) << "call " << call;
        }
        const StereoFrame expectedDry = n >= kResetAfter + Vantor::kLatency
                                            ? input[n - Vantor::kLatency]
                                            : StereoFrame{0.0f, 0.0f};
        ASSERT_EQ(dry, expectedDry) << "call " << call;
    }
    EXPECT_EQ(recorder.hops,
              (std::vector<std::size_t>{512, 1024, 1536, 2048, 2560, 3072, 3584, 4096, 4608}));
}

class EngineModType : public ::testing::TestWithParam<int>
{
};

INSTANTIATE_TEST_SUITE_P(AllModes, EngineModType, ::testing::Values(0, 1, 2, 3));

TEST_P(EngineModType, SameSeedGivesTheSameBitsAndInvalidModesAreIgnored)
{
    auto first = std::make_unique<Vantor>(44100.0f, 1234u);
    auto second = std::make_unique<Vantor>(44100.0f, 1234u);
    for (Vantor* engine : {first.get(), second.get()})
    {
        engine->setMix(0.5f);
        engine->setDecay(1.0f);
        engine->setUnisonVoices(2);
        engine->setModType(GetParam());
    }
    second->setModType(4); // out of range: nothing happens
    second->setModType(-1);
    for (const StereoFrame& frame : noise(4096, 13))
    {
        const StereoFrame a = first->process(frame);
        const StereoFrame b = second->process(frame);
        ASSERT_EQ(a, b);
    }
}

TEST(EngineRealTime, ProcessAndResetAllocateNothing)
{
    auto engine = std::make_unique<Vantor>(48000.0f, 14u);
    engine->setMix(0.5f);
    const std::vector<StereoFrame> input = noise(3 * kHopSize + 17, 15);
    sorvell::testing::AllocationCounter counter;
    for (const StereoFrame& frame : input)
    {
        engine->process(frame);
    }
    engine->reset();
    for (const StereoFrame& frame : input)
    {
        engine->process(frame);
    }
    EXPECT_EQ(counter.allocations(), 0u);
    EXPECT_EQ(counter.deallocations(), 0u);
}

TEST(EngineRealTime, SettersAllocateNothing)
{
    auto engine = std::make_unique<Vantor>(48000.0f, 16u);
    const std::vector<StereoFrame> input = noise(2 * kHopSize, 17);
    sorvell::testing::AllocationCounter counter;
    engine->setFrequencySource(0);
    engine->setPolyphony(0);
    engine->setInputGain(2.0f);
    engine->setMix(0.3f);
    engine->setStretch(0.2f);
    engine->setShift(-5.0f);
    engine->setDecay(2.0f);
    engine->setHfDamp(0.7f);
    engine->setLfDamp(0.4f);
    engine->setUnisonVoices(8);
    engine->setUnisonAmount(0.3f);
    engine->setHarmonics(64);
    engine->setFrequency(220.0f);
    engine->setModType(3);
    engine->setModRate(0.5f);
    engine->setPitchMod(2.0f);
    for (const StereoFrame& frame : input)
    {
        engine->process(frame);
    }
    EXPECT_EQ(counter.allocations(), 0u);
}

TEST(AllocationCounter, SeesHeapUseOnItsOwnThread)
{
    sorvell::testing::AllocationCounter counter;
    auto box = std::make_unique<int>(3);
    std::vector<float> values(100);
    EXPECT_EQ(counter.allocations(), 2u);
    EXPECT_GE(counter.bytes(), sizeof(int) + 100 * sizeof(float));
    box.reset();
    EXPECT_EQ(counter.deallocations(), 1u);
}

} // namespace
} // namespace quendra::dravel::vantor
