// Stereo peak limiter for the wet signal: holds each channel near 0 dBFS with a 1 ms attack
// and a 250 ms release, unlinked (each channel has its own gain). Works in dB with fast
// polynomial log2/exp2 approximations. Levels are linear amplitude, gains in dB, times in
// seconds. Every field is a (left, right) pair. Allocates nothing.
#pragma once

#include "quendra/dsp/StereoFrame.h"
#include "quendra/dsp/simd/Vec4.h"
#include "quendra/dsp/simd/WideVectors.h"

#include <cstddef>

namespace quendra::dravel::vantor
{

// A limiter's settings as (left, right, left, right) lanes, so that it limits both channels in
// one pass without branches.
struct LimiterLanes
{
    vec4 threshold;
    vec4 slope;
    vec4 attack;
    vec4 release;
    vec4 outputGain;
};

class Limiter
{
public:
    // Fixed settings: threshold 0 dB, slope 1e-6 (practically infinite ratio), attack 1 ms,
    // release 250 ms, output gain 1; smoothed gains 0 dB; coefficients for this rate.
    void setup(float sampleRate) noexcept;

    // Limits `signal` by the level of `detector` (the engine passes the same frame twice).
    StereoFrame process(StereoFrame signal, StereoFrame detector) noexcept;

    // The same for a run of frames, each limited by its own level, in place: the same bits
    // as calling process(frame, frame) on each in turn. The levels and the linear gains are
    // worked out four lanes at a time around the serial gain recursion.
    static constexpr std::size_t kMaxRun = 64;
    void process(StereoFrame* frames, std::size_t count) noexcept; // count <= kMaxRun

    // Returns the smoothed gains to 0 dB; settings and coefficients are kept.
    void resetGains() noexcept;

    // Zeroes smoothed gains that a finished release has left below the smallest normal float.
    // There they stop moving (each step rounds back to the same subnormal) and make every
    // sample slow; they already count as exactly 0 dB, so the output does not change.
    void flushSubnormalGains() noexcept;

    // One-pole coefficient 1 - e^(-1 / (time x rate)) per channel, via the fast exp2.
    static StereoFrame coefficient(StereoFrame time, StereoFrame sampleRate) noexcept;

    StereoFrame attackCoefficient() const noexcept { return mAttackCoefficient; }
    StereoFrame releaseCoefficient() const noexcept { return mReleaseCoefficient; }
    StereoFrame smoothedGain() const noexcept; // dB, 0 or negative

private:
    vec4 target(vec4 detector) const noexcept;
    vec4 smooth(vec4 gain, vec4 target) const noexcept;
    vec4 apply(vec4 gain, vec4 signal) const noexcept;

    StereoFrame mSampleRate{48000.0f, 48000.0f};
    StereoFrame mThreshold{0.0f, 0.0f};
    StereoFrame mSlope{1e-6f, 1e-6f};
    StereoFrame mAttackTime{0.001f, 0.001f};
    StereoFrame mReleaseTime{0.25f, 0.25f};
    StereoFrame mAttackCoefficient{};
    StereoFrame mReleaseCoefficient{};
    StereoFrame mOutputGain{1.0f, 1.0f};

    LimiterLanes mLanes;                         // the settings above, written by setup() only
    vec4 mSmoothedGain{0.0f};                    // the state, lanes as above
    VectorWidth mWidth = VectorWidth::FourLanes; // of target() and apply(), chosen by setup()
};

} // namespace quendra::dravel::vantor
