// A render driven by chords: the plugins' signal path (the same engine and parameter binding as
// the resonator object, with the chord pitch source, which the object does not have) takes the
// values the object settled on, the tuning, and MIDI messages on the frames their times fall
// on, counted from the first input frame. Construction allocates; process() does not.
#pragma once

#include "AttributeTrack.h"
#include "HostSession.h"
#include "TimedMidi.h"

#include <SorvellProcessor.h>
#include <quendra/dsp/ScalaTuning.h>

#include <cstdint>
#include <optional>
#include <vector>

namespace quendra::renderer
{

class ChordSession
{
public:
    // Every attribute at the value `values` holds now.
    ChordSession(HostSession& values, double sampleRate, long blockSize,
                 std::optional<std::uint32_t> seed, const dravel::vantor::ScalaTuning& tuning,
                 MidiTimeline timeline);

    // As HostSession::set(): the attribute ramps to the value.
    void set(const AttributeTrack& track, double value);
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
