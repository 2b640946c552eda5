// What the plugin declares, as every format must show it: parameter symbols in their order
// (state and automation are keyed by them, so they never change) and enumeration names.
#pragma once

#include <string>
#include <vector>

namespace sorvell::conformance
{

inline const std::vector<std::string>& declaredSymbols()
{
    static const std::vector<std::string> symbols{
        "mix",      "gain",      "stretch", "shift",        "decay",     "hf_damp",
        "lf_damp",  "voices",    "unison",  "harmonics",    "frequency", "mod_type",
        "mod_rate", "pitch_mod", "bypass",  "pitch_source", "freeze"};
    return symbols;
}

// The values the plugin reports (outputs), in their order.
inline const std::vector<std::string>& declaredMeters()
{
    static const std::vector<std::string> symbols{"gain_reduction"};
    return symbols;
}

inline const std::vector<std::string>& modulationNames()
{
    static const std::vector<std::string> names{"None", "Chorus", "Wandering", "Granular"};
    return names;
}

inline const std::vector<std::string>& pitchSourceNames()
{
    static const std::vector<std::string> names{"Frequency", "MIDI", "Chord"};
    return names;
}

// The latency every format reports, in samples, at every rate.
constexpr unsigned kDeclaredLatency = 1536;

} // namespace sorvell::conformance
