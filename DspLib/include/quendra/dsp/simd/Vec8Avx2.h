// vec8 and vec8u: eight 32-bit lanes in one AVX register, the AVX2 + FMA backend of the lane
// pack (x86-64 only). The same primitives as vec4 with the same bits per lane; comparisons
// yield masks (all bits set in a true lane). Everything here is compiled for AVX2 and FMA and
// may only run after processorVectorWidth() has found them; include it only into a backend's
// translation unit.
#pragma once

#include "quendra/dsp/simd/TargetRegion.h"
#include "quendra/dsp/simd/Vec4.h"

#include <cstdint>
#include <cstring>
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
    QUENDRA_AVX2_INLINE void store(std::uint32_t* p) const noexcept
    {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
    }
};

struct vec8
{
    static constexpr int kLanes = 8;
    using Mask = vec8; // all bits set in a true lane
    __m256 v;
    // Uninitialised, for a slot that is written before it is read.
    vec8() noexcept = default;
    QUENDRA_AVX2_INLINE explicit vec8(__m256 native) noexcept : v(native) {}
    QUENDRA_AVX2_INLINE explicit vec8(float s) noexcept : v(_mm256_set1_ps(s)) {}
    // A vec4 in both halves.
    QUENDRA_AVX2_INLINE explicit vec8(vec4 both) noexcept : v(_mm256_set_m128(both.v, both.v)) {}
    QUENDRA_AVX2_INLINE static vec8 load(const float* p) noexcept
    {
        return vec8(_mm256_loadu_ps(p));
    }
    QUENDRA_AVX2_INLINE void store(float* p) const noexcept { _mm256_storeu_ps(p, v); }
    // The same from and to a 32-byte aligned address.
    QUENDRA_AVX2_INLINE static vec8 loadAligned(const float* p) noexcept
    {
        return vec8(_mm256_load_ps(p));
    }
    QUENDRA_AVX2_INLINE void storeAligned(float* p) const noexcept { _mm256_store_ps(p, v); }
    // loadAligned(), held in a register: the compiler may not read the address again as an
    // operand of each instruction that uses the value.
    QUENDRA_AVX2_INLINE static vec8 loadAlignedOnce(const float* p) noexcept
    {
        __m256 x = _mm256_load_ps(p);
        asm("" : "+x"(x));
        return vec8(x);
    }
    // quarters[0] in lanes 0..3, quarters[1] in lanes 4..7.
    QUENDRA_AVX2_INLINE static vec8 fromQuarters(const vec4* const* quarters) noexcept
    {
        return vec8(_mm256_set_m128(quarters[1]->v, quarters[0]->v));
    }
    // The mask of the lanes whose bits are set in `bits` (lane i: bit i).
    QUENDRA_AVX2_INLINE static Mask maskFromBits(unsigned bits) noexcept
    {
        const __m256i lane = _mm256_setr_epi32(1, 2, 4, 8, 16, 32, 64, 128);
        const __m256i set = _mm256_and_si256(_mm256_set1_epi32(static_cast<int>(bits)), lane);
        return vec8(_mm256_castsi256_ps(_mm256_cmpeq_epi32(set, lane)));
    }
    // The mask of lanes `first` and above.
    QUENDRA_AVX2_INLINE static Mask lanesFrom(int first) noexcept
    {
        // Lane i + 1 above first (first read as it is: broadcast straight from memory).
        return vec8(_mm256_castsi256_ps(_mm256_cmpgt_epi32(
            _mm256_setr_epi32(1, 2, 3, 4, 5, 6, 7, 8), _mm256_set1_epi32(first))));
    }
    // A pair of floats (held in a double's bits) in every pair of lanes.
    QUENDRA_AVX2_INLINE static vec8 ofPair(double pair) noexcept
    {
        return vec8(_mm256_castpd_ps(_mm256_set1_pd(pair)));
    }
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
QUENDRA_AVX2_INLINE vec8 operator<=(vec8 a, vec8 b) noexcept
{
    return vec8(_mm256_cmp_ps(a.v, b.v, _CMP_LE_OS));
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
// Bit i set where lane i of the mask is.
QUENDRA_AVX2_INLINE unsigned laneBits(vec8 mask) noexcept
{
    return static_cast<unsigned>(_mm256_movemask_ps(mask.v));
}
// Lanes 4I .. 4I + 3.
template <int I>
QUENDRA_AVX2_INLINE vec4 quarter(vec8 a) noexcept
{
    return vec4(I == 0 ? _mm256_castps256_ps128(a.v) : _mm256_extractf128_ps(a.v, 1));
}
// vec4's interleaveLow() and interleaveHigh() in each half.
QUENDRA_AVX2_INLINE vec8 interleaveLow(vec8 a, vec8 b) noexcept
{
    return vec8(_mm256_unpacklo_ps(a.v, b.v));
}
QUENDRA_AVX2_INLINE vec8 interleaveHigh(vec8 a, vec8 b) noexcept
{
    return vec8(_mm256_unpackhi_ps(a.v, b.v));
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
// x rounded toward -inf and toward +inf by one instruction each; adding +0 turns a -0 into +0,
// as floor() and ceil() from truncation give it (for -0 and for x in (-1, 0)), so the bits are
// theirs.
QUENDRA_AVX2_INLINE vec8 roundedDown(vec8 x) noexcept
{
    return vec8(_mm256_add_ps(_mm256_round_ps(x.v, _MM_FROUND_TO_NEG_INF | _MM_FROUND_NO_EXC),
                              _mm256_setzero_ps()));
}
QUENDRA_AVX2_INLINE vec8 roundedUp(vec8 x) noexcept
{
    return vec8(_mm256_add_ps(_mm256_round_ps(x.v, _MM_FROUND_TO_POS_INF | _MM_FROUND_NO_EXC),
                              _mm256_setzero_ps()));
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
// Wrapping sums and differences; the comparison reads the words as signed.
QUENDRA_AVX2_INLINE vec8u operator+(vec8u a, vec8u b) noexcept
{
    return vec8u(_mm256_add_epi32(a.v, b.v));
}
QUENDRA_AVX2_INLINE vec8u operator-(vec8u a, vec8u b) noexcept
{
    return vec8u(_mm256_sub_epi32(a.v, b.v));
}
QUENDRA_AVX2_INLINE vec8 greaterSigned(vec8u a, vec8u b) noexcept
{
    return vec8(_mm256_castsi256_ps(_mm256_cmpgt_epi32(a.v, b.v)));
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

// base[k] and base[k + 1] for the index k of each lane, into lower and upper. Each pair is
// loaded as one 64-bit element (loads, not a gather: on many processors a gather of eight
// costs more); a pair of floats is only 4-byte aligned, so it is copied into a double's bits.
QUENDRA_AVX2_INLINE void loadNeighbours(const float* base, vec8u index, vec8& lower,
                                        vec8& upper) noexcept
{
    alignas(32) std::uint32_t k[8];
    index.store(k);
    const auto pairAt = [base](std::uint32_t a, std::uint32_t b)
    {
        double first;
        double second;
        std::memcpy(&first, base + a, sizeof first);
        std::memcpy(&second, base + b, sizeof second);
        return _mm_set_pd(second, first);
    };
    const __m256 low = _mm256_castpd_ps(_mm256_set_m128d(pairAt(k[2], k[3]), pairAt(k[0], k[1])));
    const __m256 high = _mm256_castpd_ps(_mm256_set_m128d(pairAt(k[6], k[7]), pairAt(k[4], k[5])));
    lower = vec8(swapMiddleQuarters(_mm256_shuffle_ps(low, high, _MM_SHUFFLE(2, 0, 2, 0))));
    upper = vec8(swapMiddleQuarters(_mm256_shuffle_ps(low, high, _MM_SHUFFLE(3, 1, 3, 1))));
}

#include "quendra/dsp/simd/LanePackMath.inl"

#undef QUENDRA_AVX2_INLINE
QUENDRA_END_TARGET
} // namespace quendra::dravel::vantor::avx2
