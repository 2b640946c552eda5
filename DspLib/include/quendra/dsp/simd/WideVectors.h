// How wide the vector paths may go: four lanes (vec4, every processor), 256 bits (AVX2 with
// FMA on x86-64) or 512 bits (AVX-512F). The processor's features cap the width; tests and
// benchmarks may lower it further. Every wider path gives the same bits as the four-lane path
// it stands in for. An object reads the width when it is prepared and keeps it. No allocation.
#pragma once

#include "quendra/dsp/simd/Vec4.h"

#include <cstdint>

// The wide paths read and write vec4 through its SSE register, so they exist only beside the
// SSE2 backend.
#if defined(QUENDRA_VEC4_SSE2) && (defined(__x86_64__) || defined(__i386__)) &&                    \
    (defined(__GNUC__) || defined(__clang__))
#define QUENDRA_WIDE_VECTORS 1
#endif

namespace quendra::dravel::vantor
{

// Ordered from narrowest to widest.
enum class VectorWidth : std::uint8_t
{
    FourLanes,
    Bits256,
    Bits512,
};

// The widest this processor offers.
VectorWidth processorVectorWidth() noexcept;

// The width an object prepared now uses: the processor's, or the limit if that is narrower.
VectorWidth currentVectorWidth() noexcept;

// For tests and benchmarks: objects prepared afterwards use at most `widest` (the processor
// still caps it). Bits512 lifts the limit.
void limitVectorWidth(VectorWidth widest) noexcept;

} // namespace quendra::dravel::vantor
