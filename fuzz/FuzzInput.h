// FuzzInput: reads typed values off a fuzzer's byte string, front to back. Once the bytes run
// out every read returns the low end of its range (zero, false, empty), so a target can read
// as much as it likes. Header-only, so that the fuzz targets build with any compiler (the
// regression replays in the normal test suite use gcc). Allocates only for text.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

namespace sorvell::fuzz
{

class FuzzInput
{
public:
    FuzzInput(const std::uint8_t* bytes, std::size_t size) noexcept : mpBytes(bytes), mSize(size) {}

    std::size_t remaining() const noexcept { return mSize - mPosition; }
    bool empty() const noexcept { return remaining() == 0; }

    std::uint8_t byte() noexcept { return mPosition < mSize ? mpBytes[mPosition++] : 0; }

    bool flag() noexcept { return (byte() & 1u) != 0; }

    std::uint32_t word() noexcept
    {
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i)
            value = (value << 8) | byte();
        return value;
    }

    // An integer in [lo, hi] (hi >= lo).
    int integer(int lo, int hi) noexcept
    {
        const auto span = static_cast<std::uint64_t>(static_cast<std::int64_t>(hi) - lo) + 1u;
        const std::uint64_t raw = span <= 256u ? byte() : word();
        return static_cast<int>(lo + static_cast<std::int64_t>(raw % span));
    }

    // A float in [lo, hi] from 16 bits of input.
    float inRange(float lo, float hi) noexcept
    {
        const auto raw = static_cast<float>((byte() << 8) | byte());
        return lo + (hi - lo) * (raw / 65535.0f);
    }

    // Any float bit pattern: NaN, infinities, denormals and huge values included.
    float anyFloat() noexcept
    {
        const std::uint32_t bits = word();
        float value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }

    // Any double: a float bit pattern widened, or a full 64-bit pattern.
    double anyDouble() noexcept
    {
        if (flag())
            return static_cast<double>(anyFloat());
        const std::uint64_t bits = (static_cast<std::uint64_t>(word()) << 32) | word();
        double value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }

    // An awkward sample: mostly ordinary audio, sometimes NaN, infinities, denormals or
    // anything at all.
    float sample() noexcept
    {
        switch (byte() % 8u)
        {
        case 0:
            return std::numeric_limits<float>::quiet_NaN();
        case 1:
            return std::numeric_limits<float>::infinity();
        case 2:
            return -std::numeric_limits<float>::infinity();
        case 3:
            return std::numeric_limits<float>::denorm_min() * static_cast<float>(byte());
        case 4:
            return anyFloat();
        default:
            return inRange(-1.0f, 1.0f);
        }
    }

    // Up to maxLength raw bytes as text (any byte, NUL included).
    std::string text(std::size_t maxLength)
    {
        const std::size_t wanted = byte() % (maxLength + 1); // read before remaining()
        const std::size_t length = std::min(wanted, remaining());
        std::string result(reinterpret_cast<const char*>(mpBytes + mPosition), length);
        mPosition += length;
        return result;
    }

    // Everything that is left, as text.
    std::string rest()
    {
        std::string result(reinterpret_cast<const char*>(mpBytes + mPosition), remaining());
        mPosition = mSize;
        return result;
    }

private:
    const std::uint8_t* mpBytes;
    std::size_t mSize;
    std::size_t mPosition = 0;
};

} // namespace sorvell::fuzz
