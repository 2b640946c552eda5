// The parameter surface of the resonator, shared by every front end (the external's attributes,
// the plugins' parameters, the renderer): one row per parameter in creation order, with its
// texts, range, default, unit and hints, and the one conversion that hands a value to the
// engine. Static data, no allocation; apply() is real-time safe.
#pragma once

#include <quendra/dsp/Vantor.h>

#include <cstddef>
#include <optional>
#include <span>
#include <string_view>

namespace quendra::sorvell
{

// How a new value reaches the engine: through a per-sample ramp, or at the next block start.
enum class parameter_kind
{
    smoothed,
    queued_integer,
    queued_enumeration
};

// Row indices, in creation order (`mix` first).
enum class parameter_id : std::size_t
{
    mix,
    gain,
    stretch,
    shift,
    decay,
    hf_damp,
    lf_damp,
    voices,
    unison,
    harmonics,
    frequency,
    mod_type,
    mod_rate,
    pitch_mod
};

struct parameter_info
{
    std::string_view name; // attribute name, also the plugins' parameter symbol
    std::string_view label;
    std::string_view description;
    std::string_view category; // empty when none
    std::string_view unit;     // empty when none
    double minimum;
    double maximum;
    double default_value;
    parameter_kind kind;
    bool logarithmic;
    std::span<const std::string_view> value_names; // enumerations only, in value order
};

inline constexpr std::size_t parameter_count = 14;

std::span<const parameter_info, parameter_count> parameters();

inline const parameter_info& parameter(parameter_id id)
{
    return parameters()[static_cast<std::size_t>(id)];
}

std::optional<std::size_t> parameter_index(std::string_view name);

// Hands `value` of parameter `index` to the engine, as the external always has: floats for the
// smoothed ones (gain converted from dB with the engine's fastExp2), integers for the queued
// ones. The value is taken as already clamped.
void apply(dravel::vantor::Vantor& engine, std::size_t index, double value) noexcept;

} // namespace quendra::sorvell
