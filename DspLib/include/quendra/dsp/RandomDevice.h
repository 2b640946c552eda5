// The source of the engine's nondeterministic seeds. By default it is the platform's
// random device; built with a seed it becomes a deterministic 32-bit generator, so a
// render can be reproduced bit for bit. Used only while an engine is constructed.
#pragma once

#include <cstdint>
#include <random>

namespace quendra::dravel::vantor
{

class RandomDevice
{
public:
    RandomDevice() = default;
    explicit RandomDevice(std::uint32_t seed) : mSeeded(true), mGenerator(seed) {}

    // One 32-bit value per call.
    std::uint32_t operator()()
    {
        return mSeeded ? static_cast<std::uint32_t>(mGenerator())
                       : static_cast<std::uint32_t>(mDevice());
    }

private:
    bool mSeeded = false;
    std::mt19937 mGenerator;
    std::random_device mDevice;
};

} // namespace quendra::dravel::vantor
