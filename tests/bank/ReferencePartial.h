// A plain scalar formulation of one partial, written straight from the design and kept
// apart from the four-lane code: the reference that the SIMD groups are compared against.
// Group-wide decisions (listen, any lane active, any lane audible) are made by the caller
// over the four reference partials of a group.
#pragma once

#include "quendra/dsp/FastExp2.h"
#include "quendra/dsp/KernelTable.h"
#include "quendra/dsp/Spectrum.h"

#include <bit>
#include <cmath>
#include <cstdint>

namespace reference
{

using quendra::dravel::vantor::Complex;
using quendra::dravel::vantor::KernelTable;

inline constexpr float kPi = 3.1415927f;
inline constexpr float kTwoPi = 6.2831855f;

inline float floorOf(float y)
{
    if (!(std::fabs(y) < 8388608.0f))
        return y;
    const float t = static_cast<float>(static_cast<std::int32_t>(y));
    return t > y ? t - 1.0f : t;
}

inline float ceilOf(float y)
{
    if (!(std::fabs(y) < 8388608.0f))
        return y;
    const float t = static_cast<float>(static_cast<std::int32_t>(y));
    return t < y ? t + 1.0f : t;
}

inline float sinp(float x)
{
    const float x2 = x * x;
    return x * (0.99999833f + x2 * (-0.16664949f + x2 * (0.008304825f + x2 * -0.00018284567f)));
}

// The fastExp2 quartic with separate multiplies and adds.
inline float exp2Unfused(float x)
{
    float t = x + 127.0f;
    t = t < 0.0f ? 0.0f : (t > 255.0f ? 255.0f : t);
    const auto i = static_cast<std::uint32_t>(t);
    const float f = t - static_cast<float>(i);
    return (1.0f + f * (0.6930501f + f * (0.24128748f + f * (0.0521745f + f * 0.013487903f)))) *
           std::bit_cast<float>(i << 23);
}

inline float clamp01(float x)
{
    return x < 0.0f ? 0.0f : (x > 1.0f ? 1.0f : x);
}

inline float triangle(float z)
{
    return 1.0f - std::fabs(2.0f - std::fabs(4.0f * z - 3.0f));
}

struct Partial
{
    // Layout and tuning.
    float harmonic = 0.0f;
    float unison = 0.0f;
    float limit = 256.0f;
    float omega = 1.0f;
    float minOmega = 0.0f;
    float maxOmega = 0.0f;
    float retention = 0.0f;
    float depth = 0.0f;
    // Running state.
    float modOmega = 1.0f;
    float level = 0.0f;
    float phase = 0.0f;
    float re = 1.0f;
    float im = 0.0f;
    // Chorus.
    bool chorus = false;
    float lfoPhase = 0.0f;
    float lfoIncrement = 0.0f;

    void tune(float hopRate, float fundamentalHz, float stretch, float spread, int side,
              float chorusRate)
    {
        const float omega0 = 2.0f * fundamentalHz * kPi / hopRate;
        const float sign = side == 0 ? -1.0f : 1.0f;
        const float ratio = (1.0f + (1.0f + stretch) * harmonic) * (1.0f + sign * spread * unison);
        omega = ratio * omega0;
        modOmega = omega;
        minOmega = 125.66371f / hopRate;
        maxOmega = 125663.71f / hopRate;
        const float hz = omega * hopRate / kTwoPi;
        const float rho = hz / 30.0f * chorusRate;
        const float capped = rho < hopRate * 0.5f ? rho : hopRate * 0.5f;
        lfoIncrement = (rho > 0.0f ? capped : 0.01f) / hopRate;
    }

    void computeRetention(float hopRate, float decay, float hf, float lf)
    {
        const float g =
            quendra::dravel::vantor::fastExp2(-6.9077554f / (hopRate * decay) * 1.442695f);
        const float x = harmonic / 255.0f < 1.0f ? harmonic / 255.0f : 1.0f;
        float tilt;
        if (hf <= 0.5f)
            tilt = 1.0f - 2.0f * hf * x;
        else
        {
            const float k = 10.0f * (2.0f * hf - 1.0f);
            tilt = std::fabs(k) > 0.001f ? (exp2Unfused(1.442695f * (k * (1.0f - x))) - 1.0f) /
                                               (exp2Unfused(1.442695f * k) - 1.0f)
                                         : 1.0f - x;
        }
        const float low = clamp01(1.0f + 0.02f * harmonic - 0.2f * lf);
        retention = clamp01(tilt) * low * g;
    }

    bool belowLimit() const { return harmonic < limit; }
    bool inBand() const { return minOmega <= omega && omega <= maxOmega; }
    bool active() const { return belowLimit() && inBand(); }

    float excitation(const Complex* in, float shiftRatio) const
    {
        const float p = omega * 0.31830987f * shiftRatio;
        if (p < 0.0f || p > 511.0f)
            return 0.0f;
        const auto k = static_cast<int>(p);
        const float a = p - static_cast<float>(k);
        const float m0 =
            k == 0 ? std::hypot(in[0].re * 0.5f, in[0].im * 0.5f) : std::hypot(in[k].re, in[k].im);
        const float m1 = std::hypot(in[k + 1].re, in[k + 1].im);
        return m1 * a + m0 * (1.0f - a);
    }

    // (amplitude factor, pitch factor) for this hop.
    void modulate(float& amplitude, float& pitch)
    {
        if (!chorus)
        {
            amplitude = 1.0f;
            pitch = 0.0f;
            return;
        }
        pitch = triangle(lfoPhase);
        const float ahead = lfoPhase + 0.25f;
        amplitude = (triangle(ahead - floorOf(ahead)) * 0.5f + 0.5f) * 1.4125376f;
        const float next = lfoPhase + lfoIncrement;
        lfoPhase = next >= 1.0f ? next - 1.0f : next;
    }

    void follow(float excitationValue)
    {
        if (!active())
            level = 0.0f;
        else if (excitationValue < level)
            level = (1.0f - retention) * excitationValue + retention * level;
        else
            level = excitationValue;
    }

    void oscillate(float amplitude)
    {
        re = amplitude * sinp(1.5707964f - std::fabs(phase));
        im = amplitude * sinp(1.5707964f - std::fabs(kPi - std::fabs(phase + 1.5707964f)));
        const float y = (phase + modOmega) / kTwoPi + 0.5f;
        phase = (y - floorOf(y) - 0.5f) * kTwoPi;
    }

    void synthesise(Complex* out, const KernelTable& kernel) const
    {
        const float x = modOmega * 1024.0f / (kTwoPi * 512.0f);
        // Far above bin 512 (every tap skipped) or far below 0 (folding past 512): nothing.
        if (!(x > -508.0f && x <= 516.0f))
            return;
        const float c = ceilOf(x);
        const float q = 4.0f * (c - x);
        const float t = floorOf(q);
        const float f = q - t;
        const auto first = static_cast<int>(c) - 4;
        const auto tap = static_cast<std::size_t>(t);
        for (int j = 0; j < 8; ++j)
        {
            const int k = first + j;
            const auto j4 = static_cast<std::size_t>(4 * j);
            const float w = (1.0f - f) * kernel[tap + j4] + f * kernel[tap + j4 + 1];
            if (k >= 513)
                continue;
            if (k >= 1)
            {
                out[k].re += re * w;
                out[k].im += im * w;
            }
            else if (k == 0)
                out[0].re += 2.0f * re * w;
            else
            {
                out[-k].re += re * w;
                out[-k].im += -(im * w);
            }
        }
    }
};

} // namespace reference
