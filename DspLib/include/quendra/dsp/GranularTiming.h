// GranularTiming: the intervals of the Granular modulator for one mod rate, the same for every
// group of a bank. Per lane a countdown fires a grain at random intervals (between the long
// and the short one); a grain sets the envelope to kGrainPeak (+6 dB), which then falls by the
// partial's own retention per hop. Amplitude and pitch follow the envelope. The countdowns and
// envelopes live in the bank's arrays (PartialGroupState.h). Units: hops. No allocation.
#pragma once

#include "quendra/dsp/simd/Vec4.h"

namespace quendra::dravel::vantor
{

#include "quendra/dsp/simd/GrainMath.inl"

inline constexpr float kGrainPeak = 2.0f;

struct GranularTiming
{
    vec4 longInterval;
    vec4 shortInterval;

    // The intervals at hop rate hopRate (Hz) for mod rate `rate` (0..1).
    static GranularTiming forRate(vec4 hopRate, float rate) noexcept;
};

} // namespace quendra::dravel::vantor
