// Input magnitudes: the hypotf value of every bin, bin 0 read at half its value.
#include "quendra/dsp/MagnitudeSpectrum.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

using namespace quendra::dravel::vantor;

TEST(MagnitudeSpectrum, HypotOfEveryBinWithBinZeroHalvedAndNonFiniteBins)
{
    std::mt19937 rng(17);
    std::uniform_int_distribution<int> exponent(-140, 120);
    std::uniform_real_distribution<float> mantissa(-1.0f, 1.0f);
    std::vector<Complex> spectrum(kNumBins);
    for (auto& bin : spectrum)
        bin = {std::ldexp(mantissa(rng), exponent(rng)), std::ldexp(mantissa(rng), exponent(rng))};
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    spectrum[1] = {inf, nan};
    spectrum[2] = {nan, 1.0f};
    spectrum[512] = {0.0f, -inf};
    MagnitudeSpectrum m;
    m.compute(spectrum.data());
    EXPECT_EQ(m[0], std::hypot(spectrum[0].re * 0.5f, spectrum[0].im * 0.5f));
    EXPECT_EQ(m[1], inf);
    EXPECT_TRUE(std::isnan(m[2]));
    for (std::size_t k = 3; k < kNumBins; ++k)
        ASSERT_EQ(m[k], std::hypot(spectrum[k].re, spectrum[k].im)) << k;
}
