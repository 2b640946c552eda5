#include "quendra/dsp/DryDelay.h"

#include <algorithm>

namespace quendra::dravel::vantor
{

void DryDelay::prepare(std::size_t length)
{
    mFrames.assign(length, StereoFrame{});
    mWriteIndex = 0;
}

void DryDelay::reset() noexcept
{
    std::fill(mFrames.begin(), mFrames.end(), StereoFrame{});
    mWriteIndex = 0;
}

} // namespace quendra::dravel::vantor
