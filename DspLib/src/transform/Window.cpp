#include "quendra/dsp/transform/Window.h"

#include <cmath>
#include <numbers>

namespace quendra::dravel::vantor
{

void generateWindowNormalisedBySum(const WindowConfiguration& configuration, std::size_t hopSize,
                                   float* window) noexcept
{
    const std::uint64_t size = configuration.fftSize;
    const std::uint64_t period = configuration.periodic != 0 || size < 2 ? size : size - 1;
    const double step = 2.0 * std::numbers::pi / static_cast<double>(period);

    float sum = 0.0f;
    for (std::uint64_t n = 0; n < size; ++n)
    {
        double value = 1.0;
        if (configuration.type == WindowType::Hann)
        {
            value = 0.5 - 0.5 * std::cos(static_cast<double>(n) * step);
        }
        window[n] = static_cast<float>(value);
        sum += window[n];
    }

    const float scale = static_cast<float>(hopSize) / sum;
    for (std::uint64_t n = 0; n < size; ++n)
    {
        window[n] = scale * window[n];
    }
}

} // namespace quendra::dravel::vantor
