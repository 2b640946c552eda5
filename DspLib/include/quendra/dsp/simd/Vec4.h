// vec4 and vec4u: four 32-bit lanes processed together, 16-byte aligned.
// vec4 holds floats, vec4u unsigned words. SSE2 on x86-64, NEON on arm64, SIMD128 on
// WebAssembly, plain arrays elsewhere (or when QUENDRA_VEC4_SCALAR is defined); every backend gives
// bit-identical results for finite inputs. Comparisons yield masks (all bits set in a true lane)
// that select() blends with. Nothing here allocates; every operation is noexcept.
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

#if !defined(QUENDRA_VEC4_SCALAR) && (defined(__SSE2__) || defined(_M_X64))
#define QUENDRA_VEC4_SSE2 1
#include <emmintrin.h>
#if defined(__FMA__) || defined(__AVX__)
#include <immintrin.h>
#endif
#elif !defined(QUENDRA_VEC4_SCALAR) && (defined(__aarch64__) || defined(_M_ARM64))
#define QUENDRA_VEC4_NEON 1
#include <arm_neon.h>
#elif !defined(QUENDRA_VEC4_SCALAR) && defined(__wasm_simd128__)
#define QUENDRA_VEC4_WASM 1
#include <wasm_simd128.h>
#else
#define QUENDRA_VEC4_PLAIN 1
#endif

namespace quendra::dravel::vantor
{

struct vec4u;

struct alignas(16) vec4
{
#if defined(QUENDRA_VEC4_SSE2)
    __m128 v;
    explicit vec4(__m128 native) noexcept : v(native) {}
#elif defined(QUENDRA_VEC4_NEON)
    float32x4_t v;
    explicit vec4(float32x4_t native) noexcept : v(native) {}
#elif defined(QUENDRA_VEC4_WASM)
    v128_t v;
    explicit vec4(v128_t native) noexcept : v(native) {}
#else
    float v[4];
#endif

    vec4() noexcept : vec4(0.0f) {}

#if defined(QUENDRA_VEC4_SSE2)
    explicit vec4(float s) noexcept : v(_mm_set1_ps(s)) {}
    vec4(float a, float b, float c, float d) noexcept : v(_mm_setr_ps(a, b, c, d)) {}
    static vec4 load(const float* p) noexcept
    {
        return vec4(_mm_loadu_ps(p));
    }
    void store(float* p) const noexcept
    {
        _mm_storeu_ps(p, v);
    }
    // (p[0], p[1], p[0], p[1]), and the first two lanes stored to p[0], p[1].
    static vec4 loadPair(const float* p) noexcept
    {
        return vec4(_mm_castpd_ps(_mm_load1_pd(reinterpret_cast<const double*>(p))));
    }
    void storePair(float* p) const noexcept
    {
        _mm_storel_pi(reinterpret_cast<__m64*>(p), v);
    }
#elif defined(QUENDRA_VEC4_NEON)
    explicit vec4(float s) noexcept : v(vdupq_n_f32(s)) {}
    vec4(float a, float b, float c, float d) noexcept
    {
        const float lanes[4] = {a, b, c, d};
        v = vld1q_f32(lanes);
    }
    static vec4 load(const float* p) noexcept
    {
        return vec4(vld1q_f32(p));
    }
    void store(float* p) const noexcept
    {
        vst1q_f32(p, v);
    }
    static vec4 loadPair(const float* p) noexcept
    {
        const float32x2_t pair = vld1_f32(p);
        return vec4(vcombine_f32(pair, pair));
    }
    void storePair(float* p) const noexcept
    {
        vst1_f32(p, vget_low_f32(v));
    }
#elif defined(QUENDRA_VEC4_WASM)
    explicit vec4(float s) noexcept : v(wasm_f32x4_splat(s)) {}
    vec4(float a, float b, float c, float d) noexcept : v(wasm_f32x4_make(a, b, c, d)) {}
    static vec4 load(const float* p) noexcept
    {
        return vec4(wasm_v128_load(p));
    }
    void store(float* p) const noexcept
    {
        wasm_v128_store(p, v);
    }
    static vec4 loadPair(const float* p) noexcept
    {
        return vec4(wasm_v128_load64_splat(p));
    }
    void storePair(float* p) const noexcept
    {
        wasm_v128_store64_lane(p, v, 0);
    }
#else
    explicit vec4(float s) noexcept : v{s, s, s, s} {}
    vec4(float a, float b, float c, float d) noexcept : v{a, b, c, d} {}
    static vec4 load(const float* p) noexcept
    {
        return vec4(p[0], p[1], p[2], p[3]);
    }
    void store(float* p) const noexcept
    {
        for (int i = 0; i < 4; ++i)
            p[i] = v[i];
    }
    static vec4 loadPair(const float* p) noexcept
    {
        return vec4(p[0], p[1], p[0], p[1]);
    }
    void storePair(float* p) const noexcept
    {
        p[0] = v[0];
        p[1] = v[1];
    }
#endif

    float operator[](int lane) const noexcept
    {
        alignas(16) float lanes[4];
        store(lanes);
        return lanes[lane];
    }
};

struct alignas(16) vec4u
{
#if defined(QUENDRA_VEC4_SSE2)
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
#elif defined(QUENDRA_VEC4_NEON)
    uint32x4_t v;
    explicit vec4u(uint32x4_t native) noexcept : v(native) {}
    explicit vec4u(std::uint32_t s) noexcept : v(vdupq_n_u32(s)) {}
    vec4u(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d) noexcept
    {
        const std::uint32_t lanes[4] = {a, b, c, d};
        v = vld1q_u32(lanes);
    }
    void store(std::uint32_t* p) const noexcept
    {
        vst1q_u32(p, v);
    }
#elif defined(QUENDRA_VEC4_WASM)
    v128_t v;
    explicit vec4u(v128_t native) noexcept : v(native) {}
    explicit vec4u(std::uint32_t s) noexcept : v(wasm_u32x4_splat(s)) {}
    vec4u(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d) noexcept
        : v(wasm_u32x4_make(a, b, c, d))
    {
    }
    void store(std::uint32_t* p) const noexcept
    {
        wasm_v128_store(p, v);
    }
#else
    std::uint32_t v[4];
    explicit vec4u(std::uint32_t s) noexcept : v{s, s, s, s} {}
    vec4u(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d) noexcept
        : v{a, b, c, d}
    {
    }
    void store(std::uint32_t* p) const noexcept
    {
        for (int i = 0; i < 4; ++i)
            p[i] = v[i];
    }
#endif

    vec4u() noexcept : vec4u(0u) {}

    std::uint32_t operator[](int lane) const noexcept
    {
        alignas(16) std::uint32_t lanes[4];
        store(lanes);
        return lanes[lane];
    }
};

// ---- backend primitives ---------------------------------------------------------------

#if defined(QUENDRA_VEC4_SSE2)

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
namespace detail
{
// sqrt(re^2 + im^2) formed in double precision and rounded once to float.
inline vec4 magnitudeFinite(vec4 re, vec4 im) noexcept
{
#if defined(__AVX__)
    // All four lanes in one register of doubles: the same operations, twice the throughput.
    const __m256d reWide = _mm256_cvtps_pd(re.v);
    const __m256d imWide = _mm256_cvtps_pd(im.v);
    return vec4(_mm256_cvtpd_ps(_mm256_sqrt_pd(
        _mm256_add_pd(_mm256_mul_pd(reWide, reWide), _mm256_mul_pd(imWide, imWide)))));
#endif
    const __m128d reLow = _mm_cvtps_pd(re.v);
    const __m128d imLow = _mm_cvtps_pd(im.v);
    const __m128d reHigh = _mm_cvtps_pd(_mm_movehl_ps(re.v, re.v));
    const __m128d imHigh = _mm_cvtps_pd(_mm_movehl_ps(im.v, im.v));
    const __m128d low = _mm_sqrt_pd(_mm_add_pd(_mm_mul_pd(reLow, reLow), _mm_mul_pd(imLow, imLow)));
    const __m128d high =
        _mm_sqrt_pd(_mm_add_pd(_mm_mul_pd(reHigh, reHigh), _mm_mul_pd(imHigh, imHigh)));
    return vec4(_mm_movelh_ps(_mm_cvtpd_ps(low), _mm_cvtpd_ps(high)));
}
} // namespace detail

#elif defined(QUENDRA_VEC4_NEON)

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
namespace detail
{
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
} // namespace detail

#elif defined(QUENDRA_VEC4_WASM)

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
inline vec4 andNot(vec4 a, vec4 b) noexcept
{
    return vec4(wasm_v128_andnot(a.v, b.v));
}
// The pseudo-minimum pmin(x, y) is (y < x ? y : x): with the operands swapped it is the
// ordinary comparison of the other backends, NaN and signed zeros included.
inline vec4 min(vec4 a, vec4 b) noexcept
{
    return vec4(wasm_f32x4_pmin(b.v, a.v));
}
inline vec4 max(vec4 a, vec4 b) noexcept
{
    return vec4(wasm_f32x4_pmax(b.v, a.v));
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
// The WebAssembly conversion saturates and turns NaN into 0; give INT_MIN for those lanes
// instead, as the SSE2 conversion does.
inline v128_t truncateLanes(v128_t x) noexcept
{
    const v128_t inRange = wasm_v128_and(wasm_f32x4_gt(x, wasm_f32x4_splat(-2147483904.0f)),
                                         wasm_f32x4_lt(x, wasm_f32x4_splat(2147483648.0f)));
    return wasm_v128_bitselect(wasm_i32x4_trunc_sat_f32x4(x),
                               wasm_i32x4_splat(std::numeric_limits<std::int32_t>::min()), inRange);
}
} // namespace detail
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
inline vec4 isZero(vec4u a) noexcept
{
    return vec4(wasm_i32x4_eq(a.v, wasm_i32x4_splat(0)));
}
inline vec4 interleaveLow(vec4 a, vec4 b) noexcept
{
    return vec4(wasm_i32x4_shuffle(a.v, b.v, 0, 4, 1, 5));
}
inline vec4 interleaveHigh(vec4 a, vec4 b) noexcept
{
    return vec4(wasm_i32x4_shuffle(a.v, b.v, 2, 6, 3, 7));
}
namespace detail
{
inline vec4 magnitudeFinite(vec4 re, vec4 im) noexcept
{
    const auto half = [](v128_t x, v128_t y)
    {
        const v128_t xx = wasm_f64x2_promote_low_f32x4(x);
        const v128_t yy = wasm_f64x2_promote_low_f32x4(y);
        return wasm_f32x4_demote_f64x2_zero(
            wasm_f64x2_sqrt(wasm_f64x2_add(wasm_f64x2_mul(xx, xx), wasm_f64x2_mul(yy, yy))));
    };
    const v128_t low = half(re.v, im.v);
    const v128_t high = half(wasm_i32x4_shuffle(re.v, re.v, 2, 3, 2, 3),
                             wasm_i32x4_shuffle(im.v, im.v, 2, 3, 2, 3));
    return vec4(wasm_i32x4_shuffle(low, high, 0, 1, 4, 5));
}
} // namespace detail

#else

namespace detail
{
template <typename F>
inline vec4 lanewise(vec4 a, vec4 b, F f) noexcept
{
    vec4 r;
    for (int i = 0; i < 4; ++i)
        r.v[i] = f(a.v[i], b.v[i]);
    return r;
}
inline float maskLane(bool b) noexcept
{
    return std::bit_cast<float>(b ? 0xFFFFFFFFu : 0u);
}
inline std::uint32_t bits(float f) noexcept
{
    return std::bit_cast<std::uint32_t>(f);
}
inline float fromBits(std::uint32_t w) noexcept
{
    return std::bit_cast<float>(w);
}
} // namespace detail

inline vec4 operator+(vec4 a, vec4 b) noexcept
{
    return detail::lanewise(a, b, [](float x, float y) { return x + y; });
}
inline vec4 operator-(vec4 a, vec4 b) noexcept
{
    return detail::lanewise(a, b, [](float x, float y) { return x - y; });
}
inline vec4 operator*(vec4 a, vec4 b) noexcept
{
    return detail::lanewise(a, b, [](float x, float y) { return x * y; });
}
inline vec4 operator/(vec4 a, vec4 b) noexcept
{
    return detail::lanewise(a, b, [](float x, float y) { return x / y; });
}
inline vec4 operator&(vec4 a, vec4 b) noexcept
{
    return detail::lanewise(
        a, b, [](float x, float y) { return detail::fromBits(detail::bits(x) & detail::bits(y)); });
}
inline vec4 operator|(vec4 a, vec4 b) noexcept
{
    return detail::lanewise(
        a, b, [](float x, float y) { return detail::fromBits(detail::bits(x) | detail::bits(y)); });
}
inline vec4 operator^(vec4 a, vec4 b) noexcept
{
    return detail::lanewise(
        a, b, [](float x, float y) { return detail::fromBits(detail::bits(x) ^ detail::bits(y)); });
}
inline vec4 andNot(vec4 a, vec4 b) noexcept
{
    return detail::lanewise(a, b,
                            [](float x, float y)
                            { return detail::fromBits(detail::bits(x) & ~detail::bits(y)); });
}
inline vec4 min(vec4 a, vec4 b) noexcept
{
    return detail::lanewise(a, b, [](float x, float y) { return x < y ? x : y; });
}
inline vec4 max(vec4 a, vec4 b) noexcept
{
    return detail::lanewise(a, b, [](float x, float y) { return x > y ? x : y; });
}
inline vec4 operator<(vec4 a, vec4 b) noexcept
{
    return detail::lanewise(a, b, [](float x, float y) { return detail::maskLane(x < y); });
}
inline vec4 operator<=(vec4 a, vec4 b) noexcept
{
    return detail::lanewise(a, b, [](float x, float y) { return detail::maskLane(x <= y); });
}
inline vec4 operator>(vec4 a, vec4 b) noexcept
{
    return detail::lanewise(a, b, [](float x, float y) { return detail::maskLane(x > y); });
}
inline vec4 operator>=(vec4 a, vec4 b) noexcept
{
    return detail::lanewise(a, b, [](float x, float y) { return detail::maskLane(x >= y); });
}
inline bool any(vec4 mask) noexcept
{
    for (float m : mask.v)
        if (detail::bits(m) >> 31)
            return true;
    return false;
}
inline bool all(vec4 mask) noexcept
{
    for (float m : mask.v)
        if (!(detail::bits(m) >> 31))
            return false;
    return true;
}
namespace detail
{
// What the SSE2 conversion yields: the truncated value, or INT_MIN when out of range.
inline std::int32_t truncateLane(float x) noexcept
{
    return (x > -2147483904.0f && x < 2147483648.0f) ? static_cast<std::int32_t>(x)
                                                     : std::int32_t(-2147483647 - 1);
}
} // namespace detail
inline vec4 truncateToInt(vec4 x) noexcept
{
    vec4 r;
    for (int i = 0; i < 4; ++i)
        r.v[i] = static_cast<float>(detail::truncateLane(x.v[i]));
    return r;
}
inline vec4u truncateToWord(vec4 x) noexcept
{
    vec4u r;
    for (int i = 0; i < 4; ++i)
        r.v[i] = static_cast<std::uint32_t>(detail::truncateLane(x.v[i]));
    return r;
}
inline vec4 bitsToFloat(vec4u w) noexcept
{
    return vec4(detail::fromBits(w.v[0]), detail::fromBits(w.v[1]), detail::fromBits(w.v[2]),
                detail::fromBits(w.v[3]));
}
inline vec4u floatToBits(vec4 x) noexcept
{
    return vec4u(detail::bits(x.v[0]), detail::bits(x.v[1]), detail::bits(x.v[2]),
                 detail::bits(x.v[3]));
}
inline vec4u operator^(vec4u a, vec4u b) noexcept
{
    return vec4u(a.v[0] ^ b.v[0], a.v[1] ^ b.v[1], a.v[2] ^ b.v[2], a.v[3] ^ b.v[3]);
}
inline vec4u operator|(vec4u a, vec4u b) noexcept
{
    return vec4u(a.v[0] | b.v[0], a.v[1] | b.v[1], a.v[2] | b.v[2], a.v[3] | b.v[3]);
}
inline vec4u operator&(vec4u a, vec4u b) noexcept
{
    return vec4u(a.v[0] & b.v[0], a.v[1] & b.v[1], a.v[2] & b.v[2], a.v[3] & b.v[3]);
}
template <int N>
inline vec4u shiftLeft(vec4u a) noexcept
{
    return vec4u(a.v[0] << N, a.v[1] << N, a.v[2] << N, a.v[3] << N);
}
template <int N>
inline vec4u shiftRight(vec4u a) noexcept
{
    return vec4u(a.v[0] >> N, a.v[1] >> N, a.v[2] >> N, a.v[3] >> N);
}
inline vec4 isZero(vec4u a) noexcept
{
    return vec4(detail::maskLane(a.v[0] == 0), detail::maskLane(a.v[1] == 0),
                detail::maskLane(a.v[2] == 0), detail::maskLane(a.v[3] == 0));
}
inline vec4 interleaveLow(vec4 a, vec4 b) noexcept
{
    return vec4(a.v[0], b.v[0], a.v[1], b.v[1]);
}
inline vec4 interleaveHigh(vec4 a, vec4 b) noexcept
{
    return vec4(a.v[2], b.v[2], a.v[3], b.v[3]);
}
namespace detail
{
inline vec4 magnitudeFinite(vec4 re, vec4 im) noexcept
{
    vec4 r;
    for (int i = 0; i < 4; ++i)
    {
        const double x = re.v[i];
        const double y = im.v[i];
        r.v[i] = static_cast<float>(std::sqrt(x * x + y * y));
    }
    return r;
}
} // namespace detail

#endif

// ---- built on the primitives ------------------------------------------------------------

inline vec4 operator-(vec4 a) noexcept
{
    return a ^ vec4(-0.0f);
}
inline vec4& operator+=(vec4& a, vec4 b) noexcept
{
    return a = a + b;
}
inline vec4& operator-=(vec4& a, vec4 b) noexcept
{
    return a = a - b;
}
inline vec4& operator*=(vec4& a, vec4 b) noexcept
{
    return a = a * b;
}

inline vec4 allLanes() noexcept
{
    return bitsToFloat(vec4u(0xFFFFFFFFu));
}
inline vec4 operator==(vec4 a, vec4 b) noexcept
{
    return (a <= b) & (a >= b);
}
inline vec4 operator!=(vec4 a, vec4 b) noexcept
{
    return andNot(allLanes(), a == b);
}

inline vec4 abs(vec4 a) noexcept
{
    return andNot(a, vec4(-0.0f));
}

// Per-lane choice: where mask is set take a, elsewhere b.
inline vec4 select(vec4 mask, vec4 a, vec4 b) noexcept
{
    return (mask & a) | andNot(b, mask);
}

// a x b + c per lane with a single rounding (a fused multiply-add), the same bits as
// std::fma on every backend; the FMA instruction where the target has one.
inline vec4 fusedMultiplyAdd(vec4 a, vec4 b, vec4 c) noexcept
{
#if defined(QUENDRA_VEC4_SSE2) && defined(__FMA__)
    return vec4(_mm_fmadd_ps(a.v, b.v, c.v));
#elif defined(QUENDRA_VEC4_NEON)
    return vec4(vfmaq_f32(c.v, a.v, b.v));
#else
    alignas(16) float x[4], y[4], z[4];
    a.store(x);
    b.store(y);
    c.store(z);
    return vec4(std::fma(x[0], y[0], z[0]), std::fma(x[1], y[1], z[1]), std::fma(x[2], y[2], z[2]),
                std::fma(x[3], y[3], z[3]));
#endif
}

// Lane L of a in all four lanes.
template <int L>
inline vec4 broadcast(vec4 a) noexcept
{
#if defined(QUENDRA_VEC4_SSE2)
    return vec4(_mm_shuffle_ps(a.v, a.v, _MM_SHUFFLE(L, L, L, L)));
#elif defined(QUENDRA_VEC4_NEON)
    return vec4(vdupq_laneq_f32(a.v, L));
#elif defined(QUENDRA_VEC4_WASM)
    return vec4(wasm_i32x4_shuffle(a.v, a.v, L, L, L, L));
#else
    return vec4(a.v[L]);
#endif
}

// (a2, a3, b0, b1): the upper half of a, then the lower half of b.
inline vec4 joinHighLow(vec4 a, vec4 b) noexcept
{
#if defined(QUENDRA_VEC4_SSE2)
    return vec4(_mm_shuffle_ps(a.v, b.v, _MM_SHUFFLE(1, 0, 3, 2)));
#elif defined(QUENDRA_VEC4_NEON)
    return vec4(vextq_f32(a.v, b.v, 2));
#elif defined(QUENDRA_VEC4_WASM)
    return vec4(wasm_i32x4_shuffle(a.v, b.v, 2, 3, 4, 5));
#else
    return vec4(a.v[2], a.v[3], b.v[0], b.v[1]);
#endif
}

inline vec4 clamp(vec4 x, vec4 lo, vec4 hi) noexcept
{
    return min(max(x, lo), hi);
}

// Floor from truncation toward zero, less 1 where the truncated value exceeds x. A lane
// whose magnitude is 2^23 or more is already whole and passes unchanged.
inline vec4 floor(vec4 x) noexcept
{
    const vec4 t = truncateToInt(x);
    const vec4 f = t - (vec4(1.0f) & (t > x));
    return select(abs(x) < vec4(8388608.0f), f, x);
}

// Ceil from truncation toward zero, plus 1 where the truncated value is below x.
inline vec4 ceil(vec4 x) noexcept
{
    const vec4 t = truncateToInt(x);
    const vec4 c = t + (vec4(1.0f) & (t < x));
    return select(abs(x) < vec4(8388608.0f), c, x);
}

// 2^x per lane: the same exponent-bit construction and quartic as the scalar fastExp2,
// with the polynomial evaluated as separate multiplies and adds.
inline vec4 fastExp2(vec4 x) noexcept
{
    const vec4 t = clamp(x + vec4(127.0f), vec4(0.0f), vec4(255.0f));
    const vec4u i = truncateToWord(t);
    const vec4 f = t - truncateToInt(t);
    vec4 p = f * vec4(0.013487903f) + vec4(0.0521745f);
    p = f * p + vec4(0.24128748f);
    p = f * p + vec4(0.6930501f);
    p = f * p + vec4(1.0f);
    return p * bitsToFloat(shiftLeft<23>(i));
}

// |re + i im| per lane, the value of hypotf: the sum of squares formed in double precision
// (exact products), one square root, one rounding to float. An infinite part gives +inf
// even when the other part is NaN.
inline vec4 magnitude(vec4 re, vec4 im) noexcept
{
    const vec4 inf(std::numeric_limits<float>::infinity());
    const vec4 infinite = (abs(re) == inf) | (abs(im) == inf);
    return select(infinite, inf, detail::magnitudeFinite(re, im));
}

// Odd polynomial sine, accurate on [-pi/2, pi/2].
inline vec4 sinPoly(vec4 x) noexcept
{
    const vec4 x2 = x * x;
    vec4 p = x2 * vec4(-0.00018284567f) + vec4(0.008304825f);
    p = x2 * p + vec4(-0.16664949f);
    p = x2 * p + vec4(0.99999833f);
    return x * p;
}

} // namespace quendra::dravel::vantor
