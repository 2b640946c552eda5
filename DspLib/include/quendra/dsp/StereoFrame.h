// One stereo sample: left then right, linear amplitude. The engine takes and returns one
// per call; its rings and its dry delay store them. Also used for per-channel pairs of
// settings (the limiter's fields). Plain value type.
#pragma once

namespace quendra::dravel::vantor
{

struct StereoFrame
{
    float left = 0.0f;
    float right = 0.0f;

    friend bool operator==(const StereoFrame&, const StereoFrame&) = default;
};

} // namespace quendra::dravel::vantor
