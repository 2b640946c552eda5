// The time-domain half of the short-time Fourier transform: the input ring that holds the
// latest frame of (scaled) input, the output ring that overlap-add fills and the engine
// drains one frame per sample, the analysis window, and the analysis and synthesis routines
// between the rings and a pair of time buffers. Frames are stored rotated by half their
// length, so the window's centre sits at time index 0 of the transform.
// prepare() allocates the rings; every other call allocates nothing.
#pragma once

#include "quendra/dsp/Delegate.h"
#include "quendra/dsp/FrameGeometry.h"
#include "quendra/dsp/StereoFrame.h"
#include "quendra/dsp/transform/Window.h"

#include <boost/circular_buffer.hpp>

#include <array>
#include <cstddef>
#include <cstdint>

namespace quendra::dravel::vantor
{

// Left and right time buffers of kFftSize floats each, shared by the transforms of one hop.
struct TimeBuffers
{
    float* left = nullptr;
    float* right = nullptr;
};

// How the block windows frames: 0 = analysis window only, normalised by its sum.
enum class StftWindowing : std::int32_t
{
    AnalysisOnlyNormalisedBySum = 0,
};

// How frames sit in the time buffers: 1 = rotated by half the frame length.
enum class StftFrameOrder : std::int32_t
{
    Rotated = 1,
};

struct StftMode
{
    StftWindowing windowing = StftWindowing::AnalysisOnlyNormalisedBySum;
    StftFrameOrder frameOrder = StftFrameOrder::Rotated;
};

class StftBlock
{
public:
    using Routine = Delegate<void(TimeBuffers)>;

    // Rings of capacity fftSize filled with zero frames, routines chosen from the mode,
    // window computed. Only kFftSize-long frames are supported.
    void prepare(const WindowConfiguration& configuration, StftMode mode);

    // Empties both rings and refills them with zero frames up to their reset sizes.
    void reset() noexcept;

    // Appends a frame of input; the ring is full, so its oldest frame drops out.
    void pushInput(StereoFrame frame) noexcept { mInputRing.push_back(frame); }

    // Takes the next output frame off the front of the output ring.
    StereoFrame popOutput() noexcept
    {
        const StereoFrame frame = mOutputRing.front();
        mOutputRing.pop_front();
        return frame;
    }

    // The same for `count` frames at once: appends frames[0..count) in order to the input
    // ring, and takes the next `count` output frames into out[0..count). count <= kFftSize.
    void pushInput(const StereoFrame* frames, std::size_t count) noexcept;
    void popOutput(StereoFrame* out, std::size_t count) noexcept;

    // Appends `frames` zero frames to the output ring; when it has less room, its oldest
    // frames drop out so that it ends full.
    void appendSilence(std::size_t frames) noexcept;

    // Overlap-adds the time buffers into the output ring (no synthesis window).
    void synthesise(TimeBuffers buffers) const noexcept { mSynthesis(buffers); }
    // Writes the windowed input ring into the time buffers.
    void analyse(TimeBuffers buffers) const noexcept { mAnalysis(buffers); }

    const std::array<float, kFftSize>& window() const noexcept { return mWindow; }
    std::size_t inputSize() const noexcept { return mInputRing.size(); }
    std::size_t outputSize() const noexcept { return mOutputRing.size(); }

private:
    void analyseRotatedWindowed(TimeBuffers buffers) noexcept;
    void synthesiseRotated(TimeBuffers buffers) noexcept;

    WindowConfiguration mConfiguration{};
    alignas(16) std::array<float, kFftSize> mWindow{};
    boost::circular_buffer<StereoFrame> mInputRing;
    std::size_t mInputResetSize = 0;
    boost::circular_buffer<StereoFrame> mOutputRing;
    std::size_t mOutputResetSize = 0;
    Routine mAnalysis;
    Routine mSynthesis;
};

} // namespace quendra::dravel::vantor
