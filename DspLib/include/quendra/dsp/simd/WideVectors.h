// Whether the 512-bit vector paths (AVX-512F on x86-64) may run: the processor must offer
// them, and they must not have been switched off. Every wide path gives the same bits as the
// four-lane path it stands in for; tests switch the wide paths off to compare the two.
// A bank reads the choice when it is prepared. No allocation.
#pragma once

#include "quendra/dsp/simd/Vec4.h"

// The wide paths read and write vec4 through its SSE register, so they exist only beside the
// SSE2 backend.
#if defined(QUENDRA_VEC4_SSE2) && (defined(__x86_64__) || defined(__i386__)) &&                    \
    (defined(__GNUC__) || defined(__clang__))
#define QUENDRA_WIDE_VECTORS 1
#endif

namespace quendra::dravel::vantor
{

bool wideVectorsAvailable() noexcept;

// For tests and diagnostics: false keeps every object prepared afterwards on the four-lane
// paths; true gives them the wide paths again where the processor has them.
void allowWideVectors(bool allowed) noexcept;

} // namespace quendra::dravel::vantor
