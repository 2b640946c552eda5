// The engine's lane-pack kernels, one backend per instruction set, chosen at run time.
// Each backend is a translation unit of its own that includes the kernels' text
// (SpectrumKernels.inl, LimiterKernels.inl) into its namespace and instantiates it with its
// pack: FourLanes.cpp with vec4 (SSE2, NEON or plain, as the target has them), Avx2.cpp with
// vec8 (AVX2 + FMA, x86-64). All give the same bits. The 512-bit width uses the AVX2 kernels
// here (every processor with AVX-512F has AVX2 and FMA).
#pragma once

#include "quendra/dsp/Limiter.h"
#include "quendra/dsp/simd/WideVectors.h"

#include <cstddef>

namespace quendra::dravel::vantor
{

struct KernelBackend
{
    // |X[k]| of bins 0 .. count - 1, count a multiple of 8.
    void (*binMagnitudes)(const float* bins, float* magnitudes, std::size_t count) noexcept;
    // The limiter's targets and gains of the first `count` samples, count a multiple of 8.
    bool (*limiterTargets)(const float* samples, float* targets, std::size_t count,
                           const LimiterLanes& lanes) noexcept;
    void (*limiterGains)(float* samples, const float* gains, std::size_t count,
                         const LimiterLanes& lanes) noexcept;
};

// The backend of `width`; a width the processor lacks is never passed.
const KernelBackend& kernelBackend(VectorWidth width) noexcept;

namespace fourlanes
{
extern const KernelBackend kBackend;
}

#if defined(QUENDRA_WIDE_VECTORS)
namespace avx2
{
extern const KernelBackend kBackend;
}
#endif

} // namespace quendra::dravel::vantor
