// A MIDI channel message at a time in seconds from the start of the input: what drives the
// chords of a render, whether they come from --notes or from a MIDI file.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace quendra::renderer
{

struct TimedMidi
{
    double seconds = 0.0;
    std::array<std::uint8_t, 3> bytes{};
    std::uint8_t size = 3;
};

using MidiTimeline = std::vector<TimedMidi>; // in time order

} // namespace quendra::renderer
