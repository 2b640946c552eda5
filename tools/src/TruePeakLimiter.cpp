#include "TruePeakLimiter.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace quendra::renderer
{

namespace
{

constexpr std::size_t kChunkFrames = 4096;

// The ideal interpolator (sinc) under a Blackman window as wide as the taps.
double windowedSinc(double t, double halfWidth)
{
    if (std::abs(t) >= halfWidth)
    {
        return 0.0;
    }
    const double phase = std::numbers::pi * t / halfWidth;
    const double window = 0.42 + 0.5 * std::cos(phase) + 0.08 * std::cos(2.0 * phase);
    const double sinc = t == 0.0 ? 1.0 : std::sin(std::numbers::pi * t) / (std::numbers::pi * t);
    return sinc * window;
}

} // namespace

TruePeakLimiter::TruePeakLimiter(FrameSink& output, double ceilingDbfs, double sampleRate)
    : mOutput(output), mCeiling(std::pow(10.0, (ceilingDbfs - kMarginDb) / 20.0)),
      mLookAhead(std::max<std::size_t>(
          1, static_cast<std::size_t>(std::lround(kLookAheadSeconds * sampleRate)))),
      mRelease(1.0 - std::exp(-1.0 / (kReleaseSeconds * sampleRate)))
{
    constexpr int half = kInterpolationHalfLength;
    for (int phase = 1; phase < kOversampling; ++phase)
    {
        const double offset = static_cast<double>(phase) / kOversampling;
        auto& taps = mPhases[static_cast<std::size_t>(phase - 1)];
        double sum = 0.0;
        for (int j = -half + 1; j <= half; ++j)
        {
            const double tap = windowedSinc(offset - j, half);
            taps[static_cast<std::size_t>(j + half - 1)] = tap;
            sum += tap;
        }
        for (double& tap : taps)
        {
            tap /= sum; // a constant passes unchanged
        }
    }
    mInput.assign(mLookAhead + 2 * half + 2, {0.0, 0.0});
    mMinima.resize(mLookAhead + 1);
    mHeldWindow.assign(mLookAhead, 1.0);
    mHeldSum = static_cast<double>(mLookAhead);
    mChunk.resize(2 * kChunkFrames);
}

double TruePeakLimiter::interpolatedPeakAfter(std::size_t position) const
{
    constexpr int half = kInterpolationHalfLength;
    const auto sample = [&](long index, int channel)
    {
        return index < 0 ? 0.0
                         : mInput[static_cast<std::size_t>(index) % mInput.size()]
                                 [static_cast<std::size_t>(channel)];
    };
    double peak = 0.0;
    for (const auto& taps : mPhases)
    {
        for (int channel = 0; channel < 2; ++channel)
        {
            double value = 0.0;
            for (int j = -half + 1; j <= half; ++j)
            {
                value += taps[static_cast<std::size_t>(j + half - 1)] *
                         sample(static_cast<long>(position) + j, channel);
            }
            peak = std::max(peak, std::abs(value));
        }
    }
    return peak;
}

void TruePeakLimiter::push(double left, double right, bool real)
{
    constexpr auto half = static_cast<std::size_t>(kInterpolationHalfLength);
    const std::size_t t = mTaken++;
    mInput[t % mInput.size()] = {real ? left : 0.0, real ? right : 0.0};
    if (t < half)
    {
        return;
    }

    // The peak around position c: its samples and the values between them and their
    // neighbours, then the gain that brings it to the ceiling.
    const std::size_t c = t - half;
    const auto& frame = mInput[c % mInput.size()];
    const double after = interpolatedPeakAfter(c);
    const double peak = std::max({std::abs(frame[0]), std::abs(frame[1]), mPeakBefore, after});
    mPeakBefore = after;
    const double required = peak > mCeiling ? mCeiling / peak : 1.0;

    // The smallest required gain of the last look-ahead positions (a monotonic ring: gains
    // rise from the first entry on)...
    while (mMinimaCount > 0 &&
           mMinima[(mMinimaFirst + mMinimaCount - 1) % mMinima.size()].second >= required)
    {
        --mMinimaCount;
    }
    mMinima[(mMinimaFirst + mMinimaCount) % mMinima.size()] = {c, required};
    ++mMinimaCount;
    while (mMinima[mMinimaFirst].first + mLookAhead <= c)
    {
        mMinimaFirst = (mMinimaFirst + 1) % mMinima.size();
        --mMinimaCount;
    }
    const double minimum = mMinima[mMinimaFirst].second;
    // ...held there and released smoothly, never above it...
    mHeld = std::min(minimum, mHeld + (1.0 - mHeld) * mRelease);
    if (minimum == 1.0 && mHeld > 1.0 - 1e-9)
    {
        mHeld = 1.0;
    }
    // ...and averaged over the look-ahead: every gain of the window that covers a position is
    // at most the gain it requires, so their mean is too, and the mean moves in ramps.
    double& oldest = mHeldWindow[c % mLookAhead];
    mBelowOne += (mHeld < 1.0 ? 1 : 0) - (oldest < 1.0 ? 1 : 0);
    mHeldSum += mHeld - oldest;
    oldest = mHeld;

    if (c + 1 < mLookAhead)
    {
        return;
    }
    const std::size_t o = c + 1 - mLookAhead;
    if (o >= mReceived)
    {
        return; // silence that only flushes the look-ahead
    }
    const double gain =
        mBelowOne == 0 ? 1.0 : std::min(1.0, mHeldSum / static_cast<double>(mLookAhead));
    if (gain < 1.0)
    {
        ++mLimitedFrames;
        mSmallestGain = std::min(mSmallestGain, gain);
    }
    const auto& source = mInput[o % mInput.size()];
    mChunk[2 * mChunkFrames] = source[0] * gain;
    mChunk[2 * mChunkFrames + 1] = source[1] * gain;
    ++mEmitted;
    if (++mChunkFrames == kChunkFrames)
    {
        mOutput.write(mChunk.data(), mChunkFrames);
        mChunkFrames = 0;
    }
}

void TruePeakLimiter::write(const double* interleaved, std::size_t frames)
{
    for (std::size_t i = 0; i < frames; ++i)
    {
        ++mReceived;
        push(interleaved[2 * i], interleaved[2 * i + 1], true);
    }
}

void TruePeakLimiter::finish()
{
    while (mEmitted < mReceived)
    {
        push(0.0, 0.0, false);
    }
    mOutput.write(mChunk.data(), mChunkFrames);
    mChunkFrames = 0;
}

} // namespace quendra::renderer
