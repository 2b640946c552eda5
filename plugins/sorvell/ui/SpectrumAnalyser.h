// The window's spectrum of a stretch of samples: Hann-windowed, 4096 points, levels in dB
// relative to a full-scale sine, smoothed from frame to frame (fast rise, slower fall) so
// that the drawing stays calm at the window's frame rate. Window thread only.
#pragma once

#include <quendra/dsp/FrameGeometry.h>
#include <quendra/dsp/transform/Fft.h>

#include <array>
#include <cstddef>
#include <span>
#include <vector>

namespace quendra::plugin::ui
{

class SpectrumAnalyser
{
public:
    static constexpr std::size_t kSize = 4096;
    static constexpr std::size_t kBins = kSize / 2 + 1;
    static constexpr float kFloorDb = -120.0f;

    SpectrumAnalyser();

    // samples: exactly kSize. Folds the new spectrum into the smoothed one.
    void analyse(std::span<const float> samples) noexcept;
    // Lets the smoothed spectrum fall as if silence came in.
    void decay() noexcept;

    std::span<const float> levelsDb() const noexcept { return mLevels; }
    // The highest level in bins whose centres lie in [lowHz, highHz) at sampleRate, or the
    // nearest bin's when none does.
    float levelDb(double lowHz, double highHz, double sampleRate) const noexcept;

private:
    dravel::vantor::Fft mFft;
    std::vector<float> mWindow;
    std::vector<float> mFrame;
    std::vector<dravel::vantor::Complex> mSpectrum;
    std::vector<float> mLevels;
};

} // namespace quendra::plugin::ui
