#include "quendra/dsp/PartialRandom.h"

namespace quendra::dravel::vantor
{

void PartialRandom::setState(const std::array<std::uint32_t, 8>& w) noexcept
{
    const vec4u x(w[0], w[1], w[2], w[3]);
    const vec4u y(w[4], w[5], w[6], w[7]);
    // Both words zero is the generator's fixed point; move such lanes off it.
    const vec4u stuck = floatToBits(isZero(x) & isZero(y));
    mX = x | stuck;
    mY = y;
}

std::array<std::uint32_t, 8> PartialRandom::seedWords(std::uint32_t seed) noexcept
{
    constexpr std::uint32_t n = 8, p = 2, q = 5; // q = p + (n - p) / 2 for this n
    std::array<std::uint32_t, 8> b;
    b.fill(0x8B8B8B8Bu);
    const auto scramble = [](std::uint32_t z) { return z ^ (z >> 27); };
    for (std::uint32_t k = 0; k < n; ++k)
    {
        const std::uint32_t r1 =
            1664525u * scramble(b[k % n] ^ b[(k + p) % n] ^ b[(k + n - 1) % n]);
        const std::uint32_t r2 = r1 + (k == 0 ? 1u : k == 1 ? 1u + seed : k);
        b[(k + p) % n] += r1;
        b[(k + q) % n] += r2;
        b[k % n] = r2;
    }
    for (std::uint32_t k = n; k < 2 * n; ++k)
    {
        const std::uint32_t r3 = 1566083941u * scramble(b[k % n] + b[(k + p) % n] + b[(k - 1) % n]);
        const std::uint32_t r4 = r3 - (k % n);
        b[(k + p) % n] ^= r3;
        b[(k + q) % n] ^= r4;
        b[k % n] = r4;
    }
    return b;
}

} // namespace quendra::dravel::vantor
