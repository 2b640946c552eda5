// The --notes option: chords over time, "SECONDS:NOTE+NOTE... SECONDS:- ...", points apart by
// spaces or commas in increasing time, each note a name or a MIDI number as --frequency takes
// them ("A2", "C#3", "45m"), "-" for no note. A note in two chords in a row keeps sounding.
// Throws ToolError (usage) naming what is wrong.
#pragma once

#include "TimedMidi.h"

#include <string_view>

namespace quendra::renderer
{

MidiTimeline parseChordList(std::string_view text);

} // namespace quendra::renderer
