// vec16, vec16u and mask16: sixteen 32-bit lanes in one AVX-512 register, the AVX-512F backend
// of the lane pack (x86-64 only), with the primitives the wide kernels need from vec8 and the
// same bits per lane. Comparisons yield mask16, one bit per lane in a mask register.
// Everything here is compiled for AVX-512F and may only run after processorVectorWidth() has
// found it; include it only into a backend's translation unit.
#pragma once

#include "quendra/dsp/simd/TargetRegion.h"
#include "quendra/dsp/simd/Vec4.h"

#include <cstdint>
#include <immintrin.h>

namespace quendra::dravel::vantor::avx512
{
QUENDRA_BEGIN_TARGET("avx512f")

#define QUENDRA_AVX512_INLINE [[gnu::always_inline]] inline

// Every lane: the masked forms of the intrinsics below leave no lane undefined.
constexpr __mmask16 kAll = 0xffff;

struct mask16
{
    __mmask16 m;
};

struct vec16u
{
    __m512i v;
    QUENDRA_AVX512_INLINE explicit vec16u(__m512i native) noexcept : v(native) {}
    QUENDRA_AVX512_INLINE explicit vec16u(std::uint32_t s) noexcept
        : v(_mm512_set1_epi32(static_cast<int>(s)))
    {
    }
    QUENDRA_AVX512_INLINE void store(std::uint32_t* p) const noexcept { _mm512_storeu_si512(p, v); }
};

struct vec16
{
    static constexpr int kLanes = 16;
    using Mask = mask16;
    __m512 v;
    // Uninitialised, for a slot that is written before it is read.
    vec16() noexcept = default;
    QUENDRA_AVX512_INLINE explicit vec16(__m512 native) noexcept : v(native) {}
    QUENDRA_AVX512_INLINE explicit vec16(float s) noexcept : v(_mm512_set1_ps(s)) {}
    // A vec4 in every quarter.
    QUENDRA_AVX512_INLINE explicit vec16(vec4 each) noexcept
        : v(_mm512_maskz_broadcast_f32x4(kAll, each.v))
    {
    }
    QUENDRA_AVX512_INLINE static vec16 load(const float* p) noexcept
    {
        return vec16(_mm512_loadu_ps(p));
    }
    QUENDRA_AVX512_INLINE void store(float* p) const noexcept { _mm512_storeu_ps(p, v); }
    // The same from and to a 64-byte aligned address.
    QUENDRA_AVX512_INLINE static vec16 loadAligned(const float* p) noexcept
    {
        return vec16(_mm512_load_ps(p));
    }
    QUENDRA_AVX512_INLINE void storeAligned(float* p) const noexcept { _mm512_store_ps(p, v); }
    // loadAligned(), held in a register: the compiler may not read the address again as an
    // operand of each instruction that uses the value.
    QUENDRA_AVX512_INLINE static vec16 loadAlignedOnce(const float* p) noexcept
    {
        __m512 x = _mm512_load_ps(p);
        asm("" : "+v"(x));
        return vec16(x);
    }
    // quarters[i] in lanes 4i .. 4i + 3.
    QUENDRA_AVX512_INLINE static vec16 fromQuarters(const vec4* const* quarters) noexcept
    {
        __m512 r = _mm512_maskz_broadcast_f32x4(kAll, quarters[0]->v);
        r = _mm512_insertf32x4(r, quarters[1]->v, 1);
        r = _mm512_insertf32x4(r, quarters[2]->v, 2);
        return vec16(_mm512_insertf32x4(r, quarters[3]->v, 3));
    }
    QUENDRA_AVX512_INLINE static Mask maskFromBits(unsigned bits) noexcept
    {
        return {static_cast<__mmask16>(bits)};
    }
    // The mask of lanes `first` and above.
    QUENDRA_AVX512_INLINE static Mask lanesFrom(int first) noexcept
    {
        return {static_cast<__mmask16>(0xffffu << first)};
    }
    // A pair of floats (held in a double's bits) in every pair of lanes.
    QUENDRA_AVX512_INLINE static vec16 ofPair(double pair) noexcept
    {
        return vec16(_mm512_castpd_ps(_mm512_set1_pd(pair)));
    }
};

QUENDRA_AVX512_INLINE mask16 operator&(mask16 a, mask16 b) noexcept
{
    return {static_cast<__mmask16>(a.m & b.m)};
}
QUENDRA_AVX512_INLINE mask16 operator|(mask16 a, mask16 b) noexcept
{
    return {static_cast<__mmask16>(a.m | b.m)};
}
QUENDRA_AVX512_INLINE unsigned laneBits(mask16 mask) noexcept
{
    return mask.m;
}

QUENDRA_AVX512_INLINE vec16 operator+(vec16 a, vec16 b) noexcept
{
    return vec16(_mm512_add_ps(a.v, b.v));
}
QUENDRA_AVX512_INLINE vec16 operator-(vec16 a, vec16 b) noexcept
{
    return vec16(_mm512_sub_ps(a.v, b.v));
}
QUENDRA_AVX512_INLINE vec16 operator*(vec16 a, vec16 b) noexcept
{
    return vec16(_mm512_mul_ps(a.v, b.v));
}
QUENDRA_AVX512_INLINE vec16 operator/(vec16 a, vec16 b) noexcept
{
    return vec16(_mm512_div_ps(a.v, b.v));
}
QUENDRA_AVX512_INLINE mask16 operator<(vec16 a, vec16 b) noexcept
{
    return {_mm512_cmp_ps_mask(a.v, b.v, _CMP_LT_OS)};
}
QUENDRA_AVX512_INLINE mask16 operator>(vec16 a, vec16 b) noexcept
{
    return {_mm512_cmp_ps_mask(a.v, b.v, _CMP_GT_OS)};
}
QUENDRA_AVX512_INLINE mask16 operator<=(vec16 a, vec16 b) noexcept
{
    return {_mm512_cmp_ps_mask(a.v, b.v, _CMP_LE_OS)};
}
QUENDRA_AVX512_INLINE mask16 operator>=(vec16 a, vec16 b) noexcept
{
    return {_mm512_cmp_ps_mask(a.v, b.v, _CMP_GE_OS)};
}
// Ordered equality, as vec4's.
QUENDRA_AVX512_INLINE mask16 operator==(vec16 a, vec16 b) noexcept
{
    return {_mm512_cmp_ps_mask(a.v, b.v, _CMP_EQ_OQ)};
}
QUENDRA_AVX512_INLINE vec16 abs(vec16 a) noexcept
{
    return vec16(_mm512_castsi512_ps(_mm512_maskz_andnot_epi32(
        kAll, _mm512_castps_si512(_mm512_set1_ps(-0.0f)), _mm512_castps_si512(a.v))));
}
QUENDRA_AVX512_INLINE vec16 select(mask16 mask, vec16 a, vec16 b) noexcept
{
    return vec16(_mm512_mask_blend_ps(mask.m, b.v, a.v));
}
QUENDRA_AVX512_INLINE vec16 keepWhere(mask16 mask, vec16 a) noexcept
{
    return vec16(_mm512_maskz_mov_ps(mask.m, a.v));
}
QUENDRA_AVX512_INLINE vec16 truncateToInt(vec16 x) noexcept
{
    return vec16(_mm512_maskz_cvtepi32_ps(kAll, _mm512_maskz_cvttps_epi32(kAll, x.v)));
}
QUENDRA_AVX512_INLINE vec16u truncateToWord(vec16 x) noexcept
{
    return vec16u(_mm512_maskz_cvttps_epi32(kAll, x.v));
}
// Lanes 4I .. 4I + 3.
template <int I>
QUENDRA_AVX512_INLINE vec4 quarter(vec16 a) noexcept
{
    return vec4(_mm512_maskz_extractf32x4_ps(__mmask8{0xf}, a.v, I));
}
// vec4's interleaveLow() and interleaveHigh() in each quarter.
QUENDRA_AVX512_INLINE vec16 interleaveLow(vec16 a, vec16 b) noexcept
{
    return vec16(_mm512_maskz_unpacklo_ps(kAll, a.v, b.v));
}
QUENDRA_AVX512_INLINE vec16 interleaveHigh(vec16 a, vec16 b) noexcept
{
    return vec16(_mm512_maskz_unpackhi_ps(kAll, a.v, b.v));
}

// Wrapping sums and differences; the comparison reads the words as signed.
QUENDRA_AVX512_INLINE vec16u operator+(vec16u a, vec16u b) noexcept
{
    return vec16u(_mm512_add_epi32(a.v, b.v));
}
QUENDRA_AVX512_INLINE vec16u operator-(vec16u a, vec16u b) noexcept
{
    return vec16u(_mm512_sub_epi32(a.v, b.v));
}
QUENDRA_AVX512_INLINE vec16u operator&(vec16u a, vec16u b) noexcept
{
    return vec16u(_mm512_and_si512(a.v, b.v));
}
QUENDRA_AVX512_INLINE mask16 greaterSigned(vec16u a, vec16u b) noexcept
{
    return {_mm512_cmp_epi32_mask(a.v, b.v, _MM_CMPINT_NLE)};
}
template <int N>
QUENDRA_AVX512_INLINE vec16u shiftLeft(vec16u a) noexcept
{
    return vec16u(_mm512_maskz_slli_epi32(kAll, a.v, N));
}

// base[k] and base[k + 1] for the index k of each lane, into lower and upper: each lane's two
// neighbours in one 64-bit element, two gathers of eight pairs instead of two of sixteen
// floats, then the pairs split.
QUENDRA_AVX512_INLINE void loadNeighbours(const float* base, vec16u index, vec16& lower,
                                          vec16& upper) noexcept
{
    const __m512 low = _mm512_castpd_ps(_mm512_mask_i32gather_pd(
        _mm512_setzero_pd(), 0xff, _mm512_maskz_extracti64x4_epi64(0xff, index.v, 0), base, 4));
    const __m512 high = _mm512_castpd_ps(_mm512_mask_i32gather_pd(
        _mm512_setzero_pd(), 0xff, _mm512_maskz_extracti64x4_epi64(0xff, index.v, 1), base, 4));
    lower = vec16(_mm512_permutex2var_ps(
        low, _mm512_setr_epi32(0, 2, 4, 6, 8, 10, 12, 14, 16, 18, 20, 22, 24, 26, 28, 30), high));
    upper = vec16(_mm512_permutex2var_ps(
        low, _mm512_setr_epi32(1, 3, 5, 7, 9, 11, 13, 15, 17, 19, 21, 23, 25, 27, 29, 31), high));
}

#include "quendra/dsp/simd/LanePackMath.inl"

#undef QUENDRA_AVX512_INLINE
QUENDRA_END_TARGET
} // namespace quendra::dravel::vantor::avx512
