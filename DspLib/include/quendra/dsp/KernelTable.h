// KernelTable: the synthesis kernel, i.e. the spectrum of one raised-cosine windowed frame
// of a sinusoid, sampled in quarter-bin steps from -4 to +4 bins (33 entries, symmetric,
// 1 at the centre, 0 at every whole-bin distance but -1, 0, +1). Built once; no allocation.
#pragma once

#include <array>
#include <cstddef>

namespace quendra::dravel::vantor
{

class KernelTable
{
public:
    static constexpr std::size_t kSize = 33;
    static constexpr std::size_t kCentre = 16; // entry i is at (i - 16) / 4 bins

    KernelTable() noexcept;

    float operator[](std::size_t i) const noexcept { return mValues[i]; }
    const float* data() const noexcept { return mValues.data(); }

    // The eight taps of a partial whose quarter-bin offset is t (0..3): entries t + 4j and,
    // for the interpolation, t + 4j + 1, for j = 0..7, laid out for vector loads.
    const float* taps(std::size_t t) const noexcept { return mTaps[t].data(); }
    const float* nextTaps(std::size_t t) const noexcept { return mNextTaps[t].data(); }
    // The same sixteen wide, each entry twice in a row: the weights of the real and the
    // imaginary part of each bin, for vectors that hold (re, im) pairs; 64-byte aligned.
    const float* pairedTaps(std::size_t t) const noexcept { return mPairedTaps[t].data(); }
    const float* pairedNextTaps(std::size_t t) const noexcept { return mPairedNextTaps[t].data(); }
    // The paired taps with their eight bins rotated by r places (bin j at place (j + r) mod 8),
    // for writes into aligned blocks of eight bins; 64-byte aligned.
    const float* rotatedPairedTaps(std::size_t t, std::size_t r) const noexcept
    {
        return mRotatedPairedTaps[t][r].data();
    }
    const float* rotatedPairedNextTaps(std::size_t t, std::size_t r) const noexcept
    {
        return mRotatedPairedNextTaps[t][r].data();
    }

private:
    std::array<float, kSize> mValues;
    alignas(16) std::array<std::array<float, 8>, 4> mTaps;
    alignas(16) std::array<std::array<float, 8>, 4> mNextTaps;
    alignas(64) std::array<std::array<float, 16>, 4> mPairedTaps;
    alignas(64) std::array<std::array<float, 16>, 4> mPairedNextTaps;
    alignas(64) std::array<std::array<std::array<float, 16>, 8>, 4> mRotatedPairedTaps;
    alignas(64) std::array<std::array<std::array<float, 16>, 8>, 4> mRotatedPairedNextTaps;
};

} // namespace quendra::dravel::vantor
