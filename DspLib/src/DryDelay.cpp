#include "quendra/dsp/DryDelay.h"

#include <algorithm>

namespace quendra::dravel::vantor
{

void DryDelay::prepare(std::size_t length)
{
    mFrames.assign(length, StereoFrame{});
    mWriteIndex = 0;
}

void DryDelay::process(const StereoFrame* input, StereoFrame* out, std::size_t count) noexcept
{
    // In at most two stretches, split where the line wraps.
    std::size_t done = 0;
    while (done < count)
    {
        const auto stretch = static_cast<std::size_t>(
            std::min<std::uint64_t>(count - done, mFrames.size() - mWriteIndex));
        StereoFrame* line = mFrames.data() + mWriteIndex;
        std::copy_n(line, stretch, out + done);
        std::copy_n(input + done, stretch, line);
        done += stretch;
        mWriteIndex += stretch;
        if (mWriteIndex == mFrames.size())
            mWriteIndex = 0;
    }
}

void DryDelay::reset() noexcept
{
    std::fill(mFrames.begin(), mFrames.end(), StereoFrame{});
    mWriteIndex = 0;
}

} // namespace quendra::dravel::vantor
