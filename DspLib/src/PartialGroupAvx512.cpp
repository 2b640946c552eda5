// The partial group's AVX-512F backend: the wide kernels on vec16, sixteen lanes (four groups,
// or eight bins) per vector, compiled for that instruction set alone.
#include "PartialGroupWide.h"

#if defined(QUENDRA_WIDE_VECTORS)
#include "quendra/dsp/simd/Vec16Avx512.h"

namespace quendra::dravel::vantor::avx512
{
QUENDRA_BEGIN_TARGET("avx512f")
#include "quendra/dsp/simd/GrainMath.inl"
#include "simd/GroupArithmetic.inl"
#include "simd/GroupUpdateKernels.inl"
#include "simd/SpectrumAddKernels.inl"
QUENDRA_END_TARGET

const GroupBackend kGroupBackend = {
    &addToSpectrumOf<vec16>,
    &addFourToSpectrumOf<vec16>,
    &updateEightGranularOf<vec16>,
};
} // namespace quendra::dravel::vantor::avx512
#endif
