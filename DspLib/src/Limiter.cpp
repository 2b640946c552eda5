#include "quendra/dsp/Limiter.h"

#include "quendra/dsp/FastExp2.h"

#include <bit>
#include <cmath>
#include <cstdint>

namespace quendra::dravel::vantor
{

namespace
{

// log2 from the float's bits: exponent e plus a rational fit of log2(1 + u) for the
// mantissa 1 + u in [1, 2). Works on the bit pattern, so inf and NaN give finite values.
float log2Approx(float x) noexcept
{
    const auto bits = std::bit_cast<std::uint32_t>(x);
    const auto exponent = static_cast<float>(static_cast<int>((bits >> 23) & 0xffu) - 127);
    const float mantissa = std::bit_cast<float>((bits & 0x007fffffu) | 0x3f800000u);
    const float u = mantissa - 1.0f;
    float p = std::fma(u, -0.038423624f, 0.3883265f);
    p = std::fma(p, u, 2.1196218f);
    return exponent + u * p / (u + 1.4695246f);
}

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

struct ChannelSettings
{
    float threshold;
    float slope;
    float attack;
    float release;
    float outputGain;
};

float limitChannel(float signal, float detector, const ChannelSettings& settings,
                   float& smoothedGain) noexcept
{
    float level = std::fabs(detector);
    if (level < 1e-6f) // -120 dB floor: silence does not drive the log to -inf
    {
        level = 1e-6f;
    }
    const float levelDb = log2Approx(level) * 0.30103f * 20.0f;
    const float overshoot = levelDb - settings.threshold;
    const float target = (settings.slope - 1.0f) * (overshoot > 0.0f ? overshoot : 0.0f);

    const float k = smoothedGain > target ? settings.attack : settings.release;
    smoothedGain = (1.0f - k) * smoothedGain + k * target;

    const float gain = fastExp2(smoothedGain * 0.05f * 3.321928f); // dB / 20 x log2(10)
    return gain * settings.outputGain * signal;
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
    mSmoothedGain = {0.0f, 0.0f};
}

StereoFrame Limiter::coefficient(StereoFrame time, StereoFrame sampleRate) noexcept
{
    return {timeCoefficient(time.left, sampleRate.left),
            timeCoefficient(time.right, sampleRate.right)};
}

StereoFrame Limiter::process(StereoFrame signal, StereoFrame detector) noexcept
{
    const ChannelSettings left{mThreshold.left, mSlope.left, mAttackCoefficient.left,
                               mReleaseCoefficient.left, mOutputGain.left};
    const ChannelSettings right{mThreshold.right, mSlope.right, mAttackCoefficient.right,
                                mReleaseCoefficient.right, mOutputGain.right};
    return {limitChannel(signal.left, detector.left, left, mSmoothedGain.left),
            limitChannel(signal.right, detector.right, right, mSmoothedGain.right)};
}

void Limiter::resetGains() noexcept
{
    mSmoothedGain = {0.0f, 0.0f};
}

} // namespace quendra::dravel::vantor
