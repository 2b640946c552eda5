// The 256-bit pack's floor and ceil come from the rounding instruction, the four-lane ones from
// truncation: both must give the same bits for every value arithmetic can produce (a signalling
// NaN it cannot), the signs of zero and the edges of whole-number range above all.
#include "quendra/dsp/simd/WideVectors.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#if defined(QUENDRA_WIDE_VECTORS)
#include "quendra/dsp/simd/Vec8Avx2.h"

namespace quendra::dravel::vantor::avx2
{
QUENDRA_BEGIN_TARGET("avx2,fma")
namespace
{
// floor() and ceil() of eight values at a time, as the 256-bit kernels form them.
void roundEight(const float* in, float* down, float* up) noexcept
{
    floor(vec8::load(in)).store(down);
    ceil(vec8::load(in)).store(up);
}
} // namespace
QUENDRA_END_TARGET
} // namespace quendra::dravel::vantor::avx2

namespace
{
using namespace quendra::dravel::vantor;

bool isSignallingNan(float x)
{
    const std::uint32_t bits = std::bit_cast<std::uint32_t>(x);
    return (bits & 0x7f800000u) == 0x7f800000u && (bits & 0x007fffffu) != 0 &&
           (bits & 0x00400000u) == 0;
}

std::vector<float> awkwardValues()
{
    const float inf = std::numeric_limits<float>::infinity();
    std::vector<float> v = {0.0f,
                            -0.0f,
                            0.25f,
                            -0.25f,
                            0.5f,
                            -0.5f,
                            0.75f,
                            -0.75f,
                            1.0f,
                            -1.0f,
                            1e-45f,
                            -1e-45f,
                            1e-38f,
                            -1e-38f,
                            2.5f,
                            -2.5f,
                            8388607.5f,
                            -8388607.5f,
                            8388608.0f,
                            -8388608.0f,
                            8388609.0f,
                            -8388609.0f,
                            16777215.0f,
                            1e20f,
                            -1e20f,
                            inf,
                            -inf,
                            std::numeric_limits<float>::quiet_NaN(),
                            -std::numeric_limits<float>::quiet_NaN()};
    // Every bit pattern is as likely as any other: most exponents lie outside whole-number
    // range, so many more draws fall inside it, near zero above all.
    std::mt19937 rng(17);
    std::uniform_int_distribution<std::uint32_t> bits;
    std::uniform_real_distribution<float> nearZero(-4.0f, 4.0f);
    std::uniform_real_distribution<float> wholeRange(-1.7e7f, 1.7e7f);
    for (int n = 0; n < 200000; ++n)
    {
        const float x = std::bit_cast<float>(bits(rng));
        if (!isSignallingNan(x))
            v.push_back(x);
        v.push_back(nearZero(rng));
        v.push_back(wholeRange(rng));
    }
    while (v.size() % 8 != 0)
        v.push_back(0.0f);
    return v;
}
} // namespace

TEST(Vec8Rounding, FloorAndCeilGiveTheFourLaneBits)
{
    if (processorVectorWidth() < VectorWidth::Bits256)
        GTEST_SKIP() << "this processor lacks the 256-bit path";
    const std::vector<float> values = awkwardValues();
    for (std::size_t at = 0; at < values.size(); at += 8)
    {
        float down[8];
        float up[8];
        avx2::roundEight(&values[at], down, up);
        for (std::size_t lane = 0; lane < 8; ++lane)
        {
            const float x = values[at + lane];
            const float fourDown = floor(vec4(x))[0];
            const float fourUp = ceil(vec4(x))[0];
            ASSERT_EQ(std::bit_cast<std::uint32_t>(down[lane]),
                      std::bit_cast<std::uint32_t>(fourDown))
                << "floor of " << x << " (bits " << std::hex << std::bit_cast<std::uint32_t>(x)
                << ")";
            ASSERT_EQ(std::bit_cast<std::uint32_t>(up[lane]), std::bit_cast<std::uint32_t>(fourUp))
                << "ceil of " << x << " (bits " << std::hex << std::bit_cast<std::uint32_t>(x)
                << ")";
        }
    }
}
#endif
