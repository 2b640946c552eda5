// Numbers with musical units, as the command line takes them: "110hz", "2.5khz", "500ms", "2s",
// "-3db", "50%", "+7st". Units are case-blind; a plain number means the quantity's own unit
// (hertz, seconds, decibels, semitones, or the fraction itself). A unit of another quantity
// ("110hz" for a time) is refused with a reason the user can act on. Pure; the readings
// allocate only for their problem text.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quendra::renderer
{

enum class Quantity
{
    Plain,     // a bare number: counts, indices, seeds
    Frequency, // hertz; also note names and MIDI note numbers ("A2", "45m")
    Time,      // seconds
    Level,     // decibels
    Interval,  // semitones
    Fraction   // a share: 0.5 or 50%
};

struct QuantityReading
{
    std::optional<double> value;
    std::string problem; // why there is no value, for "bad value ... (problem)"
};

QuantityReading readQuantity(std::string_view text, Quantity quantity);

// The quantity of a parameter from its unit in the parameter table ("Hz", "s", "dB", "st");
// a parameter without one is a fraction when `fractional` (its range lies within -1..1),
// else a plain number.
Quantity quantityOfUnit(std::string_view unit, bool fractional);

// How --list and messages name a quantity's units: "Hz (or kHz, a note name, a MIDI note)".
std::string unitsText(Quantity quantity);

} // namespace quendra::renderer
