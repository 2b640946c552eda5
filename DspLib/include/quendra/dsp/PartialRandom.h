// PartialRandom: the random state of one channel partial bank. Four independent
// two-word xorshift generators (shifts 10, 13, 10), one per vec4 lane, shared by all
// groups of the bank so that they draw from one sequence in processing order.
// Plain value type; nothing allocates.
#pragma once

#include "quendra/dsp/simd/Vec4.h"

#include <array>
#include <cstdint>

namespace quendra::dravel::vantor
{

// Seed used while the bank neither modulates nor detunes: both banks then start alike.
inline constexpr std::uint32_t kFixedPartialSeed = 5031937;

class PartialRandom
{
public:
    // Advances every lane one step and returns the four new y words.
    vec4u draw() noexcept
    {
        const vec4u t = mX ^ shiftLeft<10>(mX);
        mX = mY;
        mY = mY ^ shiftRight<10>(mY) ^ t ^ shiftRight<13>(t);
        return mY;
    }

    // x lanes 0..3 then y lanes 0..3; a lane whose x and y are both 0 gets x = 0xFFFFFFFF.
    void setState(const std::array<std::uint32_t, 8>& words) noexcept;

    // The state the eight seed-sequence words of {seed} give.
    void reseed(std::uint32_t seed) noexcept { setState(seedWords(seed)); }

    // The standard seed-sequence mixing of the one-element list {seed} into eight words.
    static std::array<std::uint32_t, 8> seedWords(std::uint32_t seed) noexcept;

    vec4u x() const noexcept { return mX; }
    vec4u y() const noexcept { return mY; }

private:
    vec4u mX{0xFFFFFFFFu};
    vec4u mY{0u};
};

// A word as a float in [2, 4): the top 23 bits as mantissa under exponent 1.
inline vec4 wordToTwoFour(vec4u w) noexcept
{
    return bitsToFloat(shiftRight<9>(w) | vec4u(0x40000000u));
}

// Word to [-1, 1).
inline vec4 bipolar(vec4u w) noexcept
{
    return wordToTwoFour(w) - vec4(3.0f);
}

// Word to [0, 1).
inline vec4 uniform(vec4u w) noexcept
{
    return (wordToTwoFour(w) - vec4(3.0f) + vec4(1.0f)) * vec4(0.5f);
}

} // namespace quendra::dravel::vantor
