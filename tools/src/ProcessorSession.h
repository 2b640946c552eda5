// The render path for what the host object does not offer (freeze, chords): the plugins' signal
// path, the same engine behind the same parameter binding, set up with every value the object
// took from the command line (HostSession checked them) and fed the changes over time. With
// chords it takes the chord pitch source, the tuning, and MIDI messages on the frames their
// times fall on, counted from the first input frame. Construction allocates; process()
// allocates nothing.
#pragma once

#include "AttributeTrack.h"
#include "HostSession.h"
#include "SorvellProcessor.h"
#include "TimedMidi.h"

#include <quendra/dsp/ScalaTuning.h>

#include <cstdint>
#include <optional>
#include <vector>

namespace quendra::renderer
{

// What a chord render adds: the notes' tuning and the messages that play them.
struct ChordPlaying
{
    dravel::vantor::ScalaTuning tuning;
    MidiTimeline timeline;
};

class ProcessorSession
{
public:
    // Every attribute at the value `values` holds now.
    ProcessorSession(HostSession& values, double sampleRate, long blockSize,
                     std::optional<std::uint32_t> seed, std::optional<ChordPlaying> chords = {});

    // An attribute's track, or the freeze track (see FreezeTrack.h): it ramps to the value.
    void set(const AttributeTrack& track, double value) noexcept;
    // Two inputs, two outputs, at most the block size.
    bool process(const double* const* inputs, double* const* outputs, long frames) noexcept;

private:
    void run(long from, long count, const double* const* inputs, double* const* outputs) noexcept;

    plugin::SorvellProcessor mProcessor;
    MidiTimeline mTimeline;
    std::vector<std::uint64_t> mFrames; // the frame of each message
    std::size_t mNext = 0;
    std::uint64_t mPosition = 0;
    std::vector<float> mLeft, mRight;
};

} // namespace quendra::renderer
