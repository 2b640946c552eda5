// The partial group's AVX2 + FMA backend: the wide kernels on vec8, eight lanes (two groups, or
// four bins) per vector, compiled for those instructions alone.
#include "PartialGroupWide.h"

#if defined(QUENDRA_WIDE_VECTORS)
#include "quendra/dsp/simd/Vec8Avx2.h"

namespace quendra::dravel::vantor::avx2
{
QUENDRA_BEGIN_TARGET("avx2,fma")
#include "quendra/dsp/simd/GrainMath.inl"
#include "simd/GroupArithmetic.inl"
#include "simd/GroupUpdateKernels.inl"
#include "simd/SpectrumAddKernels.inl"
QUENDRA_END_TARGET

const GroupBackend kGroupBackend = {
    &addToSpectrumOf<vec8>,
    &addFourToSpectrumOf<vec8>,
    &updateEightGranularOf<vec8>,
};
} // namespace quendra::dravel::vantor::avx2
#endif
