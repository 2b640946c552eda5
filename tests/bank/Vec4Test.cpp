// vec4 arithmetic that the bank relies on bit for bit: floor and ceil formed from
// truncation, the four-lane fastExp2, the sine polynomial, masks and blends.
#include "quendra/dsp/simd/Vec4.h"
#include "quendra/dsp/FastExp2.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <random>

using namespace quendra::dravel::vantor;

namespace
{
// The fastExp2 quartic with separate multiplies and adds, lane by lane.
float fastExp2Unfused(float x)
{
    float t = x + 127.0f;
    t = t < 0.0f ? 0.0f : (t > 255.0f ? 255.0f : t);
    const auto i = static_cast<std::uint32_t>(t);
    const float f = t - static_cast<float>(i);
    float p = f * 0.013487903f + 0.0521745f;
    p = f * p + 0.24128748f;
    p = f * p + 0.6930501f;
    p = f * p + 1.0f;
    return p * std::bit_cast<float>(i << 23);
}

vec4 splat4(const float* v)
{
    return vec4(v[0], v[1], v[2], v[3]);
}
} // namespace

TEST(Vec4, FloorAndCeilOfSpecialValues)
{
    const float in[] = {-2.5f, -2.0f,      -0.25f,      0.0f,  0.25f,  2.0f,
                        2.5f,  8388609.0f, -8388609.0f, 1e20f, -1e20f, 3.9999998f};
    const float down[] = {-3.0f, -2.0f,      -1.0f,       0.0f,  0.0f,   2.0f,
                          2.0f,  8388609.0f, -8388609.0f, 1e20f, -1e20f, 3.0f};
    const float up[] = {-2.0f, -2.0f,      0.0f,        0.0f,  1.0f,   2.0f,
                        3.0f,  8388609.0f, -8388609.0f, 1e20f, -1e20f, 4.0f};
    for (int i = 0; i < 12; i += 4)
    {
        const vec4 x = splat4(in + i);
        const vec4 f = floor(x);
        const vec4 c = ceil(x);
        for (int l = 0; l < 4; ++l)
        {
            EXPECT_EQ(f[l], down[i + l]) << in[i + l];
            EXPECT_EQ(c[l], up[i + l]) << in[i + l];
        }
    }
}

TEST(Vec4, FastExp2MatchesScalarQuarticAndIsExactOnIntegers)
{
    for (int e = -126; e <= 127; ++e)
        EXPECT_EQ(fastExp2(vec4(static_cast<float>(e)))[0], std::ldexp(1.0f, e)) << e;
    EXPECT_EQ(fastExp2(vec4(-127.5f))[0], 0.0f);
    EXPECT_TRUE(std::isinf(fastExp2(vec4(128.0f))[0]));

    std::mt19937 rng(7);
    std::uniform_real_distribution<float> dist(-30.0f, 30.0f);
    for (int n = 0; n < 2000; ++n)
    {
        const vec4 x(dist(rng), dist(rng), dist(rng), dist(rng));
        const vec4 y = fastExp2(x);
        for (int l = 0; l < 4; ++l)
        {
            EXPECT_EQ(y[l], fastExp2Unfused(x[l]));
            // The fused scalar form differs at most in the last bits.
            EXPECT_NEAR(y[l] / fastExp2(x[l]), 1.0f, 1e-6f);
            EXPECT_NEAR(y[l] / std::exp2(x[l]), 1.0f, 1e-4f);
        }
    }
}

TEST(Vec4, SinePolynomialTracksSineOnHalfPeriod)
{
    for (int n = -100; n <= 100; ++n)
    {
        const float x = 1.5707964f * static_cast<float>(n) / 100.0f;
        EXPECT_NEAR(sinPoly(vec4(x))[0], std::sin(x), 2e-6f) << x;
    }
    EXPECT_EQ(sinPoly(vec4(0.0f))[0], 0.0f);
}

TEST(Vec4, MasksBlendPerLane)
{
    const vec4 a(1.0f, 2.0f, 3.0f, 4.0f);
    const vec4 b(4.0f, 2.0f, 1.0f, 0.0f);
    const vec4 chosen = select(a < b, vec4(10.0f), vec4(-10.0f));
    EXPECT_EQ(chosen[0], 10.0f);
    EXPECT_EQ(chosen[1], -10.0f);
    EXPECT_EQ(chosen[2], -10.0f);
    EXPECT_EQ(chosen[3], -10.0f);
    EXPECT_TRUE(any(a <= b));
    EXPECT_FALSE(all(a <= b));
    EXPECT_TRUE(all(a == a));
    EXPECT_FALSE(any(a != a));
    EXPECT_EQ(min(a, b)[3], 0.0f);
    EXPECT_EQ(max(a, b)[0], 4.0f);
    EXPECT_EQ(abs(vec4(-0.0f, -3.0f, 3.0f, 0.0f))[1], 3.0f);
    EXPECT_EQ(std::bit_cast<std::uint32_t>(abs(vec4(-0.0f))[0]), 0u);
    EXPECT_EQ(alignof(vec4), 16u);
    EXPECT_EQ(sizeof(vec4), 16u);
}

TEST(Vec4, WordShiftsAndConversions)
{
    const vec4u w(0x80000001u, 0x12345678u, 0u, 0xFFFFFFFFu);
    const vec4u l = shiftLeft<10>(w);
    const vec4u r = shiftRight<13>(w);
    for (int i = 0; i < 4; ++i)
    {
        EXPECT_EQ(l[i], w[i] << 10);
        EXPECT_EQ(r[i], w[i] >> 13);
    }
    const vec4 z = isZero(w);
    EXPECT_EQ(std::bit_cast<std::uint32_t>(z[2]), 0xFFFFFFFFu);
    EXPECT_EQ(std::bit_cast<std::uint32_t>(z[0]), 0u);
    EXPECT_EQ(truncateToWord(vec4(255.9f, 0.0f, 3.5f, 128.0f))[0], 255u);
    EXPECT_EQ(bitsToFloat(vec4u(0x3F800000u))[0], 1.0f);
}

TEST(Vec4, MagnitudeIsHypotAndShufflesMoveLanes)
{
    std::mt19937 rng(3);
    std::uniform_int_distribution<int> exponent(-140, 120);
    std::uniform_real_distribution<float> mantissa(-1.0f, 1.0f);
    for (int n = 0; n < 5000; ++n)
    {
        float re[4], im[4];
        for (int l = 0; l < 4; ++l)
        {
            re[l] = std::ldexp(mantissa(rng), exponent(rng));
            im[l] = std::ldexp(mantissa(rng), exponent(rng));
        }
        const vec4 m = magnitude(splat4(re), splat4(im));
        for (int l = 0; l < 4; ++l)
            ASSERT_EQ(m[l], std::hypot(re[l], im[l])) << re[l] << " " << im[l];
    }
    const vec4 a(1.0f, 2.0f, 3.0f, 4.0f);
    const vec4 b(5.0f, 6.0f, 7.0f, 8.0f);
    const vec4 lo = interleaveLow(a, b);
    const vec4 hi = interleaveHigh(a, b);
    const float expectedLo[] = {1.0f, 5.0f, 2.0f, 6.0f};
    const float expectedHi[] = {3.0f, 7.0f, 4.0f, 8.0f};
    for (int l = 0; l < 4; ++l)
    {
        EXPECT_EQ(lo[l], expectedLo[l]);
        EXPECT_EQ(hi[l], expectedHi[l]);
        EXPECT_EQ(broadcast<2>(a)[l], 3.0f);
    }
}
