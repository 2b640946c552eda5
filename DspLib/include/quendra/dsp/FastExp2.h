// fastExp2: single-precision 2^x from the exponent bits and a quartic polynomial.
// Every exponential and power of two in the engine goes through it, so that the
// engine's numbers do not depend on the C library. Pure function, no allocation.
#pragma once

#include "quendra/dsp/simd/Approximations.h"

#include <bit>
#include <cmath>
#include <cstdint>

namespace quendra::dravel::vantor
{

// 1 + f(c1 + f(c2 + f(c3 + f c4))) as fused multiply-adds: 2^f for f in [0, 1).
inline float exp2Polynomial(float f) noexcept
{
    namespace a = approximation;
    float p = std::fma(f, a::kExp2[4], a::kExp2[3]);
    p = std::fma(f, p, a::kExp2[2]);
    p = std::fma(f, p, a::kExp2[1]);
    return std::fma(f, p, a::kExp2[0]);
}

// t = x + 127 clamped to [0, 255]; i = trunc(t), f = t - i;
// result = (1 + f(c1 + f(c2 + f(c3 + f c4)))) * 2^(i - 127), the power built from bits.
// Integer arguments in [-126, 127] give exact powers of two; below -126 gives 0.
inline float fastExp2(float x) noexcept
{
    float t = x + 127.0f;
    t = t < 0.0f ? 0.0f : (t > 255.0f ? 255.0f : t);
    const auto i = static_cast<std::uint32_t>(t);
    const float f = t - static_cast<float>(i);
    return exp2Polynomial(f) * std::bit_cast<float>(i << 23);
}

} // namespace quendra::dravel::vantor
