// One group of four partials at the edges of the spectrum: the excitation read at and past
// its ends, and kernel synthesis on a bin, folding below bin 0 and the limit at bin 512. (The
// retention, the oscillator and the phase advance are pinned bit for bit against the scalar
// reference in ReferencePartialTest.)
#include "quendra/dsp/PartialGroup.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
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
    std::unique_ptr<PartialGroupState> state = std::make_unique<PartialGroupState>();
    PartialGroup group{*state, 0, 0, kHopRate44k, &random};
    KernelTable kernel;
    SpectrumGeometry geometry;
    // Guard bins after bin 512 catch any write past the end.
    std::vector<Complex> input = std::vector<Complex>(kNumBins + 16, Complex{0.0f, 0.0f});
    std::vector<Complex> output = std::vector<Complex>(kNumBins + 16, Complex{0.0f, 0.0f});

    float mag(std::size_t k) const { return std::hypot(input[k].re, input[k].im); }

    vec4 excitation(vec4 omega, vec4 shiftRatio)
    {
        group.omega() = omega;
        BinMagnitudes m;
        m.compute(input.data());
        return group.readExcitation(m, shiftRatio, geometry);
    }

    void synthesise(vec4 binPosition, vec4 re, vec4 im)
    {
        group.modOmega() = binPosition * vec4(kPi);
        group.re() = re;
        group.im() = im;
        group.addToSpectrum(output.data(), kernel, geometry);
    }

    bool zeroFrom(std::size_t from, std::size_t to) const
    {
        for (std::size_t k = from; k < to; ++k)
            if (output[k].re != 0.0f || output[k].im != 0.0f)
                return false;
        return true;
    }
};
} // namespace

TEST_F(GroupFixture, ExcitationReadAtEdgesHalfBinAndOutside)
{
    std::mt19937 rng(11);
    std::normal_distribution<float> d(0.0f, 10.0f);
    for (std::size_t k = 0; k < kNumBins; ++k)
        input[k] = {d(rng), d(rng)};
    group.excite() = true;
    geometry.excitationScale = vec4(1.0f); // omega is the bin position itself
    const vec4 e = excitation(vec4(0.0f, 0.5f, 511.0f, 100.25f), vec4(1.0f));
    const float halfBin0 = std::hypot(input[0].re * 0.5f, input[0].im * 0.5f);
    EXPECT_EQ(e[0], halfBin0);
    EXPECT_EQ(e[1], mag(1) * 0.5f + halfBin0 * 0.5f);
    EXPECT_EQ(e[2], mag(511));
    EXPECT_EQ(e[3], mag(101) * 0.25f + mag(100) * 0.75f);
    const vec4 outside = excitation(vec4(-0.001f, 511.001f, 600.0f, 1e9f), vec4(1.0f));
    EXPECT_FALSE(any(outside != vec4(0.0f)));
    // The shift ratio scales where a partial listens; a group that does not listen reads 0.
    EXPECT_EQ(excitation(vec4(200.0f), vec4(0.5f))[0], mag(100));
    group.excite() = false;
    EXPECT_EQ(excitation(vec4(200.0f), vec4(1.0f))[0], 0.0f);
    group.excite() = true;
    geometry = SpectrumGeometry{}; // as built: the position is omega / pi
    EXPECT_FLOAT_EQ(excitation(vec4(64.0f * kPi), vec4(1.0f))[0], mag(64));
}

TEST_F(GroupFixture, PartialOnBinWritesHalfOneHalf)
{
    const vec4 re(0.6f, -1.0f, 2.0f, 0.25f), im(0.8f, 0.5f, -3.0f, 1.0f);
    synthesise(vec4(64.0f, 128.0f, 256.0f, 512.0f), re, im);
    const std::size_t bins[] = {64, 128, 256, 512};
    for (int l = 0; l < 4; ++l)
    {
        const std::size_t b = bins[l];
        EXPECT_TRUE(output[b].re == re[l] && output[b].im == im[l]) << b;
        EXPECT_TRUE(output[b - 1].re == 0.5f * re[l] && output[b - 1].im == 0.5f * im[l]) << b;
        EXPECT_TRUE(b == 512 ||
                    (output[b + 1].re == 0.5f * re[l] && output[b + 1].im == 0.5f * im[l]))
            << b;
    }
    // The other taps sit on the kernel's zeros.
    for (std::size_t k = 0; k < 511; ++k)
        EXPECT_TRUE((k % 64 < 2 || k % 64 == 63) ||
                    (std::fabs(output[k].re) < 1e-6f && std::fabs(output[k].im) < 1e-6f))
            << k;
    EXPECT_TRUE(zeroFrom(kNumBins, output.size()));
}

TEST_F(GroupFixture, BelowBinZeroFoldsAsConjugate)
{
    // Lane 0 at bin position 0.5; the other lanes far out of range write nothing.
    const float re = 0.75f, im = -0.5f;
    synthesise(vec4(0.5f, 600.0f, 600.0f, 600.0f), vec4(re, 1.0f, 1.0f, 1.0f),
               vec4(im, 1.0f, 1.0f, 1.0f));
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
    EXPECT_TRUE(zeroFrom(5, output.size()));
}

TEST_F(GroupFixture, NothingAboveBin512)
{
    synthesise(vec4(516.5f, 520.0f, 1e6f / kPi, 510.2f), vec4(1.0f), vec4(1.0f));
    EXPECT_TRUE(zeroFrom(0, 507));
    for (std::size_t k = 508; k <= 512; ++k) // the partial at 510.2 reaches bins 507..512 only
        EXPECT_NE(output[k].re, 0.0f) << k;
    EXPECT_TRUE(zeroFrom(kNumBins, output.size()));
}
