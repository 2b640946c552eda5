// vec8 and vec8u: eight 32-bit lanes in one AVX register, the AVX2 + FMA backend of the lane
// pack (x86-64 only). The same primitives as vec4 with the same bits per lane; comparisons
// yield masks (all bits set in a true lane). Everything here is compiled for AVX2 and FMA and
// may only run after processorVectorWidth() has found them; include it only into a backend's
// translation unit.
#pragma once

#include "quendra/dsp/simd/TargetRegion.h"
#include "quendra/dsp/simd/Vec4.h"

#include <cstdint>
#include <immintrin.h>

namespace quendra::dravel::vantor::avx2
{
QUENDRA_BEGIN_TARGET("avx2,fma")

#define QUENDRA_AVX2_INLINE [[gnu::always_inline]] inline

struct vec8u
{
    __m256i v;
    QUENDRA_AVX2_INLINE explicit vec8u(__m256i native) noexcept : v(native) {}
    QUENDRA_AVX2_INLINE explicit vec8u(std::uint32_t s) noexcept
        : v(_mm256_set1_epi32(static_cast<int>(s)))
    {
    }
};

struct vec8
{
    static constexpr int kLanes = 8;
    __m256 v;
    QUENDRA_AVX2_INLINE explicit vec8(__m256 native) noexcept : v(native) {}
    QUENDRA_AVX2_INLINE explicit vec8(float s) noexcept : v(_mm256_set1_ps(s)) {}
    // A vec4 in both halves.
    QUENDRA_AVX2_INLINE explicit vec8(vec4 both) noexcept : v(_mm256_set_m128(both.v, both.v)) {}
    QUENDRA_AVX2_INLINE static vec8 load(const float* p) noexcept
    {
        return vec8(_mm256_loadu_ps(p));
    }
    QUENDRA_AVX2_INLINE void store(float* p) const noexcept { _mm256_storeu_ps(p, v); }
};

QUENDRA_AVX2_INLINE vec8 operator+(vec8 a, vec8 b) noexcept
{
    return vec8(_mm256_add_ps(a.v, b.v));
}
QUENDRA_AVX2_INLINE vec8 operator-(vec8 a, vec8 b) noexcept
{
    return vec8(_mm256_sub_ps(a.v, b.v));
}
QUENDRA_AVX2_INLINE vec8 operator*(vec8 a, vec8 b) noexcept
{
    return vec8(_mm256_mul_ps(a.v, b.v));
}
QUENDRA_AVX2_INLINE vec8 operator/(vec8 a, vec8 b) noexcept
{
    return vec8(_mm256_div_ps(a.v, b.v));
}
QUENDRA_AVX2_INLINE vec8 operator&(vec8 a, vec8 b) noexcept
{
    return vec8(_mm256_and_ps(a.v, b.v));
}
QUENDRA_AVX2_INLINE vec8 operator|(vec8 a, vec8 b) noexcept
{
    return vec8(_mm256_or_ps(a.v, b.v));
}
// (a < b ? a : b) and (a > b ? a : b), as vec4's min and max.
QUENDRA_AVX2_INLINE vec8 min(vec8 a, vec8 b) noexcept
{
    return vec8(_mm256_min_ps(a.v, b.v));
}
QUENDRA_AVX2_INLINE vec8 max(vec8 a, vec8 b) noexcept
{
    return vec8(_mm256_max_ps(a.v, b.v));
}
QUENDRA_AVX2_INLINE vec8 clamp(vec8 x, vec8 lo, vec8 hi) noexcept
{
    return min(max(x, lo), hi);
}
QUENDRA_AVX2_INLINE vec8 operator<(vec8 a, vec8 b) noexcept
{
    return vec8(_mm256_cmp_ps(a.v, b.v, _CMP_LT_OS));
}
QUENDRA_AVX2_INLINE vec8 operator>(vec8 a, vec8 b) noexcept
{
    return vec8(_mm256_cmp_ps(a.v, b.v, _CMP_GT_OS));
}
QUENDRA_AVX2_INLINE vec8 operator>=(vec8 a, vec8 b) noexcept
{
    return vec8(_mm256_cmp_ps(a.v, b.v, _CMP_GE_OS));
}
// Ordered equality: vec4's (a <= b) & (a >= b).
QUENDRA_AVX2_INLINE vec8 operator==(vec8 a, vec8 b) noexcept
{
    return vec8(_mm256_cmp_ps(a.v, b.v, _CMP_EQ_OQ));
}
// Not (ordered) equal: vec4's complement of ==.
QUENDRA_AVX2_INLINE vec8 operator!=(vec8 a, vec8 b) noexcept
{
    return vec8(_mm256_cmp_ps(a.v, b.v, _CMP_NEQ_UQ));
}
QUENDRA_AVX2_INLINE bool any(vec8 mask) noexcept
{
    return _mm256_movemask_ps(mask.v) != 0;
}
QUENDRA_AVX2_INLINE vec8 abs(vec8 a) noexcept
{
    return vec8(_mm256_andnot_ps(_mm256_set1_ps(-0.0f), a.v));
}
QUENDRA_AVX2_INLINE vec8 select(vec8 mask, vec8 a, vec8 b) noexcept
{
    return vec8(_mm256_blendv_ps(b.v, a.v, mask.v));
}
QUENDRA_AVX2_INLINE vec8 keepWhere(vec8 mask, vec8 a) noexcept
{
    return mask & a;
}
QUENDRA_AVX2_INLINE vec8 fusedMultiplyAdd(vec8 a, vec8 b, vec8 c) noexcept
{
    return vec8(_mm256_fmadd_ps(a.v, b.v, c.v));
}
QUENDRA_AVX2_INLINE vec8 truncateToInt(vec8 x) noexcept
{
    return vec8(_mm256_cvtepi32_ps(_mm256_cvttps_epi32(x.v)));
}
QUENDRA_AVX2_INLINE vec8u truncateToWord(vec8 x) noexcept
{
    return vec8u(_mm256_cvttps_epi32(x.v));
}
QUENDRA_AVX2_INLINE vec8 bitsToFloat(vec8u w) noexcept
{
    return vec8(_mm256_castsi256_ps(w.v));
}
QUENDRA_AVX2_INLINE vec8u floatToBits(vec8 x) noexcept
{
    return vec8u(_mm256_castps_si256(x.v));
}
QUENDRA_AVX2_INLINE vec8u operator&(vec8u a, vec8u b) noexcept
{
    return vec8u(_mm256_and_si256(a.v, b.v));
}
QUENDRA_AVX2_INLINE vec8u operator|(vec8u a, vec8u b) noexcept
{
    return vec8u(_mm256_or_si256(a.v, b.v));
}
template <int N>
QUENDRA_AVX2_INLINE vec8u shiftLeft(vec8u a) noexcept
{
    return vec8u(_mm256_slli_epi32(a.v, N));
}
template <int N>
QUENDRA_AVX2_INLINE vec8u shiftRight(vec8u a) noexcept
{
    return vec8u(_mm256_srli_epi32(a.v, N));
}
// sqrt(re^2 + im^2) formed in double precision and rounded once to float, four lanes at a
// time: vec4's operations.
QUENDRA_AVX2_INLINE __m128 magnitudeFinite(__m128 re, __m128 im) noexcept
{
    const __m256d reWide = _mm256_cvtps_pd(re);
    const __m256d imWide = _mm256_cvtps_pd(im);
    return _mm256_cvtpd_ps(_mm256_sqrt_pd(
        _mm256_add_pd(_mm256_mul_pd(reWide, reWide), _mm256_mul_pd(imWide, imWide))));
}
QUENDRA_AVX2_INLINE vec8 magnitudeFinite(vec8 re, vec8 im) noexcept
{
    const __m128 low = magnitudeFinite(_mm256_castps256_ps128(re.v), _mm256_castps256_ps128(im.v));
    const __m128 high =
        magnitudeFinite(_mm256_extractf128_ps(re.v, 1), _mm256_extractf128_ps(im.v, 1));
    return vec8(_mm256_set_m128(high, low));
}
// (x0 x1 x4 x5 | x2 x3 x6 x7) put in order: the middle quarters swapped.
QUENDRA_AVX2_INLINE __m256 swapMiddleQuarters(__m256 x) noexcept
{
    return _mm256_castpd_ps(_mm256_permute4x64_pd(_mm256_castps_pd(x), _MM_SHUFFLE(3, 1, 2, 0)));
}
// Eight interleaved (re, im) pairs from p split into a re pack and an im pack.
QUENDRA_AVX2_INLINE void deinterleave(const float* p, vec8& re, vec8& im) noexcept
{
    const __m256 a = _mm256_loadu_ps(p);     // re0 im0 re1 im1 | re2 im2 re3 im3
    const __m256 b = _mm256_loadu_ps(p + 8); // re4 im4 re5 im5 | re6 im6 re7 im7
    re = vec8(swapMiddleQuarters(_mm256_shuffle_ps(a, b, _MM_SHUFFLE(2, 0, 2, 0))));
    im = vec8(swapMiddleQuarters(_mm256_shuffle_ps(a, b, _MM_SHUFFLE(3, 1, 3, 1))));
}

#include "quendra/dsp/simd/LanePackMath.inl"

#undef QUENDRA_AVX2_INLINE
QUENDRA_END_TARGET
} // namespace quendra::dravel::vantor::avx2
