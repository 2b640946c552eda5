// The partial group's AVX-512F backend: the wide kernels on vec16, sixteen lanes (four groups,
// or eight bins) per vector, compiled for that instruction set alone.
#include "PartialGroupWide.h"

#if defined(QUENDRA_WIDE_VECTORS)
#include "quendra/dsp/simd/Vec16Avx512.h"

namespace quendra::dravel::vantor::avx512
{
QUENDRA_BEGIN_TARGET("avx512f")
#include "simd/GroupUpdateKernels.inl"
#include "simd/SpectrumAddKernels.inl"

void addToSpectrum(const PartialGroup& group, Complex* out, const KernelTable& kernel,
                   const SpectrumGeometry& geometry) noexcept
{
    addToSpectrumOf<vec16>(group, out, kernel, geometry);
}

void addFourToSpectrum(const PartialGroup* const* groups, Complex* out, const KernelTable& kernel,
                       const SpectrumGeometry& geometry) noexcept
{
    addFourToSpectrumOf<vec16>(groups, out, kernel, geometry);
}

bool updateEightGranular(PartialGroup* groups, const BinMagnitudes& in, vec4 shiftRatio,
                         const SpectrumGeometry& geometry) noexcept
{
    return updateEightGranularOf<vec16>(groups, in, shiftRatio, geometry);
}
QUENDRA_END_TARGET
} // namespace quendra::dravel::vantor::avx512
#endif
