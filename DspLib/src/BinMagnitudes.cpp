#include "quendra/dsp/BinMagnitudes.h"

#include "quendra/dsp/simd/KernelBackend.h"

namespace quendra::dravel::vantor
{

void BinMagnitudes::compute(const Complex* spectrum, VectorWidth width) noexcept
{
    constexpr std::size_t kWhole = kNumBins / 8 * 8; // 512
    kernelBackend(width).binMagnitudes(&spectrum[0].re, mValues.data(), kWhole);
    for (std::size_t k = kWhole; k < kNumBins; ++k)
        mValues[k] = magnitude(vec4(spectrum[k].re), vec4(spectrum[k].im))[0];
    // Bin 0 is read at half its value.
    mValues[0] = magnitude(vec4(spectrum[0].re * 0.5f), vec4(spectrum[0].im * 0.5f))[0];
}

void BinMagnitudes::scale(float factor) noexcept
{
    for (std::size_t k = 0; k < kPadded; k += 4)
        (vec4::load(&mValues[k]) * vec4(factor)).store(&mValues[k]);
}

} // namespace quendra::dravel::vantor
