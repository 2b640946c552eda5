// The WebAssembly SIMD128 backend of vec4 and vec4u (browser builds with -msimd128).
// Included by Vec4.h alone, which picks one backend per target; every backend gives the same
// bits. Defines the types and the primitives the rest of Vec4.h builds on. SIMD128's own min,
// max and float-to-integer conversion round differently at the edges (NaN, -0, overflow), so
// those are built from comparisons here, as the other backends define them; it has no fused
// multiply-add, which is taken lane by lane from std::fma.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>
#include <wasm_simd128.h>

namespace quendra::dravel::vantor
{

struct vec4u;

struct alignas(16) vec4
{
    static constexpr int kLanes = 4;

    v128_t v;
    explicit vec4(v128_t native) noexcept : v(native) {}

    vec4() noexcept : vec4(0.0f) {}

    explicit vec4(float s) noexcept : v(wasm_f32x4_splat(s)) {}
    vec4(float a, float b, float c, float d) noexcept : v(wasm_f32x4_make(a, b, c, d)) {}
    static vec4 load(const float* p) noexcept { return vec4(wasm_v128_load(p)); }
    void store(float* p) const noexcept { wasm_v128_store(p, v); }
    // (p[0], p[1], p[0], p[1]), and the first two lanes stored to p[0], p[1].
    static vec4 loadPair(const float* p) noexcept { return vec4(wasm_v128_load64_splat(p)); }
    void storePair(float* p) const noexcept { wasm_v128_store64_lane(p, v, 0); }

    float operator[](int lane) const noexcept
    {
        alignas(16) float lanes[4];
        store(lanes);
        return lanes[lane];
    }
};

struct alignas(16) vec4u
{
    v128_t v;
    explicit vec4u(v128_t native) noexcept : v(native) {}
    explicit vec4u(std::uint32_t s) noexcept : v(wasm_u32x4_splat(s)) {}
    vec4u(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d) noexcept
        : v(wasm_u32x4_make(a, b, c, d))
    {
    }
    void store(std::uint32_t* p) const noexcept { wasm_v128_store(p, v); }

    vec4u() noexcept : vec4u(0u) {}

    std::uint32_t operator[](int lane) const noexcept
    {
        alignas(16) std::uint32_t lanes[4];
        store(lanes);
        return lanes[lane];
    }
};

inline vec4 operator+(vec4 a, vec4 b) noexcept
{
    return vec4(wasm_f32x4_add(a.v, b.v));
}
inline vec4 operator-(vec4 a, vec4 b) noexcept
{
    return vec4(wasm_f32x4_sub(a.v, b.v));
}
inline vec4 operator*(vec4 a, vec4 b) noexcept
{
    return vec4(wasm_f32x4_mul(a.v, b.v));
}
inline vec4 operator/(vec4 a, vec4 b) noexcept
{
    return vec4(wasm_f32x4_div(a.v, b.v));
}
inline vec4 operator&(vec4 a, vec4 b) noexcept
{
    return vec4(wasm_v128_and(a.v, b.v));
}
inline vec4 operator|(vec4 a, vec4 b) noexcept
{
    return vec4(wasm_v128_or(a.v, b.v));
}
inline vec4 operator^(vec4 a, vec4 b) noexcept
{
    return vec4(wasm_v128_xor(a.v, b.v));
}
// a AND NOT b
inline vec4 andNot(vec4 a, vec4 b) noexcept
{
    return vec4(wasm_v128_andnot(a.v, b.v));
}
inline vec4 operator<(vec4 a, vec4 b) noexcept
{
    return vec4(wasm_f32x4_lt(a.v, b.v));
}
inline vec4 operator<=(vec4 a, vec4 b) noexcept
{
    return vec4(wasm_f32x4_le(a.v, b.v));
}
inline vec4 operator>(vec4 a, vec4 b) noexcept
{
    return vec4(wasm_f32x4_gt(a.v, b.v));
}
inline vec4 operator>=(vec4 a, vec4 b) noexcept
{
    return vec4(wasm_f32x4_ge(a.v, b.v));
}
// (a < b ? a : b) and (a > b ? a : b), as on the other backends.
inline vec4 min(vec4 a, vec4 b) noexcept
{
    return vec4(wasm_v128_bitselect(a.v, b.v, wasm_f32x4_lt(a.v, b.v)));
}
inline vec4 max(vec4 a, vec4 b) noexcept
{
    return vec4(wasm_v128_bitselect(a.v, b.v, wasm_f32x4_gt(a.v, b.v)));
}
// A lane's mask bit is its sign bit, as for movemask on SSE2.
inline bool any(vec4 mask) noexcept
{
    return wasm_i32x4_bitmask(mask.v) != 0;
}
inline bool all(vec4 mask) noexcept
{
    return wasm_i32x4_bitmask(mask.v) == 0xF;
}
namespace detail
{
// SIMD128's conversion saturates and turns NaN into 0; give INT_MIN for those lanes instead,
// as the SSE2 conversion does, so that all backends agree on every input.
inline v128_t truncateLanes(v128_t x) noexcept
{
    const v128_t inRange = wasm_v128_and(wasm_f32x4_gt(x, wasm_f32x4_splat(-2147483904.0f)),
                                         wasm_f32x4_lt(x, wasm_f32x4_splat(2147483648.0f)));
    return wasm_v128_bitselect(wasm_i32x4_trunc_sat_f32x4(x),
                               wasm_i32x4_splat(std::numeric_limits<std::int32_t>::min()), inRange);
}
} // namespace detail
// Truncation toward zero through a 32-bit integer; only meaningful for |x| < 2^31.
inline vec4 truncateToInt(vec4 x) noexcept
{
    return vec4(wasm_f32x4_convert_i32x4(detail::truncateLanes(x.v)));
}
inline vec4u truncateToWord(vec4 x) noexcept
{
    return vec4u(detail::truncateLanes(x.v));
}
inline vec4 bitsToFloat(vec4u w) noexcept
{
    return vec4(w.v);
}
inline vec4u floatToBits(vec4 x) noexcept
{
    return vec4u(x.v);
}

inline vec4u operator^(vec4u a, vec4u b) noexcept
{
    return vec4u(wasm_v128_xor(a.v, b.v));
}
inline vec4u operator|(vec4u a, vec4u b) noexcept
{
    return vec4u(wasm_v128_or(a.v, b.v));
}
inline vec4u operator&(vec4u a, vec4u b) noexcept
{
    return vec4u(wasm_v128_and(a.v, b.v));
}
template <int N>
inline vec4u shiftLeft(vec4u a) noexcept
{
    return vec4u(wasm_i32x4_shl(a.v, N));
}
template <int N>
inline vec4u shiftRight(vec4u a) noexcept
{
    return vec4u(wasm_u32x4_shr(a.v, N));
}
// Mask of the lanes whose word is zero.
inline vec4 isZero(vec4u a) noexcept
{
    return vec4(wasm_i32x4_eq(a.v, wasm_i32x4_splat(0)));
}
// (a0, b0, a1, b1) and (a2, b2, a3, b3).
inline vec4 interleaveLow(vec4 a, vec4 b) noexcept
{
    return vec4(wasm_i32x4_shuffle(a.v, b.v, 0, 4, 1, 5));
}
inline vec4 interleaveHigh(vec4 a, vec4 b) noexcept
{
    return vec4(wasm_i32x4_shuffle(a.v, b.v, 2, 6, 3, 7));
}
// sqrt(re^2 + im^2) formed in double precision and rounded once to float.
inline vec4 magnitudeFinite(vec4 re, vec4 im) noexcept
{
    const auto half = [](v128_t r, v128_t i)
    {
        const v128_t reWide = wasm_f64x2_promote_low_f32x4(r);
        const v128_t imWide = wasm_f64x2_promote_low_f32x4(i);
        return wasm_f32x4_demote_f64x2_zero(wasm_f64x2_sqrt(
            wasm_f64x2_add(wasm_f64x2_mul(reWide, reWide), wasm_f64x2_mul(imWide, imWide))));
    };
    const v128_t low = half(re.v, im.v);
    const v128_t high = half(wasm_i32x4_shuffle(re.v, re.v, 2, 3, 2, 3),
                             wasm_i32x4_shuffle(im.v, im.v, 2, 3, 2, 3));
    return vec4(wasm_i32x4_shuffle(low, high, 0, 1, 4, 5));
}

// a x b + c per lane with a single rounding (a fused multiply-add), the same bits as
// std::fma on every backend.
inline vec4 fusedMultiplyAdd(vec4 a, vec4 b, vec4 c) noexcept
{
    alignas(16) float x[4], y[4], z[4];
    a.store(x);
    b.store(y);
    c.store(z);
    return vec4(std::fma(x[0], y[0], z[0]), std::fma(x[1], y[1], z[1]), std::fma(x[2], y[2], z[2]),
                std::fma(x[3], y[3], z[3]));
}

// Lane L of a in all four lanes.
template <int L>
inline vec4 broadcast(vec4 a) noexcept
{
    return vec4(wasm_i32x4_shuffle(a.v, a.v, L, L, L, L));
}

// (a2, a3, b0, b1): the upper half of a, then the lower half of b.
inline vec4 joinHighLow(vec4 a, vec4 b) noexcept
{
    return vec4(wasm_i32x4_shuffle(a.v, b.v, 2, 3, 4, 5));
}

} // namespace quendra::dravel::vantor
