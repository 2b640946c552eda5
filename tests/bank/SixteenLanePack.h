// lanes16: a sixteen-lane pack made of four vec4, with the primitives of the AVX-512F pack
// (vec16) and the bits of vec4 in every lane. The wide kernels instantiated with it run the
// 512-bit path's logic (four groups or eight bins to a pack, one pack of taps a lane, two packs
// an update) on any processor, so that a machine without AVX-512F still checks it.
#pragma once

#include "quendra/dsp/simd/Vec4.h"

#include <cstdint>
#include <cstring>

namespace quendra::dravel::vantor::sixteen
{

// Aligned loads and stores at an address a 512-bit register would fault on: counted, for the
// tests to see that there are none.
inline int misalignedAccesses = 0;
inline void checkAlignment(const float* p) noexcept
{
    if (reinterpret_cast<std::uintptr_t>(p) % 64 != 0)
        ++misalignedAccesses;
}

struct lanes16u
{
    std::uint32_t w[16];
    explicit lanes16u(std::uint32_t s) noexcept
    {
        for (std::uint32_t& x : w)
            x = s;
    }
    lanes16u() noexcept : lanes16u(0u) {}
    void store(std::uint32_t* p) const noexcept { std::memcpy(p, w, sizeof w); }
};

struct lanes16
{
    static constexpr int kLanes = 16;
    using Mask = lanes16; // all bits set in a true lane
    vec4 q[4];

    lanes16() noexcept = default;
    explicit lanes16(float s) noexcept : q{vec4(s), vec4(s), vec4(s), vec4(s)} {}
    explicit lanes16(vec4 each) noexcept : q{each, each, each, each} {}
    static lanes16 load(const float* p) noexcept
    {
        lanes16 r;
        for (int i = 0; i < 4; ++i)
            r.q[i] = vec4::load(p + 4 * i);
        return r;
    }
    void store(float* p) const noexcept
    {
        for (int i = 0; i < 4; ++i)
            q[i].store(p + 4 * i);
    }
    static lanes16 loadAligned(const float* p) noexcept
    {
        checkAlignment(p);
        return load(p);
    }
    void storeAligned(float* p) const noexcept
    {
        checkAlignment(p);
        store(p);
    }
    static lanes16 loadAlignedOnce(const float* p) noexcept { return loadAligned(p); }
    static lanes16 fromQuarters(const vec4* const* quarters) noexcept
    {
        lanes16 r;
        for (int i = 0; i < 4; ++i)
            r.q[i] = *quarters[i];
        return r;
    }
    static Mask maskFromBits(unsigned bits) noexcept
    {
        lanes16u w;
        for (int l = 0; l < 16; ++l)
            w.w[l] = ((bits >> l) & 1u) != 0 ? 0xffffffffu : 0u;
        return fromWords(w);
    }
    static Mask lanesFrom(int first) noexcept { return maskFromBits(0xffffu << first); }
    static lanes16 ofPair(double pair) noexcept
    {
        float two[2];
        std::memcpy(two, &pair, sizeof two);
        return lanes16(vec4(two[0], two[1], two[0], two[1]));
    }
    static lanes16 fromWords(const lanes16u& w) noexcept
    {
        float f[16];
        std::memcpy(f, w.w, sizeof f);
        return load(f);
    }
};

template <typename Op>
lanes16 eachQuarter(lanes16 a, lanes16 b, Op op) noexcept
{
    lanes16 r;
    for (int i = 0; i < 4; ++i)
        r.q[i] = op(a.q[i], b.q[i]);
    return r;
}

// clang-format off
inline lanes16 operator+(lanes16 a, lanes16 b) noexcept { return eachQuarter(a, b, [](vec4 x, vec4 y) { return x + y; }); }
inline lanes16 operator-(lanes16 a, lanes16 b) noexcept { return eachQuarter(a, b, [](vec4 x, vec4 y) { return x - y; }); }
inline lanes16 operator*(lanes16 a, lanes16 b) noexcept { return eachQuarter(a, b, [](vec4 x, vec4 y) { return x * y; }); }
inline lanes16 operator/(lanes16 a, lanes16 b) noexcept { return eachQuarter(a, b, [](vec4 x, vec4 y) { return x / y; }); }
inline lanes16 operator&(lanes16 a, lanes16 b) noexcept { return eachQuarter(a, b, [](vec4 x, vec4 y) { return x & y; }); }
inline lanes16 operator|(lanes16 a, lanes16 b) noexcept { return eachQuarter(a, b, [](vec4 x, vec4 y) { return x | y; }); }
inline lanes16 operator<(lanes16 a, lanes16 b) noexcept { return eachQuarter(a, b, [](vec4 x, vec4 y) { return x < y; }); }
inline lanes16 operator>(lanes16 a, lanes16 b) noexcept { return eachQuarter(a, b, [](vec4 x, vec4 y) { return x > y; }); }
inline lanes16 operator<=(lanes16 a, lanes16 b) noexcept { return eachQuarter(a, b, [](vec4 x, vec4 y) { return x <= y; }); }
inline lanes16 operator>=(lanes16 a, lanes16 b) noexcept { return eachQuarter(a, b, [](vec4 x, vec4 y) { return x >= y; }); }
inline lanes16 operator==(lanes16 a, lanes16 b) noexcept { return eachQuarter(a, b, [](vec4 x, vec4 y) { return x == y; }); }
inline lanes16 select(lanes16 m, lanes16 a, lanes16 b) noexcept
{
    lanes16 r;
    for (int i = 0; i < 4; ++i)
        r.q[i] = select(m.q[i], a.q[i], b.q[i]);
    return r;
}
inline lanes16 keepWhere(lanes16 m, lanes16 a) noexcept { return m & a; }
inline lanes16 abs(lanes16 a) noexcept { return eachQuarter(a, a, [](vec4 x, vec4) { return abs(x); }); }
inline lanes16 truncateToInt(lanes16 a) noexcept { return eachQuarter(a, a, [](vec4 x, vec4) { return truncateToInt(x); }); }
inline lanes16 interleaveLow(lanes16 a, lanes16 b) noexcept { return eachQuarter(a, b, [](vec4 x, vec4 y) { return interleaveLow(x, y); }); }
inline lanes16 interleaveHigh(lanes16 a, lanes16 b) noexcept { return eachQuarter(a, b, [](vec4 x, vec4 y) { return interleaveHigh(x, y); }); }
// clang-format on

inline unsigned laneBits(lanes16 mask) noexcept
{
    std::uint32_t w[16];
    std::memcpy(w, mask.q, sizeof w);
    unsigned bits = 0;
    for (int l = 0; l < 16; ++l)
        bits |= (w[l] >> 31) << l;
    return bits;
}
template <int I>
vec4 quarter(lanes16 a) noexcept
{
    return a.q[I];
}

inline lanes16u truncateToWord(lanes16 x) noexcept
{
    lanes16u r;
    for (int i = 0; i < 4; ++i)
        truncateToWord(x.q[i]).store(r.w + 4 * i);
    return r;
}
template <typename Op>
lanes16u eachWord(lanes16u a, lanes16u b, Op op) noexcept
{
    for (int l = 0; l < 16; ++l)
        a.w[l] = op(a.w[l], b.w[l]);
    return a;
}
inline lanes16u operator+(lanes16u a, lanes16u b) noexcept
{
    return eachWord(a, b, [](std::uint32_t x, std::uint32_t y) { return x + y; });
}
inline lanes16u operator-(lanes16u a, lanes16u b) noexcept
{
    return eachWord(a, b, [](std::uint32_t x, std::uint32_t y) { return x - y; });
}
inline lanes16u operator&(lanes16u a, lanes16u b) noexcept
{
    return eachWord(a, b, [](std::uint32_t x, std::uint32_t y) { return x & y; });
}
template <int N>
lanes16u shiftLeft(lanes16u a) noexcept
{
    return eachWord(a, a, [](std::uint32_t x, std::uint32_t) { return x << N; });
}
inline lanes16 greaterSigned(lanes16u a, lanes16u b) noexcept
{
    const lanes16u m = eachWord(
        a, b,
        [](std::uint32_t x, std::uint32_t y)
        { return static_cast<std::int32_t>(x) > static_cast<std::int32_t>(y) ? 0xffffffffu : 0u; });
    return lanes16::fromWords(m);
}
inline void loadNeighbours(const float* base, lanes16u index, lanes16& lower,
                           lanes16& upper) noexcept
{
    float l[16];
    float u[16];
    for (int i = 0; i < 16; ++i)
    {
        l[i] = base[index.w[i]];
        u[i] = base[index.w[i] + 1];
    }
    lower = lanes16::load(l);
    upper = lanes16::load(u);
}

#include "quendra/dsp/simd/LanePackMath.inl"

} // namespace quendra::dravel::vantor::sixteen
