// The output limiter: transparent below 0 dBFS, holds loud signals near 0 dBFS, unlinked
// channels, its time constants, and what a non-finite sample does to it.
#include "quendra/dsp/Limiter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace quendra::dravel::vantor
{
namespace
{

constexpr float kRate = 48000.0f;

float sine(float amplitude, float hz, int n)
{
    return amplitude * static_cast<float>(
                           std::sin(2.0 * std::numbers::pi * hz * n / static_cast<double>(kRate)));
}

Limiter makeLimiter()
{
    Limiter limiter;
    limiter.setup(kRate);
    return limiter;
}

StereoFrame limit(Limiter& limiter, float left, float right)
{
    return limiter.process({left, right}, {left, right});
}

TEST(Limiter, CoefficientsAt48kHz)
{
    const Limiter limiter = makeLimiter();
    EXPECT_NEAR(limiter.attackCoefficient().left, 0.0206f, 1e-4f);
    // The fast exp2 resolves arguments this close to 0 only to about 2 %.
    EXPECT_NEAR(limiter.releaseCoefficient().left, 8.33e-5f, 0.02f * 8.33e-5f);
    EXPECT_EQ(limiter.attackCoefficient().left, limiter.attackCoefficient().right);
    EXPECT_EQ(limiter.releaseCoefficient().left, limiter.releaseCoefficient().right);
}

TEST(Limiter, SignalsUpToFullScaleLeaveTheGainAtZeroDb)
{
    for (const float amplitude : {1e-7f, 0.001f, 0.5f, 0.9999f, 1.0f})
    {
        Limiter limiter = makeLimiter();
        float worstDb = 0.0f;
        for (int n = 0; n < 24000; ++n)
        {
            const float x = sine(amplitude, 997.0f, n);
            const StereoFrame y = limit(limiter, x, -x);
            if (std::fabs(x) > amplitude * 0.01f)
            {
                worstDb = std::max(worstDb, std::fabs(20.0f * std::log10(y.left / x)));
                worstDb = std::max(worstDb, std::fabs(20.0f * std::log10(y.right / -x)));
            }
        }
        EXPECT_LT(worstDb, 1e-4f) << "amplitude " << amplitude;
    }
}

TEST(Limiter, LoudSineSettlesNearFullScaleThenReleases)
{
    Limiter limiter = makeLimiter();
    float peakLastCycles = 0.0f;
    for (int n = 0; n < 24000; ++n)
    {
        const StereoFrame y = limit(limiter, sine(4.0f, 1000.0f, n), 0.0f);
        peakLastCycles = n >= 24000 - 480 ? std::max(peakLastCycles, std::fabs(y.left)) : 0.0f;
    }
    EXPECT_NEAR(peakLastCycles, 1.0f, 0.05f);
    const float heldGain = limiter.smoothedGain().left;
    EXPECT_NEAR(heldGain, -12.0f, 1.0f);
    // Release: silence lets the gain recover with a 250 ms time constant.
    for (int n = 0; n < 12000; ++n)
    {
        limit(limiter, 0.0f, 0.0f);
    }
    EXPECT_NEAR(limiter.smoothedGain().left / heldGain, std::exp(-1.0f), 0.01f);
}

TEST(Limiter, ChannelsAreIndependent)
{
    for (const bool loudLeft : {true, false})
    {
        Limiter limiter = makeLimiter();
        for (int n = 0; n < 24000; ++n)
        {
            const float loud = sine(4.0f, 1000.0f, n);
            const float quiet = sine(0.5f, 440.0f, n);
            const StereoFrame y =
                loudLeft ? limit(limiter, loud, quiet) : limit(limiter, quiet, loud);
            ASSERT_EQ(loudLeft ? y.right : y.left, quiet) << "sample " << n;
        }
    }
}

TEST(Limiter, NonFiniteSamplePoisonsOneOutputThenRecovers)
{
    Limiter limiter = makeLimiter();
    const StereoFrame poisoned = limit(limiter, std::numeric_limits<float>::quiet_NaN(), 0.5f);
    EXPECT_TRUE(std::isnan(poisoned.left));
    EXPECT_EQ(poisoned.right, 0.5f); // the other channel is untouched
    // The NaN reads as a finite level of about 770 dB: the gain drops by the attack
    // coefficient's share of it and recovers; the output stays finite.
    EXPECT_NEAR(limiter.smoothedGain().left, -770.6f * limiter.attackCoefficient().left, 0.5f);
    const StereoFrame next = limit(limiter, 0.5f, 0.5f);
    EXPECT_TRUE(std::isfinite(next.left));
    EXPECT_LT(next.left, 0.5f * 0.2f);
}

TEST(Limiter, SustainedInfinityBottomsOutTheGainAndRecoversInAboutTwoSeconds)
{
    Limiter limiter = makeLimiter();
    for (int n = 0; n < 2000; ++n)
    {
        // inf x gain, then 0 x inf at the bottom
        ASSERT_FALSE(std::isfinite(limit(limiter, std::numeric_limits<float>::infinity(), 0).left));
    }
    EXPECT_EQ(limit(limiter, 0.5f, 0.0f).left, 0.0f); // exp2 bottom: exactly 0
    int samples = 1;
    while (limiter.smoothedGain().left < -0.1f && samples < 10 * 48000)
    {
        limit(limiter, 0.5f, 0.0f);
        ++samples;
    }
    EXPECT_GT(static_cast<float>(samples) / kRate, 2.0f);
    EXPECT_LT(static_cast<float>(samples) / kRate, 2.5f);
}

TEST(Limiter, ReleasedGainStuckBelowTheNormalRangeFlushesToZeroWithoutChangingTheOutput)
{
    Limiter limiter = makeLimiter();
    for (int n = 0; n < 4800; ++n)
        limit(limiter, sine(4.0f, 440.0f, n), 0.0f);
    // Silence: the release runs its course into the subnormal range, where it sticks.
    float before = 1.0f;
    for (int n = 0; n < 120 * 48000 && limiter.smoothedGain().left != before; ++n)
    {
        before = limiter.smoothedGain().left;
        limit(limiter, 0.0f, 0.0f);
    }
    ASSERT_EQ(limiter.smoothedGain().left, before);
    ASSERT_EQ(std::fpclassify(before), FP_SUBNORMAL);

    Limiter flushed = limiter;
    flushed.flushSubnormalGains();
    EXPECT_EQ(flushed.smoothedGain().left, 0.0f);
    EXPECT_EQ(flushed.smoothedGain().right, 0.0f); // never left 0 dB
    for (int n = 0; n < 4800; ++n)
    {
        const float x = n < 2400 ? 0.0f : sine(2.0f, 440.0f, n);
        const StereoFrame a = limit(limiter, x, x);
        const StereoFrame b = limit(flushed, x, x);
        ASSERT_EQ(a.left, b.left) << n;
        ASSERT_EQ(a.right, b.right) << n;
    }
}

} // namespace
} // namespace quendra::dravel::vantor
