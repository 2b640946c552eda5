// Frame geometry shared by the whole engine and the spectrum bin type.
// The geometry is the same at every sample rate. Nothing here allocates.
#pragma once

#include <cstddef>

namespace quendra::dravel::vantor
{

inline constexpr std::size_t kFftSize = 1024;             // frame length in samples
inline constexpr std::size_t kHopSize = 512;              // 50 % overlap
inline constexpr std::size_t kNumBins = kFftSize / 2 + 1; // bin 0 .. bin 512
inline constexpr std::size_t kLatency = 1536;             // wet and dry path, in samples

// One complex bin, real then imaginary: the layout the transform reads and writes.
struct Complex
{
    float re;
    float im;
};

} // namespace quendra::dravel::vantor
