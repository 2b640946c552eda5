// Musical pitch as text: a note name with octave ("A4", "C#3", "Bb2", "e-1") or a MIDI note
// number with the suffix m ("45m", "60.5m"), turned into hertz in equal temperament with A4
// (MIDI 69) at 440 Hz. Pure; allocates nothing.
#pragma once

#include <optional>
#include <string_view>

namespace quendra::renderer
{

std::optional<double> parseNoteFrequency(std::string_view text);

} // namespace quendra::renderer
