// The fourteen attributes of quendra.device.sorvell~ as every front must show them, in
// registration order: the one table the tests check metadata, presets and ranges against.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace sorvell_test
{

struct ExpectedAttribute
{
    const char* name = "";
    const char* type = ""; // "float64" (smoothed) or "long" (queued)
    const char* label = "";
    double defaultValue = 0.0;
    double minimum = 0.0;
    double maximum = 0.0;
    bool modulationCategory = false;

    constexpr bool integer() const { return std::string_view(type) == "long"; }
};

inline constexpr ExpectedAttribute kAttributes[] = {
    {"mix", "float64", "Dry/wet", 1.0, 0.0, 1.0, false},
    {"gain", "float64", "Post gain", 0.0, -24.0, 24.0, false},
    {"stretch", "float64", "Partial stretch", 0.0, -1.0, 1.0, false},
    {"shift", "float64", "Pitch shift", 0.0, -48.0, 48.0, false},
    {"decay", "float64", "Decay time", 0.222, 0.001, 20.0, false},
    {"hf_damp", "float64", "High frequency damping", 0.0, 0.0, 1.0, false},
    {"lf_damp", "float64", "Low frequency damping", 0.0, 0.0, 1.0, false},
    {"voices", "long", "Unison voices", 1, 1, 8, false},
    {"unison", "float64", "Unison amount", 0.0, 0.0, 1.0, false},
    {"harmonics", "long", "Harmonics", 256, 1, 256, false},
    {"frequency", "float64", "Frequency", 440.0, 20.0, 20000.0, false},
    {"mod_type", "long", "Modulation mode", 0, 0, 3, true},
    {"mod_rate", "float64", "Modulation rate", 0.1, 0.0, 1.0, true},
    {"pitch_mod", "float64", "Pitch modulation", 0.0, 0.0, 4.0, true},
};

// The smoothed (ramped) ones, in the same order.
inline constexpr auto kSmoothedAttributes = []
{
    std::array<ExpectedAttribute, 11> smoothed{};
    std::size_t n = 0;
    for (const ExpectedAttribute& attribute : kAttributes)
    {
        if (!attribute.integer())
        {
            smoothed[n++] = attribute;
        }
    }
    return smoothed;
}();

} // namespace sorvell_test
