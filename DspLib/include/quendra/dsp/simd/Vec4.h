// vec4 and vec4u: four 32-bit lanes processed together, 16-byte aligned.
// vec4 holds floats, vec4u unsigned words. SSE2 on x86-64 (Vec4Sse2.h), NEON on arm64
// (Vec4Neon.h), SIMD128 on WebAssembly (Vec4Wasm.h), plain arrays elsewhere or when
// QUENDRA_VEC4_SCALAR is defined (Vec4Plain.h); every backend gives bit-identical results.
// Comparisons yield masks (all bits set in a true lane) that select() blends with. Nothing here
// allocates; every operation is noexcept.
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

#include "quendra/dsp/simd/Approximations.h"

namespace quendra::dravel::vantor
{
// A lane pack: a fixed number of float lanes that the arithmetic of LanePackMath.inl works on.
template <typename P>
concept LanePack = requires
{
    P::kLanes;
};
} // namespace quendra::dravel::vantor

// One backend per target, each in a file of its own.
#if !defined(QUENDRA_VEC4_SCALAR) && (defined(__SSE2__) || defined(_M_X64))
#define QUENDRA_VEC4_SSE2 1
#include "quendra/dsp/simd/Vec4Sse2.h"
#elif !defined(QUENDRA_VEC4_SCALAR) && (defined(__aarch64__) || defined(_M_ARM64))
#define QUENDRA_VEC4_NEON 1
#include "quendra/dsp/simd/Vec4Neon.h"
#elif !defined(QUENDRA_VEC4_SCALAR) && defined(__wasm_simd128__)
#define QUENDRA_VEC4_WASM 1
#include "quendra/dsp/simd/Vec4Wasm.h"
#else
#define QUENDRA_VEC4_PLAIN 1
#include "quendra/dsp/simd/Vec4Plain.h"
#endif

namespace quendra::dravel::vantor
{

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

inline vec4 clamp(vec4 x, vec4 lo, vec4 hi) noexcept
{
    return min(max(x, lo), hi);
}

// Four interleaved (re, im) pairs from p split into a re vector and an im vector.
inline void deinterleave(const float* p, vec4& re, vec4& im) noexcept
{
    const vec4 a = vec4::load(p);
    const vec4 b = vec4::load(p + 4);
    const vec4 lo = interleaveLow(a, b);  // re0 re2 im0 im2
    const vec4 hi = interleaveHigh(a, b); // re1 re3 im1 im3
    re = interleaveLow(lo, hi);
    im = interleaveHigh(lo, hi);
}

// Lanes of a where mask is set, +0 elsewhere.
inline vec4 keepWhere(vec4 mask, vec4 a) noexcept
{
    return mask & a;
}

#include "quendra/dsp/simd/LanePackMath.inl"

} // namespace quendra::dravel::vantor
