// The smoothed attributes of quendra.device.sorvell~ with their ranges, for tests that
// drive every ramped parameter through the host.
#pragma once

namespace hardening
{

struct Ramped
{
    const char* name;
    double lo;
    double hi;
};

inline constexpr Ramped kRamped[] = {
    {"mix", 0.0, 1.0},      {"gain", -24.0, 24.0},  {"stretch", -1.0, 1.0},
    {"shift", -48.0, 48.0}, {"decay", 0.001, 20.0}, {"hf_damp", 0.0, 1.0},
    {"lf_damp", 0.0, 1.0},  {"unison", 0.0, 1.0},   {"frequency", 20.0, 20000.0},
    {"mod_rate", 0.0, 1.0}, {"pitch_mod", 0.0, 4.0}};

} // namespace hardening
