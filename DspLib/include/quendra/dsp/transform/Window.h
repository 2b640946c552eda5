// Analysis window generation. A window configuration names the frame length, whether the
// window is periodic (cosine period N) or symmetric (period N - 1), and its shape. The
// generated window is normalised by its sum so that windows overlap-added at the given hop
// sum to one. Writes into caller storage; allocates nothing.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quendra::dravel::vantor
{

enum class WindowType : std::int8_t
{
    Rectangular = 0,
    Hann = 1,
};

struct WindowConfiguration
{
    std::uint64_t fftSize = 1024;
    std::int32_t periodic = 1; // 1: period N (for overlap-add), 0: symmetric, period N - 1
    WindowType type = WindowType::Hann;
};

// Fills window[0 .. fftSize) with the configured shape, computed in double precision and
// rounded to float, then scales it by hopSize / (its float sum accumulated in index order).
// For a periodic Hann window and hopSize = fftSize / 2 the scale is 1 in exact arithmetic.
void generateWindowNormalisedBySum(const WindowConfiguration& configuration, std::size_t hopSize,
                                   float* window) noexcept;

} // namespace quendra::dravel::vantor
