// What the partial group's four-lane code and its wide backends share: the hop's arithmetic
// (simd/GroupArithmetic.inl, here on vec4), where a lane lands in the spectrum and how its taps
// are added there, the parts of the batched update that do not depend on the width, and the
// table of a backend's entry points. PartialGroupAvx2.cpp and PartialGroupAvx512.cpp instantiate
// the kernels (simd/PartialGroupBackend.inl) with their lane packs. Private to the engine.
#pragma once

#include "quendra/dsp/PartialGroup.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <utility>

#if defined(__AVX__)
#include <immintrin.h> // addLane()'s 256-bit form, where the whole build has AVX
#endif

namespace quendra::dravel::vantor
{

namespace
{
constexpr float kPi = 3.1415927f;
constexpr float kTwoPi = 6.2831855f;

constexpr int kLastBin = static_cast<int>(kNumBins) - 1;

#include "simd/GroupArithmetic.inl"

// The eight taps of lane L as (re w, im w) for bins first .. first + 7, two bins per vector,
// the tap weights interpolated at quarter-bin offset tap and fraction f.
template <int L>
void laneTaps(const KernelTable& kernel, std::size_t tap, vec4 f, vec4 re, vec4 im,
              vec4 (&c)[4]) noexcept
{
    const vec4 fl = broadcast<L>(f);
    const vec4 gl = vec4(1.0f) - fl;
    const float* a = kernel.taps(tap);
    const float* b = kernel.nextTaps(tap);
    // Tap j weighs (1 - f) K[t + 4j] + f K[t + 4j + 1].
    const vec4 w0 = gl * vec4::load(a) + fl * vec4::load(b);
    const vec4 w1 = gl * vec4::load(a + 4) + fl * vec4::load(b + 4);
    const vec4 amp = interleaveLow(broadcast<L>(re), broadcast<L>(im));
    c[0] = amp * interleaveLow(w0, w0);
    c[1] = amp * interleaveHigh(w0, w0);
    c[2] = amp * interleaveLow(w1, w1);
    c[3] = amp * interleaveHigh(w1, w1);
}

// Adds lane L of a group into the spectrum: eight taps from bin first on.
template <int L>
void addLane(Complex* out, const KernelTable& kernel, int first, std::size_t tap, vec4 f, vec4 re,
             vec4 im) noexcept
{
    if (first >= 1 && first + 7 <= kLastBin)
    {
        // All eight taps on ordinary bins: (re w, im w) into eight consecutive bins.
        float* p = &out[first].re;
#if defined(QUENDRA_VEC4_SSE2) && defined(__AVX__)
        // Four bins per vector, each weight formed twice (for re and im) from the paired
        // tables: the same products and sums as laneTaps(), in half the instructions.
        const __m128 fl4 = broadcast<L>(f).v;
        const __m256 fl = _mm256_set_m128(fl4, fl4);
        const __m256 gl = _mm256_sub_ps(_mm256_set1_ps(1.0f), fl);
        const __m128 amp4 = interleaveLow(broadcast<L>(re), broadcast<L>(im)).v;
        const __m256 amp = _mm256_set_m128(amp4, amp4);
        const float* a = kernel.pairedTaps(tap);
        const float* b = kernel.pairedNextTaps(tap);
        for (int k = 0; k < 2; ++k)
        {
            const __m256 w = _mm256_add_ps(_mm256_mul_ps(gl, _mm256_loadu_ps(a + 8 * k)),
                                           _mm256_mul_ps(fl, _mm256_loadu_ps(b + 8 * k)));
            _mm256_storeu_ps(p + 8 * k,
                             _mm256_add_ps(_mm256_loadu_ps(p + 8 * k), _mm256_mul_ps(amp, w)));
        }
#else
        vec4 c[4];
        laneTaps<L>(kernel, tap, f, re, im, c);
        for (int k = 0; k < 4; ++k)
            (vec4::load(p + 4 * k) + c[k]).store(p + 4 * k);
#endif
        return;
    }
    const float r = re[L];
    const float i = im[L];
    const vec4 fl = broadcast<L>(f);
    const vec4 gl = vec4(1.0f) - fl;
    alignas(16) float weights[8];
    (gl * vec4::load(kernel.taps(tap)) + fl * vec4::load(kernel.nextTaps(tap))).store(weights);
    (gl * vec4::load(kernel.taps(tap) + 4) + fl * vec4::load(kernel.nextTaps(tap) + 4))
        .store(weights + 4);
    for (int j = 0; j < 8; ++j)
    {
        const int bin = first + j;
        if (bin > kLastBin)
            break;
        if (bin >= 1)
        {
            out[bin].re += r * weights[j];
            out[bin].im += i * weights[j];
        }
        else if (bin == 0)
        {
            out[0].re += 2.0f * r * weights[j];
        }
        else
        {
            // Below bin 0 the kernel folds back as the complex conjugate.
            out[-bin].re += r * weights[j];
            out[-bin].im += -(i * weights[j]);
        }
    }
}

// Adds the taps c of one lane into a window of twelve bins held in six vectors, at an offset
// of d bins (0..4). An odd offset splits each pair of bins across two vectors; the bin before
// the first tap and the one after the last then get +0, which changes nothing (a sum that
// starts at +0 is never -0).
inline void addToWindow(vec4 (&window)[6], const vec4 (&c)[4], int d) noexcept
{
    const vec4 zero(0.0f);
    switch (d)
    {
    case 0:
    case 2:
    case 4:
    {
        const int k0 = d / 2;
        for (int k = 0; k < 4; ++k)
            window[k0 + k] += c[k];
        break;
    }
    default:
    {
        const int k0 = d / 2;
        window[k0] += joinHighLow(zero, c[0]);
        window[k0 + 1] += joinHighLow(c[0], c[1]);
        window[k0 + 2] += joinHighLow(c[1], c[2]);
        window[k0 + 3] += joinHighLow(c[2], c[3]);
        window[k0 + 4] += joinHighLow(c[3], zero);
        break;
    }
    }
}

// Where each lane of a group lands in the spectrum: its first bin, its quarter-bin offset and
// fraction between two table entries, and whether it writes anything at all.
struct LanePlacement
{
    vec4 f;
    vec4 inRange;
    alignas(16) std::uint32_t cs[4];
    alignas(16) std::uint32_t ts[4];
    alignas(16) float ok[4];

    bool lane(int l) const noexcept { return std::bit_cast<std::uint32_t>(ok[l]) != 0; }
    int first(int l) const noexcept { return static_cast<int>(cs[l]) - 4; }
    std::size_t tap(int l) const noexcept { return static_cast<std::size_t>(ts[l]); }
};

[[gnu::always_inline]] inline LanePlacement placeLanes(vec4 modOmega,
                                                       const SpectrumGeometry& geometry) noexcept
{
    const SpectrumPlace<vec4> place = spectrumPlace(modOmega, geometry.fftSize, geometry.hop);
    LanePlacement p;
    p.f = place.f;
    p.inRange = place.inRange;
    // The integer forms of all four lanes at once, exact in range (a lane out of range
    // converts to some value that is never used).
    truncateToWord(place.c).store(p.cs);
    truncateToWord(place.t).store(p.ts);
    p.inRange.store(p.ok);
    return p;
}

#if defined(QUENDRA_WIDE_VECTORS)
// What the batched updates share, whatever their lane pack.

// What the batch of groups from g (PartialGroup::kUpdateBatch) have installed: each its own
// Granular modulator, each no modulator, or anything else.
enum class BatchModulators
{
    Granular,
    None,
    Mixed,
};

inline BatchModulators batchModulators(PartialGroup* g) noexcept
{
    const auto ownGranular = [](PartialGroup& h)
    {
        return h.mModulator ==
               Modulator::fromMethod<PartialGroup, &PartialGroup::modulateGranular>(&h);
    };
    const auto none = [](const PartialGroup& h)
    { return h.mModulator == Modulator::fromFunction<&noModulation>(); };
    PartialGroup* const end = g + PartialGroup::kUpdateBatch;
    if (std::all_of(g, end, ownGranular))
        return BatchModulators::Granular;
    if (std::all_of(g, end, none))
        return BatchModulators::None;
    return BatchModulators::Mixed;
}

// The Granular draws of a batch, in group order: four uniforms into u[4i..4i+3] for each
// group i with a firing lane (bits 4i..4i+3 of firing).
[[gnu::always_inline]] inline void drawFiring(const PartialGroup* g, int groups, unsigned firing,
                                              float* u) noexcept
{
    for (int i = 0; i < groups; ++i)
        if ((firing >> (4 * i)) & 0xfu)
            uniform(g[i].mpRng->draw()).store(u + 4 * i);
}
#endif
} // namespace

#if defined(QUENDRA_WIDE_VECTORS)
// A wide backend's entry points: the same sums as the four-lane code, in the same order.
struct GroupBackend
{
    void (*addToSpectrum)(const PartialGroupState& state, std::size_t index, Complex* out,
                          const KernelTable& kernel, const SpectrumGeometry& geometry) noexcept;
    void (*addFourToSpectrum)(const PartialGroupState& state, const std::size_t* indices,
                              Complex* out, const KernelTable& kernel,
                              const SpectrumGeometry& geometry) noexcept;
    void (*addToBothSpectra)(const SynthesisBatch& a, const SynthesisBatch& b, std::size_t count,
                             const KernelTable& kernel, const SpectrumGeometry& geometry) noexcept;
    int (*updateBatch)(PartialGroup* groups, const BinMagnitudes& in, vec4 shiftRatio,
                       const SpectrumGeometry& geometry) noexcept;
};

namespace avx2
{
extern const GroupBackend kGroupBackend;
}
namespace avx512
{
extern const GroupBackend kGroupBackend;
}
#endif

} // namespace quendra::dravel::vantor
