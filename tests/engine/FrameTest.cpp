// The engine frame end to end: hop schedule, latency of the dry and the wet path, the STFT
// identity, the gains on the analysed signal, and reset. (That process, the setters and reset
// allocate nothing is checked by the hardening tests.)
#include "VantorTestAccess.h"

#include "quendra/dsp/Vantor.h"

#include <gtest/gtest.h>

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

StereoFrame delayed(const std::vector<StereoFrame>& input, std::size_t n, float gain = 1.0f)
{
    static_assert(Vantor::kLatency == 1536);
    return n >= Vantor::kLatency ? StereoFrame{gain * input[n - Vantor::kLatency].left,
                                               gain * input[n - Vantor::kLatency].right}
                                 : StereoFrame{0.0f, 0.0f};
}

class EngineAtRate : public ::testing::TestWithParam<float>
{
};

INSTANTIATE_TEST_SUITE_P(Rates, EngineAtRate, ::testing::Values(44100.0f, 48000.0f, 96000.0f));

TEST_P(EngineAtRate, HopRunsEvery512SamplesAndDryOnlyIsTheInputDelayedBitForBit)
{
    auto engine = std::make_unique<Vantor>(GetParam(), 3u);
    VantorTestAccess access(*engine, false);
    engine->setMix(0.0f);
    ASSERT_EQ(engine->dryGain(), 1.0f);
    ASSERT_EQ(engine->wetGain(), 0.0f);
    const std::vector<StereoFrame> input = noise(2600, 4, 2.0f);
    for (std::size_t n = 0; n < input.size(); ++n)
    {
        ASSERT_EQ(access.process(input[n]), delayed(input, n)) << "sample " << n;
    }
    EXPECT_EQ(access.hops, (std::vector<std::size_t>{512, 1024, 1536, 2048, 2560}));
}

TEST_P(EngineAtRate, IdentitySpectrumReproducesTheInputDelayedByTheLatency)
{
    auto engine = std::make_unique<Vantor>(GetParam(), 5u);
    ASSERT_EQ(engine->dryGain(), 0.0f); // as constructed: the wet path alone
    ASSERT_EQ(engine->wetGain(), 1.0f);
    VantorTestAccess identity(*engine, true);
    const std::vector<StereoFrame> input = noise(6000, 6);
    for (std::size_t n = 0; n < input.size(); ++n)
    {
        const StereoFrame out = identity.process(input[n]);
        ASSERT_NEAR(out.left, delayed(input, n).left, 2e-6f) << "sample " << n;
        ASSERT_NEAR(out.right, delayed(input, n).right, 2e-6f) << "sample " << n;
    }
}

TEST(EngineFrame, InputAndCompensationGainsScaleTheAnalysedSignal)
{
    auto engine = std::make_unique<Vantor>(48000.0f, 8u);
    VantorTestAccess identity(*engine, true);
    engine->setInputGain(Vantor::gainFromDecibels(-6.0f));
    engine->setUnisonVoices(4); // voices factor 1/2, the other two factors still 1
    const float gain = 0.5f * 0.501187f;
    const std::vector<StereoFrame> input = noise(4000, 9);
    for (std::size_t n = 0; n < input.size(); ++n)
    {
        const StereoFrame out = identity.process(input[n]);
        ASSERT_NEAR(out.left, delayed(input, n, gain).left, 2e-6f) << n;
        ASSERT_NEAR(out.right, delayed(input, n, gain).right, 2e-6f) << n;
    }
}

TEST(EngineFrame, ResetSilencesEverythingAndKeepsTheHopPhase)
{
    constexpr std::size_t kResetAfter = 3000; // 72 samples before the hop at 3072
    auto wetOnly = std::make_unique<Vantor>(48000.0f, 10u);
    auto dryOnly = std::make_unique<Vantor>(48000.0f, 10u);
    dryOnly->setMix(0.0f);
    VantorTestAccess recorder(*wetOnly, false);
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
    EXPECT_EQ(dryOnly->dryGain(), 1.0f); // parameters survive a reset
    for (std::size_t n = kResetAfter; n < input.size(); ++n)
    {
        const StereoFrame wet = recorder.process(input[n]);
        if (n < 3072) // up to and including the first hop after the reset
        {
            ASSERT_EQ(wet, (StereoFrame{0.0f, 0.0f})) << "sample " << n;
        }
        const StereoFrame dry = dryOnly->process(input[n]);
        ASSERT_EQ(dry, n >= kResetAfter + Vantor::kLatency ? delayed(input, n) : StereoFrame{})
            << "sample " << n;
    }
    EXPECT_EQ(recorder.hops,
              (std::vector<std::size_t>{512, 1024, 1536, 2048, 2560, 3072, 3584, 4096, 4608}));
}

} // namespace
} // namespace quendra::dravel::vantor
