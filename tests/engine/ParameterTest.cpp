// Engine-level parameter mapping: input gain in dB, the mix crossfade law, and the
// compensation gain that shift, stretch and unison voices keep up to date.
#include "quendra/dsp/Vantor.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace quendra::dravel::vantor
{
namespace
{

std::unique_ptr<Vantor> makeEngine()
{
    return std::make_unique<Vantor>(48000.0f, 99u);
}

TEST(EngineParameters, ConstructionValues)
{
    const auto engine = makeEngine();
    EXPECT_EQ(engine->dryGain(), 0.0f);
    EXPECT_EQ(engine->wetGain(), 1.0f);
    EXPECT_EQ(engine->inputGain(), 1.0f);
    EXPECT_EQ(engine->compensationGain(), 1.0f);
    EXPECT_EQ(engine->shiftFactor(), 1.0f);
    EXPECT_EQ(engine->voicesFactor(), 1.0f);
    EXPECT_EQ(engine->stretchFactor(), 1.0f);
    EXPECT_EQ(engine->sampleRate(), 48000.0f);
}

TEST(EngineParameters, GainInDecibels)
{
    EXPECT_EQ(Vantor::gainFromDecibels(0.0f), 1.0f);
    EXPECT_NEAR(Vantor::gainFromDecibels(-24.0f), 0.0630957f, 2e-7f);
    EXPECT_NEAR(Vantor::gainFromDecibels(24.0f), 15.84894f, 5e-5f);
    EXPECT_NEAR(Vantor::gainFromDecibels(-6.0f), 0.501187f, 2e-6f);

    const auto engine = makeEngine();
    engine->setInputGain(Vantor::gainFromDecibels(-24.0f));
    EXPECT_EQ(engine->inputGain(), Vantor::gainFromDecibels(-24.0f));
    EXPECT_EQ(engine->compensationGain(), 1.0f); // kept apart from the input gain
}

TEST(EngineParameters, MixIsAnEqualPowerCrossfade)
{
    struct Case
    {
        float mix;
        float dry;
        float wet;
        float tolerance;
    };
    const Case cases[] = {
        {0.0f, 1.0f, 0.0f, 0.0f},
        {1.0f, 0.0f, 1.0f, 0.0f},
        {0.5f, 0.707108f, 0.707108f, 2e-6f},
        {0.25f, 0.97366f, 0.22801f, 1e-5f},
        {0.75f, 0.22801f, 0.97366f, 1e-5f},
    };
    const auto engine = makeEngine();
    for (const Case& c : cases)
    {
        engine->setMix(c.mix);
        EXPECT_NEAR(engine->dryGain(), c.dry, c.tolerance) << "mix " << c.mix;
        EXPECT_NEAR(engine->wetGain(), c.wet, c.tolerance) << "mix " << c.mix;
    }
    // Equal power over the whole axis, gains within [0, 1], dry falling as wet rises.
    float lastDry = 2.0f;
    for (int i = 0; i <= 100; ++i)
    {
        const float mix = static_cast<float>(i) / 100.0f;
        engine->setMix(mix);
        const float dry = engine->dryGain();
        const float wet = engine->wetGain();
        EXPECT_NEAR(dry * dry + wet * wet, 1.0f, 1e-5f) << "mix " << mix;
        EXPECT_GE(dry, 0.0f);
        EXPECT_LE(wet, 1.0f);
        EXPECT_LE(dry, lastDry);
        lastDry = dry;
    }
}

TEST(EngineParameters, ShiftSetsItsFactorAsTheSquareRootOfTheRatio)
{
    const auto engine = makeEngine();
    engine->setShift(12.0f);
    EXPECT_NEAR(engine->shiftFactor(), 0.7071059f, 1e-7f);
    EXPECT_EQ(engine->compensationGain(), engine->shiftFactor());
    engine->setShift(-48.0f);
    EXPECT_EQ(engine->shiftFactor(), 4.0f);
    EXPECT_EQ(engine->compensationGain(), 4.0f);
    engine->setShift(24.0f);
    EXPECT_EQ(engine->shiftFactor(), 0.5f);
    engine->setShift(0.0f);
    EXPECT_EQ(engine->compensationGain(), 1.0f);
}

TEST(EngineParameters, CompensationGainIsTheProductOfItsThreeFactors)
{
    const auto engine = makeEngine();
    engine->setStretch(0.0f);
    engine->setShift(0.0f);
    engine->setUnisonVoices(4);
    EXPECT_EQ(engine->voicesFactor(), 0.5f);
    EXPECT_NEAR(engine->stretchFactor(), 1.0005f, 1e-6f);
    EXPECT_NEAR(engine->compensationGain(), 0.5f * 1.0005f, 1e-6f);

    struct Case
    {
        float stretch;
        float factor;
    };
    for (const Case c : {Case{-1.0f, 0.0316f}, Case{1.0f, 1.4146f}})
    {
        engine->setStretch(c.stretch);
        EXPECT_NEAR(engine->stretchFactor(), c.factor, 1e-4f) << "stretch " << c.stretch;
    }

    // Any order of the three setters ends at the same product.
    engine->setUnisonVoices(1);
    engine->setShift(-12.0f);
    engine->setStretch(1.0f);
    engine->setUnisonVoices(2);
    // sqrt(2) from the shift, 1/sqrt(2) from two voices, sqrt(2.001) from the stretch.
    EXPECT_NEAR(engine->compensationGain(), 1.4146f, 1e-4f);
    EXPECT_EQ(engine->compensationGain(),
              engine->shiftFactor() * engine->voicesFactor() * engine->stretchFactor());
}

TEST(EngineParameters, EnginesAtEveryRateShareTheFrameGeometry)
{
    for (const float rate : {44100.0f, 96000.0f})
    {
        const auto engine = std::make_unique<Vantor>(rate, 1u);
        EXPECT_EQ(Vantor::kLatency, 1536u);
        EXPECT_EQ(engine->samplesUntilHop(), kHopSize);
        EXPECT_EQ(engine->stft().window().size(), kFftSize);
        EXPECT_EQ(engine->stft().inputSize(), kFftSize);
        EXPECT_EQ(engine->stft().outputSize(), kFftSize);
        EXPECT_NEAR(engine->bank(0).hopRate(), rate / 512.0f, 1e-3f);
        EXPECT_NEAR(engine->bank(1).hopRate(), rate / 512.0f, 1e-3f);
    }
}

} // namespace
} // namespace quendra::dravel::vantor
