#include "ValueText.h"

#include "SorvellProcessor.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

namespace quendra::plugin::ui
{
namespace
{

using sorvell::parameter_id;

std::string format(const char* pattern, double value)
{
    std::array<char, 64> text{};
    std::snprintf(text.data(), text.size(), pattern, value);
    return text.data();
}

// A signed value without "-0": values that round to zero print as zero.
std::string signedFormat(const char* pattern, double value, double resolution)
{
    return format(pattern, std::abs(value) < 0.5 * resolution ? 0.0 : value);
}

std::string hertz(double hz)
{
    const NoteName note = nearestNote(hz);
    const std::string number =
        hz < 100.0 ? format("%.1f Hz", hz)
                   : (hz < 10000.0 ? format("%.0f Hz", hz) : format("%.2f kHz", hz / 1000.0));
    return number + "  " + note.name;
}

std::string seconds(double s)
{
    if (s < 0.01)
    {
        return format("%.1f ms", s * 1000.0);
    }
    if (s < 1.0)
    {
        return format("%.0f ms", s * 1000.0);
    }
    return format(s < 10.0 ? "%.2f s" : "%.1f s", s);
}

std::string percent(double fraction)
{
    return format("%.0f %%", fraction * 100.0);
}

} // namespace

NoteName nearestNote(double hz)
{
    static constexpr std::array<const char*, 12> names{"C",  "C#", "D",  "D#", "E",  "F",
                                                       "F#", "G",  "G#", "A",  "A#", "B"};
    if (!(hz > 0.0))
    {
        return {"-", 0};
    }
    const double midi = 69.0 + 12.0 * std::log2(hz / 440.0);
    const long note = std::lround(midi);
    const long octave = (note >= 0 ? note / 12 : (note - 11) / 12) - 1;
    const auto pitchClass = static_cast<std::size_t>(((note % 12) + 12) % 12);
    return {std::string(names[pitchClass]) + std::to_string(octave),
            static_cast<int>(std::lround((midi - static_cast<double>(note)) * 100.0))};
}

std::string valueText(std::size_t index, double value)
{
    if (index == kBypassIndex || index == kFreezeIndex)
    {
        return value >= 0.5 ? "On" : "Off";
    }
    if (index == kPitchSourceIndex)
    {
        return std::string(kPitchSourceNames[static_cast<std::size_t>(std::lround(
            std::clamp(value, 0.0, static_cast<double>(kPitchSourceNames.size() - 1))))]);
    }
    if (index >= sorvell::parameter_count)
    {
        return {};
    }
    const auto& row = sorvell::parameters()[index];
    switch (static_cast<parameter_id>(index))
    {
    case parameter_id::mix:
    case parameter_id::hf_damp:
    case parameter_id::lf_damp:
    case parameter_id::mod_rate:
        return percent(value);
    case parameter_id::gain:
        return signedFormat("%+.1f dB", value, 0.1);
    case parameter_id::stretch:
        return signedFormat("%+.3f", value, 0.001);
    case parameter_id::shift:
        return signedFormat("%+.2f st", value, 0.01);
    case parameter_id::decay:
        return seconds(value);
    case parameter_id::voices:
    {
        const long voices = std::lround(value);
        return std::to_string(voices) + (voices == 1 ? " voice" : " voices");
    }
    case parameter_id::unison:
    case parameter_id::pitch_mod:
        return format("%.2f st", value);
    case parameter_id::harmonics:
        return std::to_string(std::lround(value));
    case parameter_id::frequency:
        return hertz(value);
    case parameter_id::mod_type:
    {
        const long mode = std::lround(value);
        const auto names = row.value_names;
        return mode >= 0 && static_cast<std::size_t>(mode) < names.size()
                   ? std::string(names[static_cast<std::size_t>(mode)])
                   : std::string{};
    }
    }
    return {};
}

std::string controlLabel(std::size_t index)
{
    static constexpr std::array<const char*, kParameterCount> labels{
        "Mix",     "Gain",   "Stretch", "Shift",     "Decay",     "HF damp",
        "LF damp", "Voices", "Amount",  "Harmonics", "Frequency", "Mode",
        "Rate",    "Pitch",  "Bypass",  "Source",    "Freeze"};
    return index < labels.size() ? labels[index] : std::string{};
}

} // namespace quendra::plugin::ui
