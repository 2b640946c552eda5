#include "SpectrumAnalyser.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace quendra::plugin::ui
{
namespace
{

constexpr float kFallDb = 3.0f; // per frame

} // namespace

SpectrumAnalyser::SpectrumAnalyser()
    : mFft(kSize), mWindow(kSize), mFrame(kSize), mSpectrum(kBins), mLevels(kBins, kFloorDb)
{
    for (std::size_t n = 0; n < kSize; ++n)
    {
        mWindow[n] = 0.5f - 0.5f * std::cos(2.0f * std::numbers::pi_v<float> *
                                            static_cast<float>(n) / static_cast<float>(kSize));
    }
}

void SpectrumAnalyser::analyse(std::span<const float> samples) noexcept
{
    if (samples.size() != kSize)
    {
        return;
    }
    for (std::size_t n = 0; n < kSize; ++n)
    {
        mFrame[n] = std::isfinite(samples[n]) ? samples[n] * mWindow[n] : 0.0f;
    }
    mFft.forward(mFrame.data(), mSpectrum.data());
    // A full-scale sine peaks at |X| = N / 4 under the Hann window.
    const float scale = 4.0f / static_cast<float>(kSize);
    for (std::size_t k = 0; k < kBins; ++k)
    {
        const float magnitude = std::hypot(mSpectrum[k].re, mSpectrum[k].im) * scale;
        const float db = std::max(20.0f * std::log10(magnitude + 1e-12f), kFloorDb);
        mLevels[k] = std::max(db, mLevels[k] - kFallDb);
    }
}

void SpectrumAnalyser::decay() noexcept
{
    for (float& level : mLevels)
    {
        level = std::max(level - kFallDb, kFloorDb);
    }
}

float SpectrumAnalyser::levelDb(double lowHz, double highHz, double sampleRate) const noexcept
{
    const double binHz = sampleRate / static_cast<double>(kSize);
    const auto first = static_cast<std::size_t>(std::max(0.0, std::ceil(lowHz / binHz)));
    const auto last = static_cast<std::size_t>(std::max(0.0, std::ceil(highHz / binHz)));
    if (first >= last)
    {
        // Narrower than a bin: interpolate between the two bins around the centre.
        const double position =
            std::clamp(0.5 * (lowHz + highHz) / binHz, 0.0, static_cast<double>(kBins - 1));
        const auto below = static_cast<std::size_t>(position);
        const std::size_t above = std::min(below + 1, kBins - 1);
        const auto frac = static_cast<float>(position - static_cast<double>(below));
        return mLevels[below] + (mLevels[above] - mLevels[below]) * frac;
    }
    float level = kFloorDb;
    for (std::size_t k = first; k < std::min(last, kBins); ++k)
    {
        level = std::max(level, mLevels[k]);
    }
    return level;
}

} // namespace quendra::plugin::ui
