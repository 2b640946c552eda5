#include "sorvell_parameters.h"

#include <quendra/dsp/FastExp2.h>

#include <array>

namespace quendra::sorvell
{
namespace
{

constexpr std::array<std::string_view, 4> modulation_mode_names{"None", "Chorus", "Wandering",
                                                                "Granular"};

using enum parameter_kind;

constexpr std::array<parameter_info, parameter_count> table{{
    {"mix",
     "Dry/wet",
     "Sets the dry/wet mix of the output signal",
     "",
     "",
     0.0,
     1.0,
     1.0,
     smoothed,
     false,
     {}},
    {"gain",
     "Post gain",
     "Set the amount of gain applied to the processed signal in dB.",
     "",
     "dB",
     -24.0,
     24.0,
     0.0,
     smoothed,
     false,
     {}},
    {"stretch",
     "Partial stretch",
     "Stretch (positive values) or compress (negative values) the spacing of the harmonics.",
     "",
     "",
     -1.0,
     1.0,
     0.0,
     smoothed,
     false,
     {}},
    {"shift",
     "Pitch shift",
     "Shift the input spectrum up or down in semitones",
     "",
     "st",
     -48.0,
     48.0,
     0.0,
     smoothed,
     false,
     {}},
    {"decay",
     "Decay time",
     "Set the decay length in seconds",
     "",
     "s",
     0.001,
     20.0,
     0.222,
     smoothed,
     true,
     {}},
    {"hf_damp",
     "High frequency damping",
     "Set the amount of damping of high frequencies",
     "",
     "",
     0.0,
     1.0,
     0.0,
     smoothed,
     false,
     {}},
    {"lf_damp",
     "Low frequency damping",
     "Set the amount of damping of low frequencies",
     "",
     "",
     0.0,
     1.0,
     0.0,
     smoothed,
     false,
     {}},
    {"voices",
     "Unison voices",
     "Set the intensity of the unison effect.",
     "",
     "",
     1.0,
     8.0,
     1.0,
     queued_integer,
     false,
     {}},
    {"unison",
     "Unison amount",
     "Set the intensity of the unison effect.",
     "",
     "",
     0.0,
     1.0,
     0.0,
     smoothed,
     false,
     {}},
    {"harmonics",
     "Harmonics",
     "Set the number of harmonics in the spectrum. A higher number results in more CPU use.",
     "",
     "",
     1.0,
     256.0,
     256.0,
     queued_integer,
     false,
     {}},
    {"frequency",
     "Frequency",
     "Set the fundamental frequency of the resonator.",
     "",
     "Hz",
     20.0,
     20000.0,
     440.0,
     smoothed,
     true,
     {}},
    {"mod_type", "Modulation mode",
     "Set the mode that determines how harmonics are modulated. None (0) applies no modulation. "
     "Chorus (1) applies triangle wave modulation at different frequencies for every partial. "
     "Wander (2) ramps to random levels at random intervals. Granular (3) randomly triggers "
     "exponential envelopes.",
     "Modulation", "", 0.0, 3.0, 0.0, queued_enumeration, false, modulation_mode_names},
    {"mod_rate",
     "Modulation rate",
     "Set the modulation rate.",
     "Modulation",
     "",
     0.0,
     1.0,
     0.1,
     smoothed,
     false,
     {}},
    {"pitch_mod",
     "Pitch modulation",
     "Set the pitch modulation amount in semitones.",
     "Modulation",
     "st",
     0.0,
     4.0,
     0.0,
     smoothed,
     false,
     {}},
}};

// dB to linear with the engine's own power of two: 0.1660964 = log2(10) / 20.
float decibels_to_gain(double decibels) noexcept
{
    return dravel::vantor::fastExp2(static_cast<float>(decibels) * 0.1660964f);
}

} // namespace

std::span<const parameter_info, parameter_count> parameters()
{
    return table;
}

std::optional<std::size_t> parameter_index(std::string_view name)
{
    for (std::size_t i = 0; i < table.size(); ++i)
    {
        if (table[i].name == name)
        {
            return i;
        }
    }
    return std::nullopt;
}

void apply(dravel::vantor::Vantor& engine, std::size_t index, double value) noexcept
{
    const auto f = static_cast<float>(value);
    const auto n = static_cast<int>(value);
    switch (static_cast<parameter_id>(index))
    {
    case parameter_id::mix:
        engine.setMix(f);
        break;
    case parameter_id::gain:
        engine.setInputGain(decibels_to_gain(value));
        break;
    case parameter_id::stretch:
        engine.setStretch(f);
        break;
    case parameter_id::shift:
        engine.setShift(f);
        break;
    case parameter_id::decay:
        engine.setDecay(f);
        break;
    case parameter_id::hf_damp:
        engine.setHfDamp(f);
        break;
    case parameter_id::lf_damp:
        engine.setLfDamp(f);
        break;
    case parameter_id::voices:
        engine.setUnisonVoices(n);
        break;
    case parameter_id::unison:
        engine.setUnisonAmount(f);
        break;
    case parameter_id::harmonics:
        engine.setHarmonics(n);
        break;
    case parameter_id::frequency:
        engine.setFrequency(f);
        break;
    case parameter_id::mod_type:
        engine.setModType(n);
        break;
    case parameter_id::mod_rate:
        engine.setModRate(f);
        break;
    case parameter_id::pitch_mod:
        engine.setPitchMod(f);
        break;
    }
}

} // namespace quendra::sorvell
