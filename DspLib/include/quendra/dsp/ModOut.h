// ModOut: what a partial group's modulator yields once per hop, per lane: the amplitude
// factor (multiplies the partial's level) and the pitch factor (bends its frequency as
// omega * (1 + pitch * depth)). Also the None modulator. No allocation.
#pragma once

#include "quendra/dsp/Delegate.h"
#include "quendra/dsp/simd/Vec4.h"

namespace quendra::dravel::vantor
{

struct ModOut
{
    vec4 amplitude;
    vec4 pitch;
};

// The group modulator: a one-pointer delegate, bound to a group's own modulator state.
using Modulator = Delegate<ModOut()>;

// Unit amplitude, no pitch bend.
inline ModOut noModulation() noexcept
{
    return {vec4(1.0f), vec4(0.0f)};
}

// Amplitude scale shared by Chorus and Wander: +3 dB at the top of their range.
inline constexpr float kModPeakGain = 1.4125376f;

} // namespace quendra::dravel::vantor
