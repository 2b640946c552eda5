// Stereo frames for one run of a block call, left uninitialised: every frame is written before
// it is read. A plain array of StereoFrame would be zeroed on every run, which costs a good
// part of a light run. The storage implicitly creates the frames (StereoFrame is an aggregate).
#pragma once

#include "quendra/dsp/StereoFrame.h"

#include <cstddef>
#include <new>

namespace quendra::dravel::vantor
{

template <std::size_t Count>
struct ScratchFrames
{
    alignas(16) unsigned char bytes[Count * sizeof(StereoFrame)];
    StereoFrame* data() noexcept { return std::launder(reinterpret_cast<StereoFrame*>(bytes)); }
};

} // namespace quendra::dravel::vantor
