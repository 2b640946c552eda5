// Engine-level parameter mapping: input gain in dB, the mix crossfade law, and the
// compensation gain that shift, stretch and unison voices keep up to date.
#include "quendra/dsp/Vantor.h"

#include <gtest/gtest.h>

#include <memory>

namespace quendra::dravel::vantor
{
namespace
{

TEST(EngineParameters, GainInDecibels)
{
    EXPECT_EQ(Vantor::gainFromDecibels(0.0f), 1.0f);
    EXPECT_NEAR(Vantor::gainFromDecibels(-24.0f), 0.0630957f, 2e-7f);
    EXPECT_NEAR(Vantor::gainFromDecibels(24.0f), 15.84894f, 5e-5f);
    const auto engine = std::make_unique<Vantor>(48000.0f, 99u);
    engine->setInputGain(Vantor::gainFromDecibels(-24.0f));
    EXPECT_EQ(engine->compensationGain(), 1.0f); // kept apart from the input gain
}

TEST(EngineParameters, MixIsAnEqualPowerCrossfade)
{
    struct Case
    {
        float mix, dry, wet, tolerance;
    };
    const auto engine = std::make_unique<Vantor>(48000.0f, 99u);
    for (const Case& c :
         {Case{0.0f, 1.0f, 0.0f, 0.0f}, Case{1.0f, 0.0f, 1.0f, 0.0f},
          Case{0.5f, 0.707108f, 0.707108f, 2e-6f}, Case{0.25f, 0.97366f, 0.22801f, 1e-5f}})
    {
        engine->setMix(c.mix);
        EXPECT_NEAR(engine->dryGain(), c.dry, c.tolerance) << "mix " << c.mix;
        EXPECT_NEAR(engine->wetGain(), c.wet, c.tolerance) << "mix " << c.mix;
    }
}

TEST(EngineParameters, CompensationGainIsTheProductOfShiftVoicesAndStretchFactors)
{
    const auto engine = std::make_unique<Vantor>(48000.0f, 99u);
    engine->setShift(12.0f);
    EXPECT_NEAR(engine->compensationGain(), 0.7071059f, 1e-7f);
    engine->setShift(-48.0f);
    EXPECT_EQ(engine->compensationGain(), 4.0f);

    engine->setShift(0.0f);
    engine->setStretch(0.0f);
    engine->setUnisonVoices(4);
    EXPECT_NEAR(engine->compensationGain(), 0.5f * 1.0005f, 1e-6f);
    engine->setStretch(-1.0f);
    EXPECT_NEAR(engine->stretchFactor(), 0.0316f, 1e-4f);

    // Any order of the three setters ends at the same product: sqrt(2) from the shift,
    // 1/sqrt(2) from two voices, sqrt(2.001) from the stretch.
    engine->setUnisonVoices(1);
    engine->setShift(-12.0f);
    engine->setStretch(1.0f);
    engine->setUnisonVoices(2);
    EXPECT_NEAR(engine->compensationGain(), 1.4146f, 1e-4f);
}

} // namespace
} // namespace quendra::dravel::vantor
