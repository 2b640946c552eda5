#include "quendra/dsp/Limiter.h"

#include "quendra/dsp/FastExp2.h"

#include "simd/FourLaneKernels.h"

#include <limits>

namespace quendra::dravel::vantor
{

namespace
{

float timeCoefficient(float time, float sampleRate) noexcept
{
    float samples = time * sampleRate;
    if (samples < 1e-6f)
    {
        samples = 1e-6f;
    }
    const float exponent = -(1.0f / samples) * 1.442695f; // log2(e)
    return 1.0f - fastExp2(exponent);
}

} // namespace

void Limiter::setup(float sampleRate) noexcept
{
    mSampleRate = {sampleRate, sampleRate};
    mThreshold = {0.0f, 0.0f};
    mSlope = {1e-6f, 1e-6f};
    mAttackTime = {0.001f, 0.001f};
    mReleaseTime = {0.25f, 0.25f};
    mAttackCoefficient = coefficient(mAttackTime, mSampleRate);
    mReleaseCoefficient = coefficient(mReleaseTime, mSampleRate);
    mOutputGain = {1.0f, 1.0f};
    mSmoothedGain = vec4(0.0f);
    const auto lanes = [](StereoFrame pair)
    { return vec4(pair.left, pair.right, pair.left, pair.right); };
    mLanes = {lanes(mThreshold), lanes(mSlope), lanes(mAttackCoefficient),
              lanes(mReleaseCoefficient), lanes(mOutputGain)};
    mWidth = currentVectorWidth();
}

StereoFrame Limiter::coefficient(StereoFrame time, StereoFrame sampleRate) noexcept
{
    return {timeCoefficient(time.left, sampleRate.left),
            timeCoefficient(time.right, sampleRate.right)};
}

// Target gain change in dB (0 or negative) for the detector levels in `detector`, lanes as
// in LimiterLanes.
[[gnu::always_inline]] inline vec4 Limiter::target(vec4 detector) const noexcept
{
    if (mWidth == VectorWidth::FourLanes)
        return fourlanes::limiterTarget(detector, mLanes.threshold, mLanes.slope);
    // Through the wide kernel, the four lanes twice (the same bits): the four-lane form fuses
    // through std::fma, a library call where the build has no FMA instruction.
    alignas(64) float lanes[8];
    detector.store(lanes);
    detector.store(lanes + 4);
    kernelBackend(mWidth).limiterTargets(lanes, lanes, 8, mLanes);
    return vec4::load(lanes);
}

// One step of the one-pole smoothing towards `target`: attack when the gain has to fall.
[[gnu::always_inline]] inline vec4 Limiter::smooth(vec4 gain, vec4 target) const noexcept
{
    const vec4 k = select(gain > target, mLanes.attack, mLanes.release);
    return (vec4(1.0f) - k) * gain + k * target;
}

// signal x the linear gain of `gain` dB x the output gain.
[[gnu::always_inline]] inline vec4 Limiter::apply(vec4 gain, vec4 signal) const noexcept
{
    if (mWidth == VectorWidth::FourLanes)
        return fourlanes::limiterApply(gain, signal, mLanes.outputGain);
    // As in target().
    alignas(64) float gains[8];
    alignas(64) float samples[8];
    gain.store(gains);
    gain.store(gains + 4);
    signal.store(samples);
    signal.store(samples + 4);
    kernelBackend(mWidth).limiterGains(samples, gains, 8, mLanes);
    return vec4::load(samples);
}

StereoFrame Limiter::process(StereoFrame signal, StereoFrame detector) noexcept
{
    // Lanes 0 and 1 are the left and right channel; lanes 2 and 3 repeat them.
    const vec4 input(signal.left, signal.right, signal.left, signal.right);
    const vec4 t = target(vec4(detector.left, detector.right, detector.left, detector.right));
    // Settled and not pushed: the signal passes unchanged, as in a run (see below).
    if (!any((t != vec4(0.0f)) | (mSmoothedGain != vec4(0.0f))) &&
        all(mLanes.outputGain == vec4(1.0f)))
        return signal;
    mSmoothedGain = smooth(mSmoothedGain, t);
    alignas(16) float out[4];
    apply(mSmoothedGain, input).store(out);
    return {out[0], out[1]};
}

void Limiter::process(StereoFrame* frames, std::size_t count) noexcept
{
    // Two frames per vector (left, right, left, right): the lanes line up with LimiterLanes.
    static_assert(sizeof(StereoFrame) == 2 * sizeof(float));
    if (count == 0)
        return;
    float* samples = &frames[0].left;
    alignas(64) float targets[2 * kMaxRun + 4];
    alignas(64) float gains[2 * kMaxRun + 4];
    const std::size_t pairs = count / 2 * 2;
    vec4 overshoot(0.0f); // lanes with some target below 0 dB
    std::size_t i = 0;
    const KernelBackend& kernels = kernelBackend(mWidth);
    if (mWidth != VectorWidth::FourLanes)
    {
        // Whole packs of eight samples (four frames) through the wide kernels.
        i = count / 4 * 4;
        if (kernels.limiterTargets(samples, targets, 2 * i, mLanes))
            overshoot = vec4(0.0f) == vec4(0.0f); // every lane
    }
    for (; i < pairs; i += 2)
    {
        const vec4 t = target(vec4::load(samples + 2 * i));
        overshoot = overshoot | (t != vec4(0.0f));
        t.store(targets + 2 * i);
    }
    if (pairs < count)
    {
        const vec4 t = target(vec4::loadPair(samples + 2 * pairs));
        overshoot = overshoot | (t != vec4(0.0f));
        t.store(targets + 2 * pairs);
    }

    // A settled limiter (gain exactly 0 dB) that nothing pushes stays exactly where it is, and
    // a gain of 0 dB is a linear factor of exactly 1: the run passes through unchanged.
    if (!any(overshoot | (mSmoothedGain != vec4(0.0f))) && all(mLanes.outputGain == vec4(1.0f)))
        return;

    // The only serial part: each frame's gain starts from the one before. Both candidate
    // steps are formed before the comparison picks one, which keeps the chain from one gain
    // to the next short; (1 - k) is the same value whether formed here or in smooth().
    const vec4 keepAttack = vec4(1.0f) - mLanes.attack;
    const vec4 keepRelease = vec4(1.0f) - mLanes.release;
    vec4 gain = mSmoothedGain;
    for (std::size_t i = 0; i < count; ++i)
    {
        const vec4 t = vec4::loadPair(targets + 2 * i);
        const vec4 falling = keepAttack * gain + mLanes.attack * t;
        const vec4 rising = keepRelease * gain + mLanes.release * t;
        gain = select(gain > t, falling, rising);
        gain.storePair(gains + 2 * i);
    }
    mSmoothedGain = gain;

    i = 0;
    if (mWidth != VectorWidth::FourLanes)
    {
        i = count / 4 * 4;
        kernels.limiterGains(samples, gains, 2 * i, mLanes);
    }
    for (; i < pairs; i += 2)
        apply(vec4::load(gains + 2 * i), vec4::load(samples + 2 * i)).store(samples + 2 * i);
    if (pairs < count)
        apply(vec4::loadPair(gains + 2 * pairs), vec4::loadPair(samples + 2 * pairs))
            .storePair(samples + 2 * pairs);
}

void Limiter::resetGains() noexcept
{
    mSmoothedGain = vec4(0.0f);
}

void Limiter::flushSubnormalGains() noexcept
{
    const vec4 subnormal = abs(mSmoothedGain) < vec4(std::numeric_limits<float>::min());
    mSmoothedGain = select(subnormal, vec4(0.0f), mSmoothedGain);
}

StereoFrame Limiter::smoothedGain() const noexcept
{
    alignas(16) float gains[4];
    mSmoothedGain.store(gains);
    return {gains[0], gains[1]};
}

} // namespace quendra::dravel::vantor
