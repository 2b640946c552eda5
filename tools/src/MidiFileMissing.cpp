// The renderer built without libsmf: --midi says so.
#include "MidiFile.h"

#include "ToolError.h"

namespace quendra::renderer
{

MidiTimeline readMidiFile(const std::string&, int)
{
    throw ToolError("this sorvell was built without MIDI file support (install libsmf-dev and "
                    "build again)");
}

MidiTimeline midiTimelineFromBytes(const void*, std::size_t, int, const std::string&)
{
    return readMidiFile({}, 0);
}

} // namespace quendra::renderer
