// The plain backend of vec4 and vec4u: arrays of four, for any other target (and for tests,
// with QUENDRA_VEC4_SCALAR). Included by Vec4.h alone, which picks one backend per target; every
// backend gives the same bits. Defines the types and the primitives the rest of Vec4.h builds on.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

namespace quendra::dravel::vantor
{

struct vec4u;

struct alignas(16) vec4
{
    static constexpr int kLanes = 4;

    float v[4];

    vec4() noexcept : vec4(0.0f) {}

    explicit vec4(float s) noexcept : v{s, s, s, s} {}
    vec4(float a, float b, float c, float d) noexcept : v{a, b, c, d} {}
    static vec4 load(const float* p) noexcept { return vec4(p[0], p[1], p[2], p[3]); }
    void store(float* p) const noexcept
    {
        for (int i = 0; i < 4; ++i)
            p[i] = v[i];
    }
    static vec4 loadPair(const float* p) noexcept { return vec4(p[0], p[1], p[0], p[1]); }
    void storePair(float* p) const noexcept
    {
        p[0] = v[0];
        p[1] = v[1];
    }

    float operator[](int lane) const noexcept
    {
        alignas(16) float lanes[4];
        store(lanes);
        return lanes[lane];
    }
};

struct alignas(16) vec4u
{
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

    vec4u() noexcept : vec4u(0u) {}

    std::uint32_t operator[](int lane) const noexcept
    {
        alignas(16) std::uint32_t lanes[4];
        store(lanes);
        return lanes[lane];
    }
};

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
    return vec4(a.v[L]);
}

// (a2, a3, b0, b1): the upper half of a, then the lower half of b.
inline vec4 joinHighLow(vec4 a, vec4 b) noexcept
{
    return vec4(a.v[2], a.v[3], b.v[0], b.v[1]);
}

} // namespace quendra::dravel::vantor
