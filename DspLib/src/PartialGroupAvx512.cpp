// The partial group's AVX-512F backend: the wide kernels on vec16, sixteen lanes (four groups,
// or eight bins) per vector, compiled for that instruction set alone.
#include "PartialGroupWide.h"

#if defined(QUENDRA_WIDE_VECTORS)
#include "quendra/dsp/simd/Vec16Avx512.h"

namespace quendra::dravel::vantor::avx512
{
QUENDRA_BEGIN_TARGET("avx512f")
using GroupPack = vec16;
#include "simd/PartialGroupBackend.inl"
QUENDRA_END_TARGET
} // namespace quendra::dravel::vantor::avx512
#endif
