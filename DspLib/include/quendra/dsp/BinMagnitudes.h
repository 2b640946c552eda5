// BinMagnitudes: the magnitudes of one channel's input spectrum, as the partials read
// them: |X[k]| (the hypotf value) for bins 1..512, and for bin 0 the magnitude of X[0] with
// both parts halved. Computed once per hop, through lane packs of the width asked for (the
// same bits on every width). No allocation.
#pragma once

#include "quendra/dsp/FrameGeometry.h"
#include "quendra/dsp/simd/Vec4.h"
#include "quendra/dsp/simd/WideVectors.h"

#include <array>
#include <cstddef>

namespace quendra::dravel::vantor
{

class BinMagnitudes
{
public:
    BinMagnitudes() noexcept { mValues.fill(0.0f); }

    // spectrum: kNumBins bins. width at most processorVectorWidth().
    void compute(const Complex* spectrum, VectorWidth width = VectorWidth::FourLanes) noexcept;
    // Every magnitude times `factor` (a frozen bank lets in only part of its input, or none).
    void scale(float factor) noexcept;

    float operator[](std::size_t bin) const noexcept { return mValues[bin]; }
    const float* data() const noexcept { return mValues.data(); } // bins 0..512 and padding

private:
    static constexpr std::size_t kPadded = (kNumBins + 3) / 4 * 4;
    alignas(16) std::array<float, kPadded> mValues;
};

} // namespace quendra::dravel::vantor
