#include "quendra/dsp/BinMagnitudes.h"

namespace quendra::dravel::vantor
{

void BinMagnitudes::compute(const Complex* spectrum) noexcept
{
    const float* bins = &spectrum[0].re;
    constexpr std::size_t kWhole = kNumBins / 4 * 4; // 512
    for (std::size_t k = 0; k < kWhole; k += 4)
    {
        // Four interleaved (re, im) pairs split into a re vector and an im vector.
        const vec4 a = vec4::load(bins + 2 * k);
        const vec4 b = vec4::load(bins + 2 * k + 4);
        const vec4 lo = interleaveLow(a, b);    // re0 re2 im0 im2
        const vec4 hi = interleaveHigh(a, b);   // re1 re3 im1 im3
        const vec4 re = interleaveLow(lo, hi);  // re0 re1 re2 re3
        const vec4 im = interleaveHigh(lo, hi); // im0 im1 im2 im3
        magnitude(re, im).store(&mValues[k]);
    }
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
