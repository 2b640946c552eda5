// One group of four partials: excitation read, retention, oscillator and phase advance,
// kernel synthesis with folding below bin 0 and the limit at bin 512, the group step.
#include "quendra/dsp/PartialGroup.h"
#include "quendra/dsp/FastExp2.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <random>
#include <vector>

using namespace quendra::dravel::vantor;

namespace
{
constexpr float kPi = 3.1415927f;
constexpr float kHopRate44k = 44100.0f * 0.001953125f;

struct GroupFixture : ::testing::Test
{
    PartialRandom random;
    PartialGroup group{0, kHopRate44k, &random};
    KernelTable kernel;
    SpectrumGeometry geometry;
    // Guard bins after bin 512 catch any write past the end.
    std::vector<Complex> input = std::vector<Complex>(kNumBins + 16, Complex{0.0f, 0.0f});
    std::vector<Complex> output = std::vector<Complex>(kNumBins + 16, Complex{0.0f, 0.0f});

    GroupFixture()
    {
        std::mt19937 rng(11);
        std::normal_distribution<float> d(0.0f, 10.0f);
        for (std::size_t k = 0; k < kNumBins; ++k)
            input[k] = {d(rng), d(rng)};
    }

    float mag(std::size_t k) const { return std::hypot(input[k].re, input[k].im); }

    MagnitudeSpectrum magnitudes() const
    {
        MagnitudeSpectrum m;
        m.compute(input.data());
        return m;
    }

    void expectGuardUntouched() const
    {
        for (std::size_t k = kNumBins; k < output.size(); ++k)
            ASSERT_TRUE(output[k].re == 0.0f && output[k].im == 0.0f) << k;
    }
};
} // namespace

TEST_F(GroupFixture, ExcitationReadAtEdgesAndHalfBin)
{
    // Scale 1 makes omega the bin position itself.
    geometry.excitationScale = vec4(1.0f);
    group.mExcite = true;
    group.mOmega = vec4(0.0f, 0.5f, 511.0f, 100.25f);
    const vec4 e = group.readExcitation(magnitudes(), vec4(1.0f), geometry);
    const float halfBin0 = std::hypot(input[0].re * 0.5f, input[0].im * 0.5f);
    EXPECT_EQ(e[0], halfBin0);
    EXPECT_EQ(e[1], mag(1) * 0.5f + halfBin0 * 0.5f);
    EXPECT_EQ(e[2], mag(511));
    EXPECT_EQ(e[3], mag(101) * 0.25f + mag(100) * 0.75f);

    group.mOmega = vec4(-0.001f, 511.001f, 600.0f, 1e9f);
    const vec4 outside = group.readExcitation(magnitudes(), vec4(1.0f), geometry);
    for (int l = 0; l < 4; ++l)
        EXPECT_EQ(outside[l], 0.0f) << l;

    // The shift ratio scales where a partial listens; a group that does not listen reads 0.
    group.mOmega = vec4(200.0f);
    EXPECT_EQ(group.readExcitation(magnitudes(), vec4(0.5f), geometry)[0], mag(100));
    group.mExcite = false;
    EXPECT_EQ(group.readExcitation(magnitudes(), vec4(1.0f), geometry)[0], 0.0f);
}

TEST_F(GroupFixture, ExcitationPositionIsOmegaOverPi)
{
    group.mExcite = true;
    group.mOmega = vec4(64.0f * kPi); // bin 64 exactly in float
    EXPECT_FLOAT_EQ(group.readExcitation(magnitudes(), vec4(1.0f), geometry)[0], mag(64));
}

TEST_F(GroupFixture, PartialOnBinWritesHalfOneHalf)
{
    group.mModOmega = vec4(64.0f * kPi, 128.0f * kPi, 256.0f * kPi, 512.0f * kPi);
    group.mRe = vec4(0.6f, -1.0f, 2.0f, 0.25f);
    group.mIm = vec4(0.8f, 0.5f, -3.0f, 1.0f);
    group.addToSpectrum(output.data(), kernel, geometry);
    const int bins[] = {64, 128, 256, 512};
    for (int l = 0; l < 4; ++l)
    {
        const float re = group.mRe[l];
        const float im = group.mIm[l];
        const int b = bins[l];
        EXPECT_EQ(output[b].re, re);
        EXPECT_EQ(output[b].im, im);
        EXPECT_EQ(output[b - 1].re, 0.5f * re);
        EXPECT_EQ(output[b - 1].im, 0.5f * im);
        if (b < 512)
        {
            EXPECT_EQ(output[b + 1].re, 0.5f * re);
            EXPECT_EQ(output[b + 1].im, 0.5f * im);
        }
    }
    // The other taps sit on the kernel's zeros.
    for (std::size_t k = 0; k < kNumBins; ++k)
    {
        const bool near =
            (k >= 63 && k <= 65) || (k >= 127 && k <= 129) || (k >= 255 && k <= 257) || k >= 511;
        if (!near)
        {
            EXPECT_NEAR(output[k].re, 0.0f, 1e-6f) << k;
            EXPECT_NEAR(output[k].im, 0.0f, 1e-6f) << k;
        }
    }
    expectGuardUntouched();
}

TEST_F(GroupFixture, BelowBinZeroFoldsAsConjugate)
{
    // Lane 0 at bin position 0.5; the other lanes far out of range write nothing.
    group.mModOmega = vec4(0.5f * kPi, 600.0f * kPi, 600.0f * kPi, 600.0f * kPi);
    group.mRe = vec4(1.0f);
    group.mIm = vec4(1.0f);
    const float re = 0.75f, im = -0.5f;
    group.mRe = vec4(re, 1.0f, 1.0f, 1.0f);
    group.mIm = vec4(im, 1.0f, 1.0f, 1.0f);
    group.addToSpectrum(output.data(), kernel, geometry);
    // Taps at bins -3..4 use K[2], K[6], ..., K[30].
    auto w = [&](int bin) { return kernel[static_cast<std::size_t>(2 + 4 * (bin + 3))]; };
    EXPECT_FLOAT_EQ(output[0].re, 2.0f * re * w(0));
    EXPECT_EQ(output[0].im, 0.0f);
    for (int b = 1; b <= 3; ++b)
    {
        EXPECT_FLOAT_EQ(output[b].re, re * w(b) + re * w(-b)) << b;
        EXPECT_FLOAT_EQ(output[b].im, im * w(b) - im * w(-b)) << b;
    }
    EXPECT_FLOAT_EQ(output[4].re, re * w(4));
    for (std::size_t k = 5; k < output.size(); ++k)
        ASSERT_TRUE(output[k].re == 0.0f && output[k].im == 0.0f) << k;
}

TEST_F(GroupFixture, NothingAboveBin512)
{
    group.mModOmega = vec4(516.5f * kPi, 520.0f * kPi, 1e6f, 510.2f * kPi);
    group.mRe = vec4(1.0f);
    group.mIm = vec4(1.0f);
    group.addToSpectrum(output.data(), kernel, geometry);
    expectGuardUntouched();
    for (std::size_t k = 0; k < 507; ++k)
        ASSERT_TRUE(output[k].re == 0.0f && output[k].im == 0.0f) << k;
    // The partial at 510.2 reaches bins 507..512 only.
    for (std::size_t k = 508; k <= 512; ++k)
        EXPECT_NE(output[k].re, 0.0f) << k;
}

TEST_F(GroupFixture, OscillatorWritesCosSinAndAdvancesPhase)
{
    group.mPhase = vec4(0.0f, 3.0f, -3.1415927f, 1.0f);
    group.mModOmega = vec4(1.5707964f);
    group.oscillatorStep(vec4(1.0f, 2.0f, 1.0f, 0.5f));
    EXPECT_NEAR(group.mRe[0], 1.0f, 2e-6f);
    EXPECT_NEAR(group.mIm[0], 0.0f, 2e-6f);
    EXPECT_NEAR(group.mRe[1], 2.0f * std::cos(3.0f), 4e-6f);
    EXPECT_NEAR(group.mIm[1], 2.0f * std::sin(3.0f), 4e-6f);
    EXPECT_NEAR(group.mRe[2], -1.0f, 2e-6f);
    EXPECT_NEAR(group.mRe[3], 0.5f * std::cos(1.0f), 2e-6f);
    EXPECT_NEAR(group.mIm[3], 0.5f * std::sin(1.0f), 2e-6f);
    // A quarter turn per hop; from 3 the phase wraps to 3 + pi/2 - 2 pi.
    EXPECT_NEAR(group.mPhase[0], 1.5707964f, 1e-6f);
    EXPECT_NEAR(group.mPhase[1], 3.0f + 1.5707964f - 6.2831855f, 2e-6f);
    EXPECT_NEAR(group.mPhase[2], -1.5707964f, 2e-6f);
    for (int n = 0; n < 1000; ++n)
    {
        group.mModOmega = vec4(0.1f, 3.1f, 17.0f, 1000.3f);
        group.oscillatorStep(vec4(1.0f));
        for (int l = 0; l < 4; ++l)
        {
            ASSERT_GE(group.mPhase[l], -kPi);
            ASSERT_LT(group.mPhase[l], kPi);
        }
    }
}

TEST_F(GroupFixture, RetentionFromDecayAndDamping)
{
    const float base = fastExp2(-6.9077554f / (kHopRate44k * 1.0f) * 1.442695f);
    EXPECT_NEAR(base, std::pow(10.0f, -3.0f / kHopRate44k), 2e-5f);
    EXPECT_NEAR(base, 0.9229f, 5e-5f);

    // No damping: every harmonic keeps the base factor.
    group.mHarmonic = vec4(0.0f, 5.0f, 10.0f, 255.0f);
    group.computeRetention(base, vec4(0.0f), vec4(0.0f));
    for (int l = 0; l < 4; ++l)
        EXPECT_EQ(group.mRetention[l], base);
    EXPECT_EQ(group.mGranular.release[3], base);

    // L = 1: 0.8 at the fundamental, 0.9 at harmonic 5, untouched from 10 on.
    group.computeRetention(base, vec4(0.0f), vec4(1.0f));
    EXPECT_FLOAT_EQ(group.mRetention[0], 0.8f * base);
    EXPECT_FLOAT_EQ(group.mRetention[1], 0.9f * base);
    EXPECT_EQ(group.mRetention[2], base);
    EXPECT_EQ(group.mRetention[3], base);

    // H = 0.5: linear down to 0 at harmonic 255.
    group.computeRetention(base, vec4(0.5f), vec4(0.0f));
    EXPECT_EQ(group.mRetention[0], base);
    EXPECT_FLOAT_EQ(group.mRetention[1], (1.0f - 5.0f / 255.0f) * base);
    EXPECT_EQ(group.mRetention[3], 0.0f);

    // H = 1: k = 10, harmonic 128 keeps (e^(10 * 127/255) - 1) / (e^10 - 1).
    group.mHarmonic = vec4(128.0f, 0.0f, 255.0f, 300.0f);
    group.computeRetention(base, vec4(1.0f), vec4(0.0f));
    const double expected = (std::exp(10.0 * 127.0 / 255.0) - 1.0) / (std::exp(10.0) - 1.0);
    EXPECT_NEAR(group.mRetention[0] / base, expected, expected * 2e-4);
    EXPECT_FLOAT_EQ(group.mRetention[1], base);
    EXPECT_EQ(group.mRetention[2], 0.0f);
    EXPECT_EQ(group.mRetention[3], 0.0f);

    // No decay time, no ring.
    EXPECT_EQ(fastExp2(-6.9077554f / (kHopRate44k * 0.0f) * 1.442695f), 0.0f);
}

TEST_F(GroupFixture, StepFollowsWithInstantAttackAndRelease)
{
    // Four partials on bins 10, 20, 30, 40; the input holds a magnitude of 8 there.
    for (std::size_t k = 0; k < kNumBins; ++k)
        input[k] = {0.0f, 0.0f};
    for (int b : {10, 20, 30, 40})
        input[static_cast<std::size_t>(b)] = {0.0f, 8.0f};
    group.mOmega = vec4(10.0f * kPi, 20.0f * kPi, 30.0f * kPi, 40.0f * kPi);
    group.mHarmonic = vec4(0.0f, 1.0f, 2.0f, 3.0f);
    group.mHarmonicLimit = vec4(3.0f); // lane 3 is silent
    group.refreshExcite();
    const float c = 0.5f;
    group.mRetention = vec4(c);

    group.step(magnitudes(), output.data(), kernel, vec4(1.0f), geometry);
    EXPECT_TRUE(group.mAudible);
    EXPECT_NEAR(group.mLevel[0], 8.0f, 1e-4f); // omega is bin 10 within float rounding
    EXPECT_EQ(group.mLevel[3], 0.0f);
    EXPECT_NEAR(std::hypot(output[10].re, output[10].im), 8.0f, 1e-4f);
    EXPECT_EQ(output[40].re, 0.0f);

    // Input gone: the level falls by c per hop until it drops below 0.001.
    for (std::size_t k = 0; k < kNumBins; ++k)
        input[k] = {0.0f, 0.0f};
    float expected = group.mLevel[0];
    int hops = 0;
    while (expected >= 0.001f)
    {
        group.step(magnitudes(), output.data(), kernel, vec4(1.0f), geometry);
        expected = c * expected;
        EXPECT_EQ(group.mLevel[0], expected);
        EXPECT_EQ(group.mAudible, expected >= 0.001f);
        ASSERT_LT(++hops, 100);
    }
    EXPECT_EQ(hops, 13); // 8 * 0.5^13 < 0.001 <= 8 * 0.5^12

    // A group with no active lane keeps its level and is not synthesised.
    group.mLevel = vec4(3.0f);
    group.mHarmonicLimit = vec4(0.0f);
    std::fill(output.begin(), output.end(), Complex{0.0f, 0.0f});
    group.step(magnitudes(), output.data(), kernel, vec4(1.0f), geometry);
    EXPECT_FALSE(group.mAudible);
    EXPECT_EQ(group.mLevel[0], 3.0f);
    EXPECT_EQ(output[10].re, 0.0f);
}
