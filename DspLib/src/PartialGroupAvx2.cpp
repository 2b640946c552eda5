// The partial group's AVX2 + FMA backend: the wide kernels on vec8, eight lanes (two groups, or
// four bins) per vector, compiled for those instructions alone.
#include "PartialGroupWide.h"

#if defined(QUENDRA_WIDE_VECTORS)
#include "quendra/dsp/simd/Vec8Avx2.h"

namespace quendra::dravel::vantor::avx2
{
QUENDRA_BEGIN_TARGET("avx2,fma")
#include "simd/GroupUpdateKernels.inl"
#include "simd/SpectrumAddKernels.inl"

void addToSpectrum(const PartialGroup& group, Complex* out, const KernelTable& kernel,
                   const SpectrumGeometry& geometry) noexcept
{
    addToSpectrumOf<vec8>(group, out, kernel, geometry);
}

void addFourToSpectrum(const PartialGroup* const* groups, Complex* out, const KernelTable& kernel,
                       const SpectrumGeometry& geometry) noexcept
{
    addFourToSpectrumOf<vec8>(groups, out, kernel, geometry);
}

bool updateEightGranular(PartialGroup* groups, const BinMagnitudes& in, vec4 shiftRatio,
                         const SpectrumGeometry& geometry) noexcept
{
    return updateEightGranularOf<vec8>(groups, in, shiftRatio, geometry);
}
QUENDRA_END_TARGET
} // namespace quendra::dravel::vantor::avx2
#endif
