// How the window writes parameter values: each in its unit (Hz with the nearest note,
// semitones, seconds, dB, %), enumerations by name. Plain text, no drawing.
#pragma once

#include <cstddef>
#include <string>

namespace quendra::plugin::ui
{

// The nearest 12-tone equal-tempered note (A4 = 440 Hz), e.g. "A4", "C#2"; and the distance
// to it in cents, rounded.
struct NoteName
{
    std::string name;
    int cents = 0;
};
NoteName nearestNote(double hz);

// Index: the plugin's parameter index (the shared table, then bypass and pitch source).
std::string valueText(std::size_t index, double value);

// The short name on a control, e.g. "Frequency", "HF damp".
std::string controlLabel(std::size_t index);

} // namespace quendra::plugin::ui
