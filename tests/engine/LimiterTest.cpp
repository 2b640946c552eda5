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

Limiter makeLimiter(float rate = kRate)
{
    Limiter limiter;
    limiter.setup(rate);
    return limiter;
}

StereoFrame limit(Limiter& limiter, float left, float right)
{
    return limiter.process({left, right}, {left, right});
}

TEST(Limiter, CoefficientsFollowTheTimesAndRate)
{
    const Limiter at48k = makeLimiter(48000.0f);
    EXPECT_NEAR(at48k.attackCoefficient().left, 0.0206f, 1e-4f);
    // The fast exp2 resolves arguments this close to 0 only to about 2 %.
    EXPECT_NEAR(at48k.releaseCoefficient().left, 8.33e-5f, 0.02f * 8.33e-5f);
    EXPECT_EQ(at48k.attackCoefficient().left, at48k.attackCoefficient().right);
    EXPECT_EQ(at48k.releaseCoefficient().left, at48k.releaseCoefficient().right);

    // Twice the rate, half the coefficient (1 - e^-x ~ x for small x).
    const Limiter at96k = makeLimiter(96000.0f);
    EXPECT_NEAR(at96k.attackCoefficient().left * 2.0f, at48k.attackCoefficient().left, 2e-4f);

    // Times that vanish are floored at 1e-6 samples: the coefficient saturates at 1.
    const StereoFrame instant = Limiter::coefficient({0.0f, 1e-12f}, {kRate, kRate});
    EXPECT_EQ(instant.left, 1.0f);
    EXPECT_EQ(instant.right, 1.0f);
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
        EXPECT_GT(limiter.smoothedGain().left, -1e-4f);
    }
}

TEST(Limiter, LoudSineSettlesNearFullScaleThenReleases)
{
    Limiter limiter = makeLimiter();
    float peakLastCycles = 0.0f;
    const int length = 24000;
    for (int n = 0; n < length; ++n)
    {
        const StereoFrame y = limit(limiter, sine(4.0f, 1000.0f, n), 0.0f);
        if (n >= length - 480)
        {
            peakLastCycles = std::max(peakLastCycles, std::fabs(y.left));
        }
    }
    EXPECT_NEAR(peakLastCycles, 1.0f, 0.05f);
    const float heldGain = limiter.smoothedGain().left; // about -12 dB
    EXPECT_NEAR(heldGain, -12.0f, 1.0f);

    // Release: silence lets the gain recover with a 250 ms time constant.
    for (int n = 0; n < 12000; ++n)
    {
        limit(limiter, 0.0f, 0.0f);
    }
    EXPECT_NEAR(limiter.smoothedGain().left / heldGain, std::exp(-1.0f), 0.01f);
}

TEST(Limiter, AttackCatchesAStepWithinMilliseconds)
{
    Limiter limiter = makeLimiter();
    float afterFiveMs = 0.0f;
    for (int n = 0; n < 240; ++n)
    {
        afterFiveMs = limit(limiter, 4.0f, 0.0f).left;
    }
    // 5 attack time constants: within 1 % of the -12 dB target (gain 0.25).
    EXPECT_NEAR(afterFiveMs, 1.0f, 0.1f);
    EXPECT_LT(afterFiveMs, 4.0f * 0.3f);
}

TEST(Limiter, ChannelsAreIndependent)
{
    Limiter limiter = makeLimiter();
    for (int n = 0; n < 24000; ++n)
    {
        const float quiet = sine(0.5f, 440.0f, n);
        const StereoFrame y = limit(limiter, sine(4.0f, 1000.0f, n), quiet);
        ASSERT_EQ(y.right, quiet) << "sample " << n;
    }
    EXPECT_EQ(limiter.smoothedGain().right, 0.0f);
    EXPECT_LT(limiter.smoothedGain().left, -10.0f);

    Limiter mirrored = makeLimiter();
    for (int n = 0; n < 4800; ++n)
    {
        const float quiet = sine(0.5f, 440.0f, n);
        ASSERT_EQ(limit(mirrored, quiet, sine(4.0f, 1000.0f, n)).left, quiet);
    }
}

TEST(Limiter, ResetGainsReturnsToZeroDb)
{
    Limiter limiter = makeLimiter();
    for (int n = 0; n < 4800; ++n)
    {
        limit(limiter, 4.0f, 8.0f);
    }
    ASSERT_LT(limiter.smoothedGain().left, -1.0f);
    const StereoFrame attack = limiter.attackCoefficient();
    limiter.resetGains();
    EXPECT_EQ(limiter.smoothedGain(), (StereoFrame{0.0f, 0.0f}));
    EXPECT_EQ(limiter.attackCoefficient(), attack);
    EXPECT_EQ(limit(limiter, 0.5f, 0.25f), (StereoFrame{0.5f, 0.25f}));
}

TEST(Limiter, NonFiniteSamplePoisonsOneOutputThenRecovers)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    Limiter limiter = makeLimiter();
    const StereoFrame poisoned = limit(limiter, nan, 0.5f);
    EXPECT_TRUE(std::isnan(poisoned.left));
    EXPECT_EQ(poisoned.right, 0.5f); // the other channel is untouched

    // The NaN reads as a finite level of about 770 dB: the gain drops by the attack
    // coefficient's share of it and recovers; the output stays finite.
    const float drop = limiter.smoothedGain().left;
    EXPECT_NEAR(drop, -770.6f * limiter.attackCoefficient().left, 0.5f);
    const StereoFrame next = limit(limiter, 0.5f, 0.5f);
    EXPECT_TRUE(std::isfinite(next.left));
    EXPECT_LT(next.left, 0.5f * 0.2f);
}

TEST(Limiter, SustainedInfinityBottomsOutTheGainAndRecoversInAboutTwoSeconds)
{
    const float inf = std::numeric_limits<float>::infinity();
    Limiter limiter = makeLimiter();
    for (int n = 0; n < 2000; ++n)
    {
        const StereoFrame y = limit(limiter, inf, 0.0f);
        ASSERT_FALSE(std::isfinite(y.left)); // inf x gain, then 0 x inf at the bottom
    }
    EXPECT_EQ(limit(limiter, 0.5f, 0.0f).left, 0.0f); // exp2 bottom: exactly 0

    int samples = 1;
    while (limiter.smoothedGain().left < -0.1f && samples < 10 * 48000)
    {
        limit(limiter, 0.5f, 0.0f);
        ++samples;
    }
    const float seconds = static_cast<float>(samples) / kRate;
    EXPECT_GT(seconds, 2.0f);
    EXPECT_LT(seconds, 2.5f);
}

} // namespace
} // namespace quendra::dravel::vantor
