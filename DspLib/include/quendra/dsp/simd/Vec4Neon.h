// The NEON backend of vec4 and vec4u (arm64).
// Included by Vec4.h alone, which picks one backend per target; every backend gives the same
// bits. Defines the types and the primitives the rest of Vec4.h builds on.
#pragma once

#include <arm_neon.h>
#include <cmath>
#include <cstdint>
#include <limits>

namespace quendra::dravel::vantor
{

struct vec4u;

struct alignas(16) vec4
{
    static constexpr int kLanes = 4;

    float32x4_t v;
    explicit vec4(float32x4_t native) noexcept : v(native) {}

    vec4() noexcept : vec4(0.0f) {}

    explicit vec4(float s) noexcept : v(vdupq_n_f32(s)) {}
    vec4(float a, float b, float c, float d) noexcept
    {
        const float lanes[4] = {a, b, c, d};
        v = vld1q_f32(lanes);
    }
    static vec4 load(const float* p) noexcept { return vec4(vld1q_f32(p)); }
    void store(float* p) const noexcept { vst1q_f32(p, v); }
    static vec4 loadPair(const float* p) noexcept
    {
        const float32x2_t pair = vld1_f32(p);
        return vec4(vcombine_f32(pair, pair));
    }
    void storePair(float* p) const noexcept { vst1_f32(p, vget_low_f32(v)); }

    float operator[](int lane) const noexcept
    {
        alignas(16) float lanes[4];
        store(lanes);
        return lanes[lane];
    }
};

struct alignas(16) vec4u
{
    uint32x4_t v;
    explicit vec4u(uint32x4_t native) noexcept : v(native) {}
    explicit vec4u(std::uint32_t s) noexcept : v(vdupq_n_u32(s)) {}
    vec4u(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d) noexcept
    {
        const std::uint32_t lanes[4] = {a, b, c, d};
        v = vld1q_u32(lanes);
    }
    void store(std::uint32_t* p) const noexcept { vst1q_u32(p, v); }

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
    return vec4(vaddq_f32(a.v, b.v));
}
inline vec4 operator-(vec4 a, vec4 b) noexcept
{
    return vec4(vsubq_f32(a.v, b.v));
}
inline vec4 operator*(vec4 a, vec4 b) noexcept
{
    return vec4(vmulq_f32(a.v, b.v));
}
inline vec4 operator/(vec4 a, vec4 b) noexcept
{
    return vec4(vdivq_f32(a.v, b.v));
}
inline vec4 operator&(vec4 a, vec4 b) noexcept
{
    return vec4(
        vreinterpretq_f32_u32(vandq_u32(vreinterpretq_u32_f32(a.v), vreinterpretq_u32_f32(b.v))));
}
inline vec4 operator|(vec4 a, vec4 b) noexcept
{
    return vec4(
        vreinterpretq_f32_u32(vorrq_u32(vreinterpretq_u32_f32(a.v), vreinterpretq_u32_f32(b.v))));
}
inline vec4 operator^(vec4 a, vec4 b) noexcept
{
    return vec4(
        vreinterpretq_f32_u32(veorq_u32(vreinterpretq_u32_f32(a.v), vreinterpretq_u32_f32(b.v))));
}
inline vec4 andNot(vec4 a, vec4 b) noexcept
{
    return vec4(
        vreinterpretq_f32_u32(vbicq_u32(vreinterpretq_u32_f32(a.v), vreinterpretq_u32_f32(b.v))));
}
inline vec4 operator<(vec4 a, vec4 b) noexcept
{
    return vec4(vreinterpretq_f32_u32(vcltq_f32(a.v, b.v)));
}
inline vec4 operator<=(vec4 a, vec4 b) noexcept
{
    return vec4(vreinterpretq_f32_u32(vcleq_f32(a.v, b.v)));
}
inline vec4 operator>(vec4 a, vec4 b) noexcept
{
    return vec4(vreinterpretq_f32_u32(vcgtq_f32(a.v, b.v)));
}
inline vec4 operator>=(vec4 a, vec4 b) noexcept
{
    return vec4(vreinterpretq_f32_u32(vcgeq_f32(a.v, b.v)));
}
inline vec4 min(vec4 a, vec4 b) noexcept
{
    return vec4(vbslq_f32(vcltq_f32(a.v, b.v), a.v, b.v));
}
inline vec4 max(vec4 a, vec4 b) noexcept
{
    return vec4(vbslq_f32(vcgtq_f32(a.v, b.v), a.v, b.v));
}
// A lane's mask bit is its sign bit, as for movemask on SSE2.
inline bool any(vec4 mask) noexcept
{
    return vmaxvq_u32(vshrq_n_u32(vreinterpretq_u32_f32(mask.v), 31)) != 0;
}
inline bool all(vec4 mask) noexcept
{
    return vminvq_u32(vshrq_n_u32(vreinterpretq_u32_f32(mask.v), 31)) != 0;
}
namespace detail
{
// The NEON conversion saturates and turns NaN into 0; give INT_MIN for those lanes instead,
// as the SSE2 conversion does, so that all backends agree on every input.
inline int32x4_t truncateLanes(float32x4_t x) noexcept
{
    const uint32x4_t inRange = vandq_u32(vcgtq_f32(x, vdupq_n_f32(-2147483904.0f)),
                                         vcltq_f32(x, vdupq_n_f32(2147483648.0f)));
    return vbslq_s32(inRange, vcvtq_s32_f32(x),
                     vdupq_n_s32(std::numeric_limits<std::int32_t>::min()));
}
} // namespace detail
inline vec4 truncateToInt(vec4 x) noexcept
{
    return vec4(vcvtq_f32_s32(detail::truncateLanes(x.v)));
}
inline vec4u truncateToWord(vec4 x) noexcept
{
    return vec4u(vreinterpretq_u32_s32(detail::truncateLanes(x.v)));
}
inline vec4 bitsToFloat(vec4u w) noexcept
{
    return vec4(vreinterpretq_f32_u32(w.v));
}
inline vec4u floatToBits(vec4 x) noexcept
{
    return vec4u(vreinterpretq_u32_f32(x.v));
}

inline vec4u operator^(vec4u a, vec4u b) noexcept
{
    return vec4u(veorq_u32(a.v, b.v));
}
inline vec4u operator|(vec4u a, vec4u b) noexcept
{
    return vec4u(vorrq_u32(a.v, b.v));
}
inline vec4u operator&(vec4u a, vec4u b) noexcept
{
    return vec4u(vandq_u32(a.v, b.v));
}
template <int N>
inline vec4u shiftLeft(vec4u a) noexcept
{
    return vec4u(vshlq_n_u32(a.v, N));
}
template <int N>
inline vec4u shiftRight(vec4u a) noexcept
{
    return vec4u(vshrq_n_u32(a.v, N));
}
inline vec4 isZero(vec4u a) noexcept
{
    return vec4(vreinterpretq_f32_u32(vceqq_u32(a.v, vdupq_n_u32(0))));
}
inline vec4 interleaveLow(vec4 a, vec4 b) noexcept
{
    return vec4(vzip1q_f32(a.v, b.v));
}
inline vec4 interleaveHigh(vec4 a, vec4 b) noexcept
{
    return vec4(vzip2q_f32(a.v, b.v));
}
inline vec4 magnitudeFinite(vec4 re, vec4 im) noexcept
{
    const float64x2_t reLow = vcvt_f64_f32(vget_low_f32(re.v));
    const float64x2_t imLow = vcvt_f64_f32(vget_low_f32(im.v));
    const float64x2_t reHigh = vcvt_high_f64_f32(re.v);
    const float64x2_t imHigh = vcvt_high_f64_f32(im.v);
    const float64x2_t low = vsqrtq_f64(vaddq_f64(vmulq_f64(reLow, reLow), vmulq_f64(imLow, imLow)));
    const float64x2_t high =
        vsqrtq_f64(vaddq_f64(vmulq_f64(reHigh, reHigh), vmulq_f64(imHigh, imHigh)));
    return vec4(vcvt_high_f32_f64(vcvt_f32_f64(low), high));
}

// a x b + c per lane with a single rounding (a fused multiply-add), the same bits as
// std::fma on every backend; the FMA instruction where the target has one.
inline vec4 fusedMultiplyAdd(vec4 a, vec4 b, vec4 c) noexcept
{
    return vec4(vfmaq_f32(c.v, a.v, b.v));
}

// Lane L of a in all four lanes.
template <int L>
inline vec4 broadcast(vec4 a) noexcept
{
    return vec4(vdupq_laneq_f32(a.v, L));
}

// (a2, a3, b0, b1): the upper half of a, then the lower half of b.
inline vec4 joinHighLow(vec4 a, vec4 b) noexcept
{
    return vec4(vextq_f32(a.v, b.v, 2));
}

} // namespace quendra::dravel::vantor
