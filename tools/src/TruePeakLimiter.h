// The renderer's last stage before the file (--limit): a look-ahead limiter that keeps the
// true peak (the peak of the signal between its samples, as a converter rebuilds it) at or
// under a ceiling, for renders headed to whole-number formats. Both channels take the same
// gain, which is computed from peaks seen 8x oversampled and moves in smooth ramps: it is down
// before a peak arrives (look-ahead) and recovers over kReleaseSeconds. Material whose true
// peak stays under the ceiling passes bit for bit (its gain is exactly 1). The delay it needs
// is taken back: frame i of the output is frame i of the input.
// Stereo. Allocates at construction only; write() and finish() allocate nothing.
#pragma once

#include "AudioFile.h"

#include <array>
#include <cstddef>
#include <vector>

namespace quendra::renderer
{

class TruePeakLimiter final : public FrameSink
{
public:
    static constexpr double kLookAheadSeconds = 0.0015;
    static constexpr double kReleaseSeconds = 0.1;
    // Between-sample values come from this many input samples on each side, at this many
    // points per sample; the gain aims this much under the ceiling for what falls between
    // those points (at most 0.17 dB, for a tone at half the sample rate).
    static constexpr int kInterpolationHalfLength = 64;
    static constexpr int kOversampling = 8;
    static constexpr double kMarginDb = 0.2;

    TruePeakLimiter(FrameSink& output, double ceilingDbfs, double sampleRate);

    void write(const double* interleaved, std::size_t frames) override;
    // Passes on the frames still held for the look-ahead. Call once, after the last write.
    void finish();

    std::size_t limitedFrames() const { return mLimitedFrames; } // frames with a gain under 1
    double smallestGain() const { return mSmallestGain; }

private:
    void push(double left, double right, bool real);
    double interpolatedPeakAfter(std::size_t position) const; // between it and the next

    FrameSink& mOutput;
    double mCeiling;
    std::size_t mLookAhead;
    double mRelease; // share of the way back to 1 per frame

    // Oversampling filter: the three between-sample phases, 2 x half-length taps each.
    std::array<std::array<double, 2 * kInterpolationHalfLength>, kOversampling - 1> mPhases{};

    std::vector<std::array<double, 2>> mInput; // ring of recent input frames
    std::size_t mReceived = 0;                 // real input frames so far
    std::size_t mTaken = 0;                    // frames pushed, real or flushing silence
    std::size_t mEmitted = 0;
    double mPeakBefore = 0.0; // between-sample peak before the position now examined

    // Sliding minimum of the required gain over the look-ahead (position, gain), a ring.
    std::vector<std::pair<std::size_t, double>> mMinima;
    std::size_t mMinimaFirst = 0;
    std::size_t mMinimaCount = 0;
    double mHeld = 1.0; // the minimum with its release

    // Moving average of the held gain over the look-ahead.
    std::vector<double> mHeldWindow;
    double mHeldSum = 0.0;
    std::size_t mBelowOne = 0; // held gains under 1 in the window

    std::vector<double> mChunk; // output frames on their way out
    std::size_t mChunkFrames = 0;

    std::size_t mLimitedFrames = 0;
    double mSmallestGain = 1.0;
};

} // namespace quendra::renderer
