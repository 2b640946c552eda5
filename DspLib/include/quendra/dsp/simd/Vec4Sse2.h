// The SSE2 backend of vec4 and vec4u (x86-64, and any x86 with SSE2).
// Included by Vec4.h alone, which picks one backend per target; every backend gives the same
// bits. Defines the types and the primitives the rest of Vec4.h builds on.
#pragma once

#include <cmath>
#include <cstdint>
#include <emmintrin.h>
#include <limits>

namespace quendra::dravel::vantor
{

struct vec4u;

struct alignas(16) vec4
{
    static constexpr int kLanes = 4;

    __m128 v;
    explicit vec4(__m128 native) noexcept : v(native) {}

    vec4() noexcept : vec4(0.0f) {}

    explicit vec4(float s) noexcept : v(_mm_set1_ps(s)) {}
    vec4(float a, float b, float c, float d) noexcept : v(_mm_setr_ps(a, b, c, d)) {}
    static vec4 load(const float* p) noexcept { return vec4(_mm_loadu_ps(p)); }
    void store(float* p) const noexcept { _mm_storeu_ps(p, v); }
    // (p[0], p[1], p[0], p[1]), and the first two lanes stored to p[0], p[1].
    static vec4 loadPair(const float* p) noexcept
    {
        return vec4(_mm_castpd_ps(_mm_load1_pd(reinterpret_cast<const double*>(p))));
    }
    void storePair(float* p) const noexcept { _mm_storel_pi(reinterpret_cast<__m64*>(p), v); }

    float operator[](int lane) const noexcept
    {
        alignas(16) float lanes[4];
        store(lanes);
        return lanes[lane];
    }
};

struct alignas(16) vec4u
{
    __m128i v;
    explicit vec4u(__m128i native) noexcept : v(native) {}
    explicit vec4u(std::uint32_t s) noexcept : v(_mm_set1_epi32(static_cast<int>(s))) {}
    vec4u(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d) noexcept
        : v(_mm_setr_epi32(static_cast<int>(a), static_cast<int>(b), static_cast<int>(c),
                           static_cast<int>(d)))
    {
    }
    void store(std::uint32_t* p) const noexcept
    {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
    }

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
    return vec4(_mm_add_ps(a.v, b.v));
}
inline vec4 operator-(vec4 a, vec4 b) noexcept
{
    return vec4(_mm_sub_ps(a.v, b.v));
}
inline vec4 operator*(vec4 a, vec4 b) noexcept
{
    return vec4(_mm_mul_ps(a.v, b.v));
}
inline vec4 operator/(vec4 a, vec4 b) noexcept
{
    return vec4(_mm_div_ps(a.v, b.v));
}
inline vec4 operator&(vec4 a, vec4 b) noexcept
{
    return vec4(_mm_and_ps(a.v, b.v));
}
inline vec4 operator|(vec4 a, vec4 b) noexcept
{
    return vec4(_mm_or_ps(a.v, b.v));
}
inline vec4 operator^(vec4 a, vec4 b) noexcept
{
    return vec4(_mm_xor_ps(a.v, b.v));
}
// a AND NOT b
inline vec4 andNot(vec4 a, vec4 b) noexcept
{
    return vec4(_mm_andnot_ps(b.v, a.v));
}
// Lane-wise min/max with an ordinary comparison: (a < b ? a : b), (a > b ? a : b).
inline vec4 min(vec4 a, vec4 b) noexcept
{
    return vec4(_mm_min_ps(a.v, b.v));
}
inline vec4 max(vec4 a, vec4 b) noexcept
{
    return vec4(_mm_max_ps(a.v, b.v));
}
inline vec4 operator<(vec4 a, vec4 b) noexcept
{
    return vec4(_mm_cmplt_ps(a.v, b.v));
}
inline vec4 operator<=(vec4 a, vec4 b) noexcept
{
    return vec4(_mm_cmple_ps(a.v, b.v));
}
inline vec4 operator>(vec4 a, vec4 b) noexcept
{
    return vec4(_mm_cmpgt_ps(a.v, b.v));
}
inline vec4 operator>=(vec4 a, vec4 b) noexcept
{
    return vec4(_mm_cmpge_ps(a.v, b.v));
}
inline bool any(vec4 mask) noexcept
{
    return _mm_movemask_ps(mask.v) != 0;
}
inline bool all(vec4 mask) noexcept
{
    return _mm_movemask_ps(mask.v) == 0xF;
}
// Truncation toward zero through a 32-bit integer; only meaningful for |x| < 2^31.
inline vec4 truncateToInt(vec4 x) noexcept
{
    return vec4(_mm_cvtepi32_ps(_mm_cvttps_epi32(x.v)));
}
inline vec4u truncateToWord(vec4 x) noexcept
{
    return vec4u(_mm_cvttps_epi32(x.v));
}
inline vec4 bitsToFloat(vec4u w) noexcept
{
    return vec4(_mm_castsi128_ps(w.v));
}
inline vec4u floatToBits(vec4 x) noexcept
{
    return vec4u(_mm_castps_si128(x.v));
}

inline vec4u operator^(vec4u a, vec4u b) noexcept
{
    return vec4u(_mm_xor_si128(a.v, b.v));
}
inline vec4u operator|(vec4u a, vec4u b) noexcept
{
    return vec4u(_mm_or_si128(a.v, b.v));
}
inline vec4u operator&(vec4u a, vec4u b) noexcept
{
    return vec4u(_mm_and_si128(a.v, b.v));
}
template <int N>
inline vec4u shiftLeft(vec4u a) noexcept
{
    return vec4u(_mm_slli_epi32(a.v, N));
}
template <int N>
inline vec4u shiftRight(vec4u a) noexcept
{
    return vec4u(_mm_srli_epi32(a.v, N));
}
// Mask of the lanes whose word is zero.
inline vec4 isZero(vec4u a) noexcept
{
    return vec4(_mm_castsi128_ps(_mm_cmpeq_epi32(a.v, _mm_setzero_si128())));
}
// (a0, b0, a1, b1) and (a2, b2, a3, b3).
inline vec4 interleaveLow(vec4 a, vec4 b) noexcept
{
    return vec4(_mm_unpacklo_ps(a.v, b.v));
}
inline vec4 interleaveHigh(vec4 a, vec4 b) noexcept
{
    return vec4(_mm_unpackhi_ps(a.v, b.v));
}
// sqrt(re^2 + im^2) formed in double precision and rounded once to float.
inline vec4 magnitudeFinite(vec4 re, vec4 im) noexcept
{
    const __m128d reLow = _mm_cvtps_pd(re.v);
    const __m128d imLow = _mm_cvtps_pd(im.v);
    const __m128d reHigh = _mm_cvtps_pd(_mm_movehl_ps(re.v, re.v));
    const __m128d imHigh = _mm_cvtps_pd(_mm_movehl_ps(im.v, im.v));
    const __m128d low = _mm_sqrt_pd(_mm_add_pd(_mm_mul_pd(reLow, reLow), _mm_mul_pd(imLow, imLow)));
    const __m128d high =
        _mm_sqrt_pd(_mm_add_pd(_mm_mul_pd(reHigh, reHigh), _mm_mul_pd(imHigh, imHigh)));
    return vec4(_mm_movelh_ps(_mm_cvtpd_ps(low), _mm_cvtpd_ps(high)));
}

// a x b + c per lane with a single rounding (a fused multiply-add), the same bits as
// std::fma on every backend; the FMA instruction where the target has one.
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
    return vec4(_mm_shuffle_ps(a.v, a.v, _MM_SHUFFLE(L, L, L, L)));
}

// (a2, a3, b0, b1): the upper half of a, then the lower half of b.
inline vec4 joinHighLow(vec4 a, vec4 b) noexcept
{
    return vec4(_mm_shuffle_ps(a.v, b.v, _MM_SHUFFLE(1, 0, 3, 2)));
}

} // namespace quendra::dravel::vantor
