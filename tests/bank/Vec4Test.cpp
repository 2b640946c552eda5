// vec4 arithmetic that the bank relies on bit for bit: floor and ceil formed from
// truncation, the four-lane fastExp2, the sine polynomial, masks, blends and word operations.
#include "quendra/dsp/simd/Vec4.h"
#include "quendra/dsp/FastExp2.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>

using namespace quendra::dravel::vantor;

TEST(Vec4, FloorAndCeilOfSpecialValues)
{
    struct Case
    {
        float in, down, up;
    };
    const Case cases[] = {{-2.5f, -3.0f, -2.0f},    {-2.0f, -2.0f, -2.0f},   {-0.25f, -1.0f, 0.0f},
                          {0.25f, 0.0f, 1.0f},      {2.5f, 2.0f, 3.0f},      {1e20f, 1e20f, 1e20f},
                          {-1e20f, -1e20f, -1e20f}, {3.9999998f, 3.0f, 4.0f}};
    for (const Case& c : cases)
    {
        EXPECT_EQ(floor(vec4(c.in))[1], c.down) << c.in;
        EXPECT_EQ(ceil(vec4(c.in))[2], c.up) << c.in;
    }
    EXPECT_EQ(floor(vec4(8388609.0f))[0], 8388609.0f);
    EXPECT_EQ(ceil(vec4(-8388609.0f))[3], -8388609.0f);
}

// Every backend gives the same bits: a digest of many values is recorded once for all of them.
TEST(Vec4, FastExp2IsExactOnIntegersCloseElsewhereAndTheSameOnEveryBackend)
{
    for (int e = -126; e <= 127; ++e)
        EXPECT_EQ(fastExp2(vec4(static_cast<float>(e)))[0], std::ldexp(1.0f, e)) << e;
    EXPECT_EQ(fastExp2(vec4(-127.5f))[0], 0.0f);
    EXPECT_TRUE(std::isinf(fastExp2(vec4(128.0f))[0]));
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> dist(-30.0f, 30.0f);
    std::uint64_t digest = 0xcbf29ce484222325ull;
    for (int n = 0; n < 2000; ++n)
    {
        const float x = dist(rng);
        const float y = fastExp2(vec4(x))[n % 4];
        ASSERT_NEAR(y / fastExp2(x), 1.0f, 1e-6f); // the fused scalar form: last bits only
        ASSERT_NEAR(y / std::exp2(x), 1.0f, 1e-4f);
        digest = (digest ^ std::bit_cast<std::uint32_t>(y)) * 0x100000001b3ull;
    }
    EXPECT_EQ(digest, 0xa12b0c8bf35c8904ull) << std::hex << digest;
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

TEST(Vec4, MasksShufflesAndWords)
{
    const vec4 a(1.0f, 2.0f, 3.0f, 4.0f);
    const vec4 b(4.0f, 2.0f, 1.0f, 0.0f);
    const vec4 chosen = select(a < b, vec4(10.0f), vec4(-10.0f));
    EXPECT_TRUE(chosen[0] == 10.0f && chosen[1] == -10.0f && chosen[3] == -10.0f);
    EXPECT_TRUE(any(a <= b) && !all(a <= b) && all(a == a) && !any(a != a));
    EXPECT_TRUE(min(a, b)[3] == 0.0f && max(a, b)[0] == 4.0f);
    EXPECT_EQ(std::bit_cast<std::uint32_t>(abs(vec4(-0.0f))[0]), 0u);
    EXPECT_EQ(alignof(vec4), 16u);
    const vec4 lo = interleaveLow(a, b), hi = interleaveHigh(a, b);
    EXPECT_TRUE(lo[0] == 1.0f && lo[1] == 4.0f && lo[2] == 2.0f && lo[3] == 2.0f);
    EXPECT_TRUE(hi[0] == 3.0f && hi[1] == 1.0f && hi[2] == 4.0f && hi[3] == 0.0f);
    EXPECT_EQ(broadcast<2>(a)[0], 3.0f);
    const vec4 joined = joinHighLow(a, b);
    EXPECT_TRUE(joined[0] == 3.0f && joined[1] == 4.0f && joined[2] == 4.0f && joined[3] == 2.0f);
    const float pair[2] = {5.0f, 6.0f};
    const vec4 twice = vec4::loadPair(pair);
    EXPECT_TRUE(twice[0] == 5.0f && twice[1] == 6.0f && twice[2] == 5.0f && twice[3] == 6.0f);
    float stored[3] = {0.0f, 0.0f, 7.0f};
    a.storePair(stored);
    EXPECT_TRUE(stored[0] == 1.0f && stored[1] == 2.0f && stored[2] == 7.0f);

    const vec4u w(0x80000001u, 0x12345678u, 0u, 0xFFFFFFFFu);
    for (int i = 0; i < 4; ++i)
    {
        EXPECT_EQ(shiftLeft<10>(w)[i], w[i] << 10);
        EXPECT_EQ(shiftRight<13>(w)[i], w[i] >> 13);
        EXPECT_EQ(std::bit_cast<std::uint32_t>(isZero(w)[i]), i == 2 ? 0xFFFFFFFFu : 0u);
    }
    EXPECT_EQ(truncateToWord(vec4(255.9f, 0.0f, 3.5f, 128.0f))[0], 255u);
    EXPECT_EQ(bitsToFloat(vec4u(0x3F800000u))[0], 1.0f);
    const vec4u v(0xF0F0F0F0u, 0x0000FFFFu, 0x12345678u, 0u);
    for (int i = 0; i < 4; ++i)
    {
        EXPECT_EQ((w ^ v)[i], w[i] ^ v[i]);
        EXPECT_EQ((w | v)[i], w[i] | v[i]);
        EXPECT_EQ((w & v)[i], w[i] & v[i]);
        EXPECT_EQ(floatToBits(a)[i], std::bit_cast<std::uint32_t>(a[i]));
        EXPECT_EQ(broadcast<3>(a)[i], 4.0f);
        EXPECT_EQ(broadcast<0>(a)[i], 1.0f);
    }
}

// Only the sign bit of a lane counts as its mask bit; a NaN compares false (and unequal);
// min and max keep the second operand unless the first compares less or greater.
TEST(Vec4, MaskBitsNaNComparisonsAndMinMaxOrder)
{
    EXPECT_FALSE(any(vec4(1.0f, 2.0f, 0.5f, 3.0f)));
    EXPECT_TRUE(any(vec4(1.0f, 2.0f, 0.5f, -0.0f)));
    EXPECT_TRUE(all(vec4(-1.0f, -2.0f, -0.0f, -3.0f)));
    EXPECT_FALSE(all(vec4(-1.0f, -2.0f, -0.0f, 3.0f)));

    const float nan = std::numeric_limits<float>::quiet_NaN();
    const vec4 x(nan, 1.0f, nan, -0.0f), y(1.0f, nan, nan, 0.0f);
    const vec4 ordered = (x < y) | (x <= y) | (x > y) | (x >= y) | (x == y);
    const vec4 unequal = x != y;
    for (int i = 0; i < 4; ++i)
    {
        EXPECT_EQ(std::bit_cast<std::uint32_t>(ordered[i]), i == 3 ? 0xFFFFFFFFu : 0u);
        EXPECT_EQ(std::bit_cast<std::uint32_t>(unequal[i]), i == 3 ? 0u : 0xFFFFFFFFu);
    }
    const vec4 lo = min(x, y), hi = max(x, y);
    EXPECT_TRUE(lo[0] == 1.0f && std::isnan(lo[1]) && std::isnan(lo[2]));
    EXPECT_TRUE(hi[0] == 1.0f && std::isnan(hi[1]) && std::isnan(hi[2]));
    EXPECT_EQ(std::bit_cast<std::uint32_t>(min(x, y)[3]), 0u); // +0 from y, not -0 from x
    EXPECT_EQ(clamp(vec4(nan), vec4(-1.0f), vec4(1.0f))[0], -1.0f);
}

// Truncation toward zero; NaN and lanes outside the 32-bit range give INT_MIN (0x80000000)
// on every backend, as the SSE2 conversion does. The inputs are read at run time: a compiler
// folding the conversion of a constant follows its own rules for out-of-range values.
TEST(Vec4, TruncationGivesIntMinOutOfRange)
{
    volatile float in[8] = {
        -2.75f, 2147483648.0f, -3e9f,          std::numeric_limits<float>::quiet_NaN(),
        -1.5f,  1e10f,         -2147483648.0f, 2147483520.0f};
    const vec4 t = truncateToInt(vec4(in[0], in[1], in[2], in[3]));
    EXPECT_TRUE(t[0] == -2.0f && t[1] == -2147483648.0f && t[2] == -2147483648.0f &&
                t[3] == -2147483648.0f);
    const vec4u w = truncateToWord(vec4(in[4], in[5], in[3], in[7]));
    EXPECT_TRUE(w[0] == 0xFFFFFFFFu && w[1] == 0x80000000u && w[2] == 0x80000000u &&
                w[3] == 2147483520u);
    EXPECT_EQ(truncateToWord(vec4(in[6]))[1], 0x80000000u);
}

TEST(Vec4, LoadsStoresArithmeticAndFusedMultiplyAdd)
{
    const float in[6] = {0.5f, -1.0f, 3.0f, 7.0f, -2.0f, 9.0f};
    const vec4 a = vec4::load(in + 1); // unaligned
    float out[6] = {};
    (a * vec4(2.0f) + vec4(1.0f, 2.0f, 3.0f, 5.0f)).store(out + 1);
    EXPECT_TRUE(out[0] == 0.0f && out[1] == -1.0f && out[2] == 8.0f && out[3] == 17.0f &&
                out[4] == 1.0f && out[5] == 0.0f);
    const vec4 q = a / vec4(4.0f, 3.0f, -7.0f, std::numeric_limits<float>::infinity());
    EXPECT_TRUE(q[0] == -0.25f && q[1] == 1.0f && q[2] == -1.0f && q[3] == -0.0f);
    EXPECT_TRUE(std::signbit(q[3]) && std::signbit((-vec4(0.0f))[1]));
    vec4 r = a;
    r -= vec4(1.0f);
    r *= r;
    r += vec4(0.5f);
    EXPECT_TRUE(r[0] == 4.5f && r[1] == 4.5f && r[2] == 36.5f && r[3] == 9.5f);
    EXPECT_EQ((andNot(a, vec4(-0.0f)) | vec4(-0.0f))[1], -3.0f);

    // (1 + 2^-12)^2 - (1 + 2^-11) is 2^-24 exactly; rounding the product first gives 0.
    const vec4 e(1.0f + 0x1p-12f);
    EXPECT_EQ(fusedMultiplyAdd(e, e, vec4(-(1.0f + 0x1p-11f)))[2], 0x1p-24f);
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> dist(-4.0f, 4.0f);
    for (int n = 0; n < 500; ++n)
    {
        const float x = dist(rng), y = dist(rng), z = dist(rng);
        ASSERT_EQ(fusedMultiplyAdd(vec4(0.0f, x, 0.0f, 0.0f), vec4(y), vec4(z))[1],
                  std::fma(x, y, z));
    }
}

TEST(Vec4, MagnitudeIsHypotIncludingNonFiniteParts)
{
    std::mt19937 rng(3);
    std::uniform_int_distribution<int> exponent(-140, 120);
    std::uniform_real_distribution<float> mantissa(-1.0f, 1.0f);
    for (int n = 0; n < 5000; ++n)
    {
        const float re = std::ldexp(mantissa(rng), exponent(rng));
        const float im = std::ldexp(mantissa(rng), exponent(rng));
        ASSERT_EQ(magnitude(vec4(re, 0, 0, 0), vec4(im, 0, 0, 0))[0], std::hypot(re, im))
            << re << " " << im;
    }
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const vec4 m = magnitude(vec4(inf, nan, -inf, 3.0f), vec4(nan, 1.0f, 0.0f, -inf));
    EXPECT_TRUE(m[0] == inf && std::isnan(m[1]) && m[2] == inf && m[3] == inf);
}
