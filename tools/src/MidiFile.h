// Standard MIDI Files (formats 0 and 1, any tempo map or SMPTE time) read into the channel
// messages that drive chords: notes, controllers and pitch bend, timed in seconds from the
// file's start; `channel` 1 to 16 keeps that channel only, 0 keeps all. A file that cannot be
// read is a ToolError with one line saying why.
#pragma once

#include "TimedMidi.h"

#include <cstddef>
#include <string>

namespace quendra::renderer
{

MidiTimeline readMidiFile(const std::string& path, int channel);
// The same from bytes in memory; `name` names them in messages.
MidiTimeline midiTimelineFromBytes(const void* data, std::size_t size, int channel,
                                   const std::string& name);

} // namespace quendra::renderer
