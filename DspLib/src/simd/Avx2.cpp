// The AVX2 + FMA backend: the kernels on vec8, compiled for those instructions alone.
#include "quendra/dsp/simd/KernelBackend.h"

#if defined(QUENDRA_WIDE_VECTORS)
#include "quendra/dsp/simd/Vec8Avx2.h"

namespace quendra::dravel::vantor::avx2
{
QUENDRA_BEGIN_TARGET("avx2,fma")
#include "LimiterKernels.inl"
#include "SpectrumKernels.inl"
QUENDRA_END_TARGET

const KernelBackend kBackend = {
    &binMagnitudesOf<vec8>,
    &limiterTargetsOf<vec8>,
    &limiterGainsOf<vec8>,
};
} // namespace quendra::dravel::vantor::avx2
#endif
