// Fixed delay line for the dry stereo signal, so that dry and wet stay sample-aligned.
// prepare() allocates the line; process() and reset() allocate nothing.
#pragma once

#include "quendra/dsp/StereoFrame.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace quendra::dravel::vantor
{

class DryDelay
{
public:
    // A line of `length` zero frames, write index 0.
    void prepare(std::size_t length);

    // Returns the frame stored `length` calls ago (zero at first) and stores `input`.
    StereoFrame process(StereoFrame input) noexcept
    {
        const StereoFrame delayed = mFrames[mWriteIndex];
        mFrames[mWriteIndex] = input;
        if (++mWriteIndex == mFrames.size())
        {
            mWriteIndex = 0;
        }
        return delayed;
    }

    // The same for `count` frames: out[i] is what process(input[i]) would return, in turn.
    // input and out must not overlap.
    void process(const StereoFrame* input, StereoFrame* out, std::size_t count) noexcept;

    // All zeros, write index 0.
    void reset() noexcept;

    std::size_t length() const noexcept { return mFrames.size(); }

private:
    std::uint64_t mWriteIndex = 0;
    std::vector<StereoFrame> mFrames;
};

} // namespace quendra::dravel::vantor
