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
    // An octave of shift is a factor of sqrt(2) on its own (every voice and stretch neutral).
    const auto engine = std::make_unique<Vantor>(48000.0f, 99u);
    engine->setShift(12.0f);
    EXPECT_NEAR(engine->compensationGain(), 0.70710678f, 2e-6f);
    engine->setShift(-48.0f);
    EXPECT_EQ(engine->compensationGain(), 4.0f);
    // The three factors multiply, whatever the order of the setters.
    const auto gainAfter = [](int order)
    {
        auto e = std::make_unique<Vantor>(48000.0f, 99u);
        const auto shift = [&] { e->setShift(-12.0f); };
        const auto stretch = [&] { e->setStretch(1.0f); };
        const auto voices = [&] { e->setUnisonVoices(2); };
        if (order == 0)
            shift(), stretch(), voices();
        else if (order == 1)
            voices(), stretch(), shift();
        else
            stretch(), shift(), voices();
        return e->compensationGain();
    };
    const auto factor = [](auto set)
    {
        auto e = std::make_unique<Vantor>(48000.0f, 99u);
        set(*e);
        return e->compensationGain();
    };
    const float product = factor([](Vantor& e) { e.setShift(-12.0f); }) *
                          factor([](Vantor& e) { e.setStretch(1.0f); }) *
                          factor([](Vantor& e) { e.setUnisonVoices(2); });
    for (int order : {0, 1, 2})
        EXPECT_NEAR(gainAfter(order), product, product * 1e-6f) << order;
}

} // namespace
} // namespace quendra::dravel::vantor
