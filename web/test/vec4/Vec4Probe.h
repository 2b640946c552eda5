// Every vec4 operation on windows of four finite edge values (signed zeros, subnormals, halves,
// the limits of the integer conversion, values past 2^23 and 2^31), written as result bits. The
// same probe built for each backend must give the same words: the four-lane paths of the web
// build, the native build and the plain one all produce the same bits.
#pragma once

#include "quendra/dsp/simd/Vec4.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

namespace quendra::dravel::vantor::probe
{

inline void put(std::vector<std::uint32_t>& out, vec4 v)
{
    alignas(16) float lanes[4];
    v.store(lanes);
    for (float f : lanes)
    {
        std::uint32_t w;
        std::memcpy(&w, &f, 4);
        out.push_back(w);
    }
}

inline void put(std::vector<std::uint32_t>& out, vec4u v)
{
    alignas(16) std::uint32_t lanes[4];
    v.store(lanes);
    out.insert(out.end(), lanes, lanes + 4);
}

inline std::vector<std::uint32_t> runVec4Probe()
{
    constexpr std::array<float, 24> values{
        0.0f,     -0.0f,   1.0f,  -1.0f,  0.5f,          -1.5f,          2.5f,       -2.5f,
        1e-40f,   -3e-39f, 3e9f,  -3e9f,  2147483520.0f, -2147483648.0f, 8388609.5f, -8388607.5f,
        123.456f, -7.9f,   1e30f, -1e30f, 0.33333334f,   1.9999999f,     -126.9f,    300.0f};
    std::vector<std::uint32_t> out;
    for (std::size_t i = 0; i < values.size(); ++i)
        for (std::size_t j = 0; j < values.size(); j += 3)
        {
            const auto at = [&](std::size_t k) { return values[k % values.size()]; };
            const vec4 a(at(i), at(i + 1), at(i + 2), at(i + 3));
            const vec4 b(at(j), at(j + 5), at(j + 7), at(j + 11));
            const vec4 c(at(i + j), at(i + 2 * j + 1), at(3 * i + j), at(i + j + 13));
            for (vec4 r : {a + b,
                           a - b,
                           a * b,
                           a / b,
                           a & b,
                           a | b,
                           a ^ b,
                           andNot(a, b),
                           min(a, b),
                           max(a, b),
                           a<b, a <= b, a>
                               b,
                           a >= b,
                           a == b,
                           a != b,
                           -a,
                           abs(a),
                           select(a < b, a, b),
                           clamp(a, b, c),
                           fusedMultiplyAdd(a, b, c),
                           broadcast<1>(a),
                           broadcast<3>(b),
                           joinHighLow(a, b),
                           interleaveLow(a, b),
                           interleaveHigh(a, b),
                           truncateToInt(a),
                           floor(a),
                           ceil(a),
                           fastExp2(a * vec4(0.01f)),
                           magnitude(a, b),
                           sinPoly(clamp(a, vec4(-1.5f), vec4(1.5f))),
                           bitsToFloat(shiftLeft<7>(floatToBits(a)) ^ floatToBits(b))})
                put(out, r);
            const vec4u wa = floatToBits(a);
            const vec4u wb = floatToBits(b);
            for (vec4u r : {truncateToWord(a), wa ^ wb, wa | wb, wa & wb, shiftLeft<3>(wa),
                            shiftRight<5>(wa)})
                put(out, r);
            put(out, isZero(wa & wb));
            out.push_back(any(a < b) ? 1u : 0u);
            out.push_back(all(a <= b) ? 1u : 0u);
            alignas(16) float pair[4] = {at(i), at(j), 0.0f, 0.0f};
            const vec4 loaded = vec4::loadPair(pair);
            put(out, loaded);
            (loaded + a).storePair(pair + 2);
            put(out, vec4::load(pair));
        }
    return out;
}

} // namespace quendra::dravel::vantor::probe
