// The partial group's AVX2 + FMA backend: the wide kernels on vec8, eight lanes (two groups, or
// four bins) per vector, compiled for those instructions alone.
#include "PartialGroupWide.h"

#if defined(QUENDRA_WIDE_VECTORS)
#include "quendra/dsp/simd/Vec8Avx2.h"

namespace quendra::dravel::vantor::avx2
{
QUENDRA_BEGIN_TARGET("avx2,fma")
using GroupPack = vec8;
#include "simd/PartialGroupBackend.inl"
QUENDRA_END_TARGET
} // namespace quendra::dravel::vantor::avx2
#endif
