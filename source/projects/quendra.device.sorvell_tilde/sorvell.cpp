#include "sorvell.h"

#include <quendra/dsp/FastExp2.h>

namespace
{

using brindle::korin::attribute_description;

// dB to linear with the engine's own power of two: 0.1660964 = log2(10) / 20.
float decibels_to_gain(double decibels)
{
    return quendra::dravel::vantor::fastExp2(static_cast<float>(decibels) * 0.1660964f);
}

} // namespace

sorvell::sorvell()
{
    tessel_symbol* const modulation = gensym("Modulation");
    auto& engine_of = *this;
    const auto f = [](double value) { return static_cast<float>(value); };

    make_smooth(
        {"gain", "Post gain", "Set the amount of gain applied to the processed signal in dB."},
        -24.0, 24.0, 0.0,
        [&engine_of](double dB) { engine_of.engine().setInputGain(decibels_to_gain(dB)); });
    make_smooth({"stretch", "Partial stretch",
                 "Stretch (positive values) or compress (negative values) the spacing of the "
                 "harmonics."},
                -1.0, 1.0, 0.0, [&engine_of, f](double v) { engine_of.engine().setStretch(f(v)); });
    make_smooth({"shift", "Pitch shift", "Shift the input spectrum up or down in semitones"}, -48.0,
                48.0, 0.0, [&engine_of, f](double v) { engine_of.engine().setShift(f(v)); });
    make_smooth({"decay", "Decay time", "Set the decay length in seconds"}, 0.001, 20.0, 0.222,
                [&engine_of, f](double v) { engine_of.engine().setDecay(f(v)); });
    make_smooth(
        {"hf_damp", "High frequency damping", "Set the amount of damping of high frequencies"}, 0.0,
        1.0, 0.0, [&engine_of, f](double v) { engine_of.engine().setHfDamp(f(v)); });
    make_smooth(
        {"lf_damp", "Low frequency damping", "Set the amount of damping of low frequencies"}, 0.0,
        1.0, 0.0, [&engine_of, f](double v) { engine_of.engine().setLfDamp(f(v)); });
    make_queued({"voices", "Unison voices", "Set the intensity of the unison effect."}, 1, 1, 8,
                [&engine_of](int v) { engine_of.engine().setUnisonVoices(v); });
    make_smooth({"unison", "Unison amount", "Set the intensity of the unison effect."}, 0.0, 1.0,
                0.0, [&engine_of, f](double v) { engine_of.engine().setUnisonAmount(f(v)); });
    make_queued({"harmonics", "Harmonics",
                 "Set the number of harmonics in the spectrum. A higher number results in more CPU "
                 "use."},
                256, 1, 256, [&engine_of](int v) { engine_of.engine().setHarmonics(v); });
    make_smooth({"frequency", "Frequency", "Set the fundamental frequency of the resonator."}, 20.0,
                20000.0, 440.0,
                [&engine_of, f](double v) { engine_of.engine().setFrequency(f(v)); });
    make_queued(
        attribute_description{
            "mod_type", "Modulation mode",
            "Set the mode that determines how harmonics are modulated. None (0) applies no "
            "modulation. Chorus (1) applies triangle wave modulation at different frequencies for "
            "every partial. Wander (2) ramps to random levels at random intervals. Granular (3) "
            "randomly triggers exponential envelopes.",
            modulation},
        modulation_mode::none, mModulationModeNames,
        [&engine_of](int v) { engine_of.engine().setModType(v); });
    make_smooth({"mod_rate", "Modulation rate", "Set the modulation rate.", modulation}, 0.0, 1.0,
                0.1, [&engine_of, f](double v) { engine_of.engine().setModRate(f(v)); });
    make_smooth({"pitch_mod", "Pitch modulation", "Set the pitch modulation amount in semitones.",
                 modulation},
                0.0, 4.0, 0.0, [&engine_of, f](double v) { engine_of.engine().setPitchMod(f(v)); });

    set_prepare_callback(
        [&engine_of](double, int)
        {
            engine_of.engine().setFrequencySource(0);
            engine_of.engine().setPolyphony(0);
        });
    make_ports();
}
