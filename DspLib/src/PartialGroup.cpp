#include "quendra/dsp/PartialGroup.h"

#include "quendra/dsp/simd/WideVectors.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>

#if defined(QUENDRA_WIDE_VECTORS)
#include <immintrin.h>
#endif

namespace quendra::dravel::vantor
{

namespace
{
constexpr float kPi = 3.1415927f;
constexpr float kTwoPi = 6.2831855f;

// One draw mapped to a start phase (1 - u)(-pi) + u pi per lane.
vec4 phaseFrom(PartialRandom* rng) noexcept
{
    const vec4 u = uniform(rng->draw());
    return (vec4(1.0f) - u) * vec4(-kPi) + u * vec4(kPi);
}

} // namespace

const vec4& halfPiVector() noexcept
{
    static const vec4 value(1.5707964f);
    return value;
}

const vec4& piVector() noexcept
{
    static const vec4 value(kPi);
    return value;
}

PartialGroup::PartialGroup(std::uint8_t side, float hopRateHz, PartialRandom* rng) noexcept
    : mSide(side), mMinOmega(vec4(125.66371f) / vec4(hopRateHz)),
      mMaxOmega(vec4(125663.71f) / vec4(hopRateHz)),
      mModulator(Modulator::fromFunction<&noModulation>()), mpRng(rng),
      mGranular(hopRateHz, rng, GranularState::DrawLater{}), mHopRate(hopRateHz),
      mChorus(hopRateHz), mWander(hopRateHz, rng)
{
    // The template draws its start phases first, then its Granular countdown.
    mPhase = phaseFrom(rng);
    mGranular.drawCountdown();
    updateChorusRate();
}

PartialGroup::PartialGroup(const PartialGroup& t, CopyOf) noexcept
    : mSide(t.mSide), mVoiceActive(t.mVoiceActive), mExcite(t.mExcite), mAudible(t.mAudible),
      mHarmonic(t.mHarmonic), mHarmonicLimit(t.mHarmonicLimit), mMinOmega(t.mMinOmega),
      mMaxOmega(t.mMaxOmega), mOmega(t.mOmega), mModulator(t.mModulator), mpRng(t.mpRng),
      mGranular(t.mHopRate[0], t.mpRng), mExcitation(t.mExcitation), mLevel(t.mLevel),
      mRetention(t.mRetention), mModOmega(t.mModOmega), mPitchDepth(t.mPitchDepth),
      mPhase(t.mPhase), mRe(t.mRe), mIm(t.mIm), mHopRate(t.mHopRate), mUnison(t.mUnison),
      mFundamental(t.mFundamental), mRatio(t.mRatio), mChorus(t.mHopRate[0]),
      mWander(t.mHopRate[0], t.mpRng)
{
    // A copy draws its own Granular countdown (above), then its own start phases.
    mPhase = phaseFrom(mpRng);
    mLevel = vec4(0.0f);
    updateChorusRate();
}

// ---- per hop ------------------------------------------------------------------------------

vec4 PartialGroup::activeLanes() const noexcept
{
    return lanesTakingPart();
}

[[gnu::always_inline]] inline vec4 PartialGroup::lanesTakingPart() const noexcept
{
    return (mHarmonic < mHarmonicLimit) & (mMinOmega <= mOmega) & (mOmega <= mMaxOmega);
}

vec4 PartialGroup::readExcitation(const BinMagnitudes& in, vec4 shiftRatio,
                                  const SpectrumGeometry& geometry) const noexcept
{
    return excitationAt(in, shiftRatio, geometry);
}

[[gnu::always_inline]] inline vec4
PartialGroup::excitationAt(const BinMagnitudes& in, vec4 shiftRatio,
                           const SpectrumGeometry& geometry) const noexcept
{
    if (!mExcite)
        return vec4(0.0f);
    // Where the partial listens: its unmodulated frequency, shifted.
    const vec4 position = mOmega * geometry.excitationScale * shiftRatio;
    const vec4 inside = (position >= vec4(0.0f)) & (position <= vec4(511.0f));
    const vec4 p = inside & position;
    const vec4 whole = truncateToInt(p);
    const vec4 frac = p - whole;

    // The bins as integers in one conversion (whole numbers in 0..511, so exact).
    alignas(16) std::uint32_t bins[4];
    truncateToWord(whole).store(bins);
    alignas(16) float lower[4], upper[4];
    for (int l = 0; l < 4; ++l)
    {
        const std::size_t k = bins[l];
        lower[l] = in[k];
        upper[l] = in[k + 1];
    }
    const vec4 m0 = vec4::load(lower);
    const vec4 m1 = vec4::load(upper);
    return inside & (m1 * frac + m0 * (vec4(1.0f) - frac));
}

void PartialGroup::oscillatorStep(vec4 amplitude) noexcept
{
    advanceOscillator(amplitude);
}

[[gnu::always_inline]] inline void PartialGroup::advanceOscillator(vec4 amplitude) noexcept
{
    // The values of halfPiVector() and piVector(), as constants the compiler can keep in
    // registers across groups instead of calls that check a guard.
    const vec4 halfPi(1.5707964f);
    const vec4 pi(kPi);
    mRe = amplitude * sinPoly(halfPi - abs(mPhase));
    mIm = amplitude * sinPoly(halfPi - abs(pi - abs(mPhase + halfPi)));
    const vec4 y = (mPhase + mModOmega) / vec4(kTwoPi) + vec4(0.5f);
    mPhase = (y - floor(y) - vec4(0.5f)) * vec4(kTwoPi);
}

namespace
{
constexpr int kLastBin = static_cast<int>(kNumBins) - 1;

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
    LanePlacement p;
    const vec4 x = modOmega * geometry.fftSize / (vec4(kTwoPi) * geometry.hop);
    const vec4 c = ceil(x);
    const vec4 q = vec4(4.0f) * (c - x);
    const vec4 t = floor(q);
    p.f = q - t;

    // A lane beyond these bounds has every tap above bin 512 (or would fold past it) and
    // writes nothing; so does a non-finite one. Inside them the integer forms are exact.
    p.inRange = (x > vec4(-508.0f)) & (x <= vec4(516.0f));
    // The integer forms of all four lanes at once (a lane out of range converts to some
    // value that is never used).
    truncateToWord(c).store(p.cs);
    truncateToWord(t).store(p.ts);
    p.inRange.store(p.ok);
    return p;
}
} // namespace

void PartialGroup::addToSpectrum(Complex* out, const KernelTable& kernel,
                                 const SpectrumGeometry& geometry) const noexcept
{
    const LanePlacement placement = placeLanes(mModOmega, geometry);
    const vec4 f = placement.f;
    const vec4 inRange = placement.inRange;
    const auto lane = [&](int l) { return placement.lane(l); };
    const auto first = [&](int l) { return placement.first(l); };
    const auto tap = [&](int l) { return placement.tap(l); };

    if (all(inRange))
    {
        // Lanes close together (unison voices of one harmonic, neighbouring low harmonics)
        // write overlapping bins. Then the group reads the bins once into registers, adds its
        // lanes there in lane order and writes them back once: the same sums in the same
        // order, without a trip through memory from one lane to the next. The window starts
        // on a 16-byte boundary, so that the next group's reads match this group's writes.
        const int lo = std::min(std::min(first(0), first(1)), std::min(first(2), first(3)));
        const int hi = std::max(std::max(first(0), first(1)), std::max(first(2), first(3)));
        if (lo >= 1 && hi + 7 <= kLastBin && hi - lo <= 3)
        {
            const int base = lo - ((reinterpret_cast<std::uintptr_t>(&out[lo]) & 8u) ? 1 : 0);
            if (base + 12 <= static_cast<int>(kNumBins))
            {
                float* p = &out[base].re;
                vec4 window[6];
                for (int k = 0; k < 6; ++k)
                    window[k] = vec4::load(p + 4 * k);
                vec4 taps[4];
                laneTaps<0>(kernel, tap(0), f, mRe, mIm, taps);
                addToWindow(window, taps, first(0) - base);
                laneTaps<1>(kernel, tap(1), f, mRe, mIm, taps);
                addToWindow(window, taps, first(1) - base);
                laneTaps<2>(kernel, tap(2), f, mRe, mIm, taps);
                addToWindow(window, taps, first(2) - base);
                laneTaps<3>(kernel, tap(3), f, mRe, mIm, taps);
                addToWindow(window, taps, first(3) - base);
                for (int k = 0; k < 6; ++k)
                    window[k].store(p + 4 * k);
                return;
            }
        }
    }

    if (lane(0))
        addLane<0>(out, kernel, first(0), tap(0), f, mRe, mIm);
    if (lane(1))
        addLane<1>(out, kernel, first(1), tap(1), f, mRe, mIm);
    if (lane(2))
        addLane<2>(out, kernel, first(2), tap(2), f, mRe, mIm);
    if (lane(3))
        addLane<3>(out, kernel, first(3), tap(3), f, mRe, mIm);
}

#if defined(QUENDRA_WIDE_VECTORS)
namespace
{
// Eight bins, (re, im) each, in one 512-bit vector: an aligned block of the spectrum.
constexpr int kBlockBins = 8;

// The taps of lane L, (re w, im w) for bins first .. first + 7, rotated so that bin first
// sits at its place in an aligned block (element first mod 8); the elements that wrap round
// belong to the next block.
template <int L>
[[gnu::target("avx512f"), gnu::always_inline]] inline __m512
rotatedTaps(const KernelTable& kernel, const LanePlacement& placement, vec4 re, vec4 im) noexcept
{
    // Tap j weighs (1 - f) K[t + 4j] + f K[t + 4j + 1]: the products and the sum of laneTaps(),
    // each weight formed twice, for the real and the imaginary part. The tables come rotated
    // already, and the products and sums do not depend on where in the vector they sit.
    const auto r = static_cast<std::size_t>(placement.first(L) & (kBlockBins - 1));
    const auto t = placement.tap(L);
    const __m512 fl = _mm512_set1_ps(placement.f[L]);
    const __m512 gl = _mm512_sub_ps(_mm512_set1_ps(1.0f), fl);
    const __m512 w =
        _mm512_add_ps(_mm512_mul_ps(gl, _mm512_load_ps(kernel.rotatedPairedTaps(t, r))),
                      _mm512_mul_ps(fl, _mm512_load_ps(kernel.rotatedPairedNextTaps(t, r))));
    const float pair[2] = {re[L], im[L]};
    const __m512 amp = _mm512_castpd_ps(_mm512_set1_pd(std::bit_cast<double>(pair)));
    return _mm512_mul_ps(amp, w);
}

// The floats of the bins from first mod 8 on: in the block that holds bin first, the taps;
// the others (the bins before it) belong to the rotated taps' tail in the next block.
[[gnu::always_inline]] inline __mmask16 headMask(int first) noexcept
{
    return static_cast<__mmask16>(0xffffu << (2 * (first & (kBlockBins - 1))));
}

// A lane the aligned blocks can take: all its taps on ordinary bins, both blocks inside the
// spectrum.
[[gnu::always_inline]] inline bool blockable(int first) noexcept
{
    const int block = first & ~(kBlockBins - 1);
    return first >= 1 && first + 7 <= kLastBin &&
           block + 2 * kBlockBins <= static_cast<int>(kNumBins);
}

// Adds a lane's rotated taps into the two aligned blocks from p: the head lanes into the
// first block, the rest into the second. Both are read and written whole, so that a later
// lane's reads meet this lane's writes at the same addresses.
[[gnu::target("avx512f"), gnu::always_inline]] inline void addToBlocks(float* p, __mmask16 head,
                                                                       __m512 taps) noexcept
{
    const __m512 a = _mm512_load_ps(p);
    _mm512_store_ps(p, _mm512_mask_add_ps(a, head, a, taps));
    const __m512 b = _mm512_load_ps(p + 16);
    _mm512_store_ps(p + 16, _mm512_mask_add_ps(b, static_cast<__mmask16>(~head), b, taps));
}

// Adds lane L through the two aligned blocks its taps touch.
template <int L>
[[gnu::target("avx512f"), gnu::always_inline]] inline void
addLaneBlocks(Complex* out, const KernelTable& kernel, const LanePlacement& placement, vec4 re,
              vec4 im) noexcept
{
    const int first = placement.first(L);
    const __m512 taps = rotatedTaps<L>(kernel, placement, re, im);
    const __mmask16 head = headMask(first);
    addToBlocks(&out[first & ~(kBlockBins - 1)].re, head, taps);
}

// Adds lane L on its own: through the aligned blocks where it can, else as addToSpectrum() does.
template <int L>
[[gnu::target("avx512f"), gnu::always_inline]] inline void
addLaneWide(Complex* out, const KernelTable& kernel, const LanePlacement& placement, vec4 re,
            vec4 im) noexcept
{
    if (!placement.lane(L))
        return;
    if (blockable(placement.first(L)))
        addLaneBlocks<L>(out, kernel, placement, re, im);
    else
        addLane<L>(out, kernel, placement.first(L), placement.tap(L), placement.f, re, im);
}

[[gnu::target("avx512f")]] void addToSpectrum512(const PartialGroup& group, Complex* out,
                                                 const KernelTable& kernel,
                                                 const SpectrumGeometry& geometry) noexcept
{
    // The same sums as addToSpectrum(), lane by lane: each bin a lane touches receives that
    // lane's product once, in lane order; the bins of a block the lane does not touch are
    // left as they are (masked adds). Every lane goes through memory, even where lanes lie
    // close together: choosing between that and a window held in registers costs more in
    // mispredicted branches than the window saves.
    const LanePlacement placement = placeLanes(group.mModOmega, geometry);
    addLaneWide<0>(out, kernel, placement, group.mRe, group.mIm);
    addLaneWide<1>(out, kernel, placement, group.mRe, group.mIm);
    addLaneWide<2>(out, kernel, placement, group.mRe, group.mIm);
    addLaneWide<3>(out, kernel, placement, group.mRe, group.mIm);
}

// A vec4 field of four groups anywhere in memory, in one 512-bit vector (group i in lanes
// 4i..4i+3).
[[gnu::target("avx512f"), gnu::always_inline]] inline __m512
loadFourOf(const PartialGroup* const* groups, vec4 PartialGroup::*field) noexcept
{
    __m512 r = _mm512_maskz_broadcast_f32x4(0xffff, (groups[0]->*field).v);
    r = _mm512_insertf32x4(r, (groups[1]->*field).v, 1);
    r = _mm512_insertf32x4(r, (groups[2]->*field).v, 2);
    return _mm512_insertf32x4(r, (groups[3]->*field).v, 3);
}

[[gnu::target("avx512f"), gnu::always_inline]] inline __m512 truncate16(__m512 x) noexcept
{
    return _mm512_maskz_cvtepi32_ps(0xffff, _mm512_maskz_cvttps_epi32(0xffff, x));
}

// |x| < 2^23 (else x is whole already), as in Vec4.h's floor() and ceil().
[[gnu::target("avx512f"), gnu::always_inline]] inline __mmask16 notWhole16(__m512 x) noexcept
{
    const __m512 magnitude = _mm512_castsi512_ps(_mm512_maskz_andnot_epi32(
        0xffff, _mm512_castps_si512(_mm512_set1_ps(-0.0f)), _mm512_castps_si512(x)));
    return _mm512_cmp_ps_mask(magnitude, _mm512_set1_ps(8388608.0f), _CMP_LT_OS);
}

// The placement of placeLanes() for the sixteen lanes of four groups.
struct WidePlacement
{
    alignas(64) std::int32_t table[16]; // offset of the rotated taps (in floats) for t and r
    alignas(64) std::int32_t block[16]; // offset of the first block (in floats)
    alignas(64) std::int32_t head[16];  // headMask(first)
    alignas(64) float f[16];
    alignas(64) float pairs[2][16]; // (re, im) of lanes 0, 1 of each group, then of lanes 2, 3
    __mmask16 inRange;
    __mmask16 blockable;
};

[[gnu::target("avx512f"), gnu::always_inline]] inline void
placeSixteen(const PartialGroup* const* groups, const SpectrumGeometry& geometry,
             WidePlacement& p) noexcept
{
    const __m512 one = _mm512_set1_ps(1.0f);
    const __m512 x =
        _mm512_div_ps(_mm512_mul_ps(loadFourOf(groups, &PartialGroup::mModOmega),
                                    _mm512_maskz_broadcast_f32x4(0xffff, geometry.fftSize.v)),
                      _mm512_mul_ps(_mm512_set1_ps(kTwoPi),
                                    _mm512_maskz_broadcast_f32x4(0xffff, geometry.hop.v)));
    // ceil(x)
    const __m512 tx = truncate16(x);
    const __m512 c = _mm512_mask_blend_ps(
        notWhole16(x), x,
        _mm512_add_ps(tx, _mm512_maskz_mov_ps(_mm512_cmp_ps_mask(tx, x, _CMP_LT_OS), one)));
    const __m512 q = _mm512_mul_ps(_mm512_set1_ps(4.0f), _mm512_sub_ps(c, x));
    // floor(q)
    const __m512 tq = truncate16(q);
    const __m512 t = _mm512_mask_blend_ps(
        notWhole16(q), q,
        _mm512_sub_ps(tq, _mm512_maskz_mov_ps(_mm512_cmp_ps_mask(tq, q, _CMP_GT_OS), one)));
    _mm512_store_ps(p.f, _mm512_sub_ps(q, t));
    p.inRange = _mm512_cmp_ps_mask(x, _mm512_set1_ps(-508.0f), _CMP_GT_OS) &
                _mm512_cmp_ps_mask(x, _mm512_set1_ps(516.0f), _CMP_LE_OS);
    const __m512i first =
        _mm512_sub_epi32(_mm512_maskz_cvttps_epi32(0xffff, c), _mm512_set1_epi32(4));
    const __m512i tap = _mm512_maskz_cvttps_epi32(0xffff, t);
    // The per-lane integers of addLaneBlocks(), all sixteen at once: the rotation r = first
    // mod 8 picks the table and the head mask, first - r is the block.
    const __m512i r = _mm512_and_si512(first, _mm512_set1_epi32(kBlockBins - 1));
    _mm512_store_si512(
        p.table, _mm512_maskz_slli_epi32(
                     0xffff, _mm512_add_epi32(_mm512_maskz_slli_epi32(0xffff, tap, 3), r), 4));
    _mm512_store_si512(p.block, _mm512_maskz_slli_epi32(0xffff, _mm512_sub_epi32(first, r), 1));
    _mm512_store_si512(
        p.head, _mm512_maskz_sllv_epi32(0xffff, _mm512_set1_epi32(0xffff), _mm512_add_epi32(r, r)));
    // blockable(): first >= 1, first + 7 <= 512, (first & ~7) + 16 <= 513.
    const __m512i block = _mm512_and_si512(first, _mm512_set1_epi32(~(kBlockBins - 1)));
    p.blockable = _mm512_cmp_epi32_mask(first, _mm512_set1_epi32(1), _MM_CMPINT_NLT) &
                  _mm512_cmp_epi32_mask(first, _mm512_set1_epi32(kLastBin - 7), _MM_CMPINT_LE) &
                  _mm512_cmp_epi32_mask(block, _mm512_set1_epi32(static_cast<int>(kNumBins) - 16),
                                        _MM_CMPINT_LE);
    const __m512 re = loadFourOf(groups, &PartialGroup::mRe);
    const __m512 im = loadFourOf(groups, &PartialGroup::mIm);
    _mm512_store_ps(p.pairs[0], _mm512_maskz_unpacklo_ps(0xffff, re, im));
    _mm512_store_ps(p.pairs[1], _mm512_maskz_unpackhi_ps(0xffff, re, im));
}

// addLaneBlocks() for lane L of group G from a WidePlacement.
template <int G, int L>
[[gnu::target("avx512f"), gnu::always_inline]] inline void
addPlacedLane(Complex* out, const KernelTable& kernel, const WidePlacement& p) noexcept
{
    constexpr int lane = 4 * G + L;
    if (((p.inRange >> lane) & 1) == 0)
        return;
    const __m512 fl = _mm512_set1_ps(p.f[lane]);
    const __m512 gl = _mm512_sub_ps(_mm512_set1_ps(1.0f), fl);
    const std::int32_t table = p.table[lane];
    const __m512 w = _mm512_add_ps(
        _mm512_mul_ps(gl, _mm512_load_ps(kernel.rotatedPairedTaps(0, 0) + table)),
        _mm512_mul_ps(fl, _mm512_load_ps(kernel.rotatedPairedNextTaps(0, 0) + table)));
    double pair;
    std::memcpy(&pair, &p.pairs[L / 2][4 * G + 2 * (L % 2)], sizeof pair);
    const __m512 rotated = _mm512_mul_ps(_mm512_castpd_ps(_mm512_set1_pd(pair)), w);
    const auto head = static_cast<__mmask16>(p.head[lane]);
    addToBlocks(&out[0].re + p.block[lane], head, rotated);
}

template <int G>
[[gnu::target("avx512f"), gnu::always_inline]] inline void
addPlacedGroup(const PartialGroup& group, Complex* out, const KernelTable& kernel,
               const SpectrumGeometry& geometry, const WidePlacement& p) noexcept
{
    constexpr auto lanes = static_cast<__mmask16>(0xfu << (4 * G));
    if ((p.inRange & ~p.blockable & lanes) != 0)
    {
        // A lane near either end of the spectrum: the group on its own.
        addToSpectrum512(group, out, kernel, geometry);
        return;
    }
    addPlacedLane<G, 0>(out, kernel, p);
    addPlacedLane<G, 1>(out, kernel, p);
    addPlacedLane<G, 2>(out, kernel, p);
    addPlacedLane<G, 3>(out, kernel, p);
}

[[gnu::target("avx512f")]] void addFourToSpectrum512(const PartialGroup* const* groups,
                                                     Complex* out, const KernelTable& kernel,
                                                     const SpectrumGeometry& geometry) noexcept
{
    // The placements of all sixteen lanes in one pass, then the groups' lanes in order.
    WidePlacement placement;
    placeSixteen(groups, geometry, placement);
    addPlacedGroup<0>(*groups[0], out, kernel, geometry, placement);
    addPlacedGroup<1>(*groups[1], out, kernel, geometry, placement);
    addPlacedGroup<2>(*groups[2], out, kernel, geometry, placement);
    addPlacedGroup<3>(*groups[3], out, kernel, geometry, placement);
}

// ---- 256 bits: four bins, (re, im) each, per vector ----------------------------------------
// A lane's eight taps start at place r = first mod 4 of an aligned block of four bins and
// reach into the next two. The tables rotated by r (for eight-bin blocks) hold them ready:
// their first eight floats are the taps of the first block from place r on, the taps of the
// third block before it; their last eight are the second block's.
constexpr int kQuarterBins = 4;

// A lane the three aligned blocks can take: all its taps on ordinary bins, the blocks inside
// the spectrum.
[[gnu::always_inline]] inline bool blockable256(int first) noexcept
{
    const int block = first & ~(kQuarterBins - 1);
    return first >= 1 && first + 7 <= kLastBin &&
           block + 3 * kQuarterBins <= static_cast<int>(kNumBins);
}

// Adds a lane's taps (the two halves of the rotated table, weighted) into the three aligned
// blocks from p: the first half from float 2r on into the first block, the second half into
// the second, the first half's floats before 2r into the third. Every block is read and
// written whole, so that a later lane's reads meet this lane's writes at the same addresses;
// the floats a lane does not touch keep their value (a blend, not an add of zero).
[[gnu::target("avx2"), gnu::always_inline]] inline void addToBlocks256(float* p, int r, __m256 head,
                                                                       __m256 rest) noexcept
{
    const __m256 fromPlace = _mm256_castsi256_ps(_mm256_cmpgt_epi32(
        _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7), _mm256_set1_epi32(2 * r - 1)));
    const __m256 a = _mm256_load_ps(p);
    _mm256_store_ps(p, _mm256_blendv_ps(a, _mm256_add_ps(a, head), fromPlace));
    const __m256 b = _mm256_load_ps(p + 8);
    _mm256_store_ps(p + 8, _mm256_add_ps(b, rest));
    const __m256 c = _mm256_load_ps(p + 16);
    _mm256_store_ps(p + 16, _mm256_blendv_ps(_mm256_add_ps(c, head), c, fromPlace));
}

// The taps of one lane from the rotated tables at `table` (an offset in floats), with weight
// fraction fl and amplitudes (re, im), added into the blocks from bin `block`.
[[gnu::target("avx2"), gnu::always_inline]] inline void
addLaneAt256(Complex* out, const KernelTable& kernel, std::size_t table, int block, int r, float fl,
             double pair) noexcept
{
    // Tap j weighs (1 - f) K[t + 4j] + f K[t + 4j + 1], as in laneTaps().
    const __m256 f = _mm256_set1_ps(fl);
    const __m256 g = _mm256_sub_ps(_mm256_set1_ps(1.0f), f);
    const float* a = kernel.rotatedPairedTaps(0, 0) + table;
    const float* b = kernel.rotatedPairedNextTaps(0, 0) + table;
    const __m256 amp = _mm256_castpd_ps(_mm256_set1_pd(pair));
    const __m256 head = _mm256_mul_ps(amp, _mm256_add_ps(_mm256_mul_ps(g, _mm256_load_ps(a)),
                                                         _mm256_mul_ps(f, _mm256_load_ps(b))));
    const __m256 rest = _mm256_mul_ps(amp, _mm256_add_ps(_mm256_mul_ps(g, _mm256_load_ps(a + 8)),
                                                         _mm256_mul_ps(f, _mm256_load_ps(b + 8))));
    addToBlocks256(&out[block].re, r, head, rest);
}

// The offset of the rotated tables for tap t and rotation r, in floats.
[[gnu::always_inline]] inline std::size_t tableOffset(std::size_t t, std::size_t r) noexcept
{
    return static_cast<std::size_t>(16 * (8 * t + r));
}

template <int L>
[[gnu::target("avx2"), gnu::always_inline]] inline void
addLane256(Complex* out, const KernelTable& kernel, const LanePlacement& placement, vec4 re,
           vec4 im) noexcept
{
    if (!placement.lane(L))
        return;
    const int first = placement.first(L);
    if (!blockable256(first))
    {
        addLane<L>(out, kernel, first, placement.tap(L), placement.f, re, im);
        return;
    }
    const int r = first & (kQuarterBins - 1);
    const float pair[2] = {re[L], im[L]};
    addLaneAt256(out, kernel, tableOffset(placement.tap(L), static_cast<std::size_t>(r)), first - r,
                 r, placement.f[L], std::bit_cast<double>(pair));
}

[[gnu::target("avx2")]] void addToSpectrum256(const PartialGroup& group, Complex* out,
                                              const KernelTable& kernel,
                                              const SpectrumGeometry& geometry) noexcept
{
    // The sums of addToSpectrum512(), a lane at a time through three blocks of four bins.
    const LanePlacement placement = placeLanes(group.mModOmega, geometry);
    addLane256<0>(out, kernel, placement, group.mRe, group.mIm);
    addLane256<1>(out, kernel, placement, group.mRe, group.mIm);
    addLane256<2>(out, kernel, placement, group.mRe, group.mIm);
    addLane256<3>(out, kernel, placement, group.mRe, group.mIm);
}

// The placement of placeLanes() for the eight lanes of two groups, in the integers the blocks
// want.
struct Placement256
{
    alignas(32) std::int32_t table[8]; // tableOffset(t, r)
    alignas(32) std::int32_t block[8]; // the first block's bin
    alignas(32) std::int32_t r[8];     // first mod 4
    alignas(32) float f[8];
    alignas(32) float pairs[2][8]; // (re, im) of lanes 0, 1 of each group, then of lanes 2, 3
    int inRange;                   // a bit per lane
    int blockable;
};

[[gnu::target("avx2"), gnu::always_inline]] inline __m256
loadTwoOf(const PartialGroup& a, const PartialGroup& b, vec4 PartialGroup::*field) noexcept
{
    return _mm256_set_m128((b.*field).v, (a.*field).v);
}

[[gnu::target("avx2"), gnu::always_inline]] inline __m256 truncate8(__m256 x) noexcept
{
    return _mm256_cvtepi32_ps(_mm256_cvttps_epi32(x));
}

// |x| < 2^23 (else x is whole already), as in Vec4.h's floor() and ceil().
[[gnu::target("avx2"), gnu::always_inline]] inline __m256 notWhole8(__m256 x) noexcept
{
    const __m256 magnitude = _mm256_andnot_ps(_mm256_set1_ps(-0.0f), x);
    return _mm256_cmp_ps(magnitude, _mm256_set1_ps(8388608.0f), _CMP_LT_OS);
}

[[gnu::target("avx2"), gnu::always_inline]] inline void placeEight(const PartialGroup& a,
                                                                   const PartialGroup& b,
                                                                   const SpectrumGeometry& geometry,
                                                                   Placement256& p) noexcept
{
    const __m256 one = _mm256_set1_ps(1.0f);
    const __m256 x = _mm256_div_ps(
        _mm256_mul_ps(loadTwoOf(a, b, &PartialGroup::mModOmega),
                      _mm256_set_m128(geometry.fftSize.v, geometry.fftSize.v)),
        _mm256_mul_ps(_mm256_set1_ps(kTwoPi), _mm256_set_m128(geometry.hop.v, geometry.hop.v)));
    // ceil(x)
    const __m256 tx = truncate8(x);
    const __m256 c = _mm256_blendv_ps(
        x, _mm256_add_ps(tx, _mm256_and_ps(_mm256_cmp_ps(tx, x, _CMP_LT_OS), one)), notWhole8(x));
    const __m256 q = _mm256_mul_ps(_mm256_set1_ps(4.0f), _mm256_sub_ps(c, x));
    // floor(q)
    const __m256 tq = truncate8(q);
    const __m256 t = _mm256_blendv_ps(
        q, _mm256_sub_ps(tq, _mm256_and_ps(_mm256_cmp_ps(tq, q, _CMP_GT_OS), one)), notWhole8(q));
    _mm256_store_ps(p.f, _mm256_sub_ps(q, t));
    p.inRange =
        _mm256_movemask_ps(_mm256_and_ps(_mm256_cmp_ps(x, _mm256_set1_ps(-508.0f), _CMP_GT_OS),
                                         _mm256_cmp_ps(x, _mm256_set1_ps(516.0f), _CMP_LE_OS)));
    const __m256i first = _mm256_sub_epi32(_mm256_cvttps_epi32(c), _mm256_set1_epi32(4));
    const __m256i tap = _mm256_cvttps_epi32(t);
    const __m256i r = _mm256_and_si256(first, _mm256_set1_epi32(kQuarterBins - 1));
    const __m256i block = _mm256_sub_epi32(first, r);
    _mm256_store_si256(reinterpret_cast<__m256i*>(p.table),
                       _mm256_slli_epi32(_mm256_add_epi32(_mm256_slli_epi32(tap, 3), r), 4));
    _mm256_store_si256(reinterpret_cast<__m256i*>(p.block), block);
    _mm256_store_si256(reinterpret_cast<__m256i*>(p.r), r);
    // blockable256(): first >= 1, first + 7 <= 512, block + 12 <= 513.
    const __m256i outside = _mm256_or_si256(
        _mm256_or_si256(_mm256_cmpgt_epi32(_mm256_set1_epi32(1), first),
                        _mm256_cmpgt_epi32(first, _mm256_set1_epi32(kLastBin - 7))),
        _mm256_cmpgt_epi32(block, _mm256_set1_epi32(static_cast<int>(kNumBins) - 12)));
    p.blockable = ~_mm256_movemask_ps(_mm256_castsi256_ps(outside)) & 0xff;
    const __m256 re = loadTwoOf(a, b, &PartialGroup::mRe);
    const __m256 im = loadTwoOf(a, b, &PartialGroup::mIm);
    _mm256_store_ps(p.pairs[0], _mm256_unpacklo_ps(re, im));
    _mm256_store_ps(p.pairs[1], _mm256_unpackhi_ps(re, im));
}

// Lane L of group G (0 or 1) of a Placement256.
template <int G, int L>
[[gnu::target("avx2"), gnu::always_inline]] inline void
addPlacedLane256(Complex* out, const KernelTable& kernel, const Placement256& p) noexcept
{
    constexpr int lane = 4 * G + L;
    if (((p.inRange >> lane) & 1) == 0)
        return;
    double pair;
    std::memcpy(&pair, &p.pairs[L / 2][4 * G + 2 * (L % 2)], sizeof pair);
    addLaneAt256(out, kernel, static_cast<std::size_t>(p.table[lane]), p.block[lane], p.r[lane],
                 p.f[lane], pair);
}

template <int G>
[[gnu::target("avx2"), gnu::always_inline]] inline void
addPlacedGroup256(const PartialGroup& group, Complex* out, const KernelTable& kernel,
                  const SpectrumGeometry& geometry, const Placement256& p) noexcept
{
    constexpr int lanes = 0xf << (4 * G);
    if ((p.inRange & ~p.blockable & lanes) != 0)
    {
        // A lane near either end of the spectrum: the group on its own.
        addToSpectrum256(group, out, kernel, geometry);
        return;
    }
    addPlacedLane256<G, 0>(out, kernel, p);
    addPlacedLane256<G, 1>(out, kernel, p);
    addPlacedLane256<G, 2>(out, kernel, p);
    addPlacedLane256<G, 3>(out, kernel, p);
}

[[gnu::target("avx2")]] void addFourToSpectrum256(const PartialGroup* const* groups, Complex* out,
                                                  const KernelTable& kernel,
                                                  const SpectrumGeometry& geometry) noexcept
{
    // The placements of two groups' lanes at a time, then their lanes in order.
    for (int half = 0; half < 2; ++half)
    {
        const PartialGroup& a = *groups[2 * half];
        const PartialGroup& b = *groups[2 * half + 1];
        Placement256 placement;
        placeEight(a, b, geometry, placement);
        addPlacedGroup256<0>(a, out, kernel, geometry, placement);
        addPlacedGroup256<1>(b, out, kernel, geometry, placement);
    }
}
} // namespace
#endif

void PartialGroup::addToSpectrumWide(VectorWidth width, Complex* out, const KernelTable& kernel,
                                     const SpectrumGeometry& geometry) const noexcept
{
#if defined(QUENDRA_WIDE_VECTORS)
    if (width == VectorWidth::Bits512)
        return addToSpectrum512(*this, out, kernel, geometry);
    if (width == VectorWidth::Bits256)
        return addToSpectrum256(*this, out, kernel, geometry);
#endif
    (void)width;
    addToSpectrum(out, kernel, geometry);
}

void PartialGroup::addFourToSpectrumWide(VectorWidth width, const PartialGroup* const* groups,
                                         Complex* out, const KernelTable& kernel,
                                         const SpectrumGeometry& geometry) noexcept
{
#if defined(QUENDRA_WIDE_VECTORS)
    if (width == VectorWidth::Bits512)
        return addFourToSpectrum512(groups, out, kernel, geometry);
    if (width == VectorWidth::Bits256)
        return addFourToSpectrum256(groups, out, kernel, geometry);
#endif
    (void)width;
    for (int i = 0; i < 4; ++i)
        groups[i]->addToSpectrum(out, kernel, geometry);
}

[[gnu::always_inline]] inline ModOut PartialGroup::modulate() noexcept
{
    // The installed modulator is one of this group's own; calling it by name instead of
    // through the delegate lets it be inlined. Any other delegate is called as it is.
    if (mModulator == Modulator::fromMethod<PartialGroup, &PartialGroup::modulateGranular>(this))
        return mGranular.next();
    if (mModulator == Modulator::fromMethod<PartialGroup, &PartialGroup::modulateWander>(this))
        return mWander.next();
    if (mModulator == Modulator::fromMethod<PartialGroup, &PartialGroup::modulateChorus>(this))
        return mChorus.next();
    return mModulator();
}

void PartialGroup::step(const BinMagnitudes& in, Complex* out, const KernelTable& kernel,
                        vec4 shiftRatio, const SpectrumGeometry& geometry) noexcept
{
    update(in, shiftRatio, geometry);
    if (mAudible)
        addToSpectrum(out, kernel, geometry);
}

void PartialGroup::update(const BinMagnitudes& in, vec4 shiftRatio,
                          const SpectrumGeometry& geometry) noexcept
{
    mExcitation = excitationAt(in, shiftRatio, geometry);

    const vec4 active = lanesTakingPart();
    // The modulator runs every hop so that its clock keeps time while the group is silent.
    const ModOut mod = modulate();
    if (!any(active))
    {
        mAudible = false;
        return;
    }
    mModOmega = mOmega * (vec4(1.0f) + mod.pitch * mPitchDepth);

    // Instant attack, release by the retention per hop. A non-finite level left by a hop
    // that read infinite or NaN bins counts as 0 (x - x is 0 only for finite x), so the next
    // clean hop starts again from its input instead of holding the level for ever.
    const vec4 previous = (mLevel - mLevel == vec4(0.0f)) & mLevel;
    const vec4 released = (vec4(1.0f) - mRetention) * mExcitation + mRetention * previous;
    mLevel = active & select(mExcitation < previous, released, mExcitation);

    mAudible = any(mLevel >= vec4(0.001f));
    if (!mAudible)
        return;
    advanceOscillator(mod.amplitude * mLevel);
}

#if defined(QUENDRA_WIDE_VECTORS)
namespace
{
// One vec4 field of four consecutive groups in one 512-bit vector (group i in lanes 4i..4i+3),
// and back.
constexpr std::size_t kGroupStride = sizeof(PartialGroup);
// Every lane (the masked forms of the intrinsics below leave no lane undefined).
constexpr __mmask16 kAll = 0xffff;

// What the batched updates share, whatever their vector width.

// Whether each of the eight groups from g has its own Granular modulator installed.
bool eightGranular(PartialGroup* g) noexcept
{
    for (int i = 0; i < 8; ++i)
        if (!(g[i].mModulator ==
              Modulator::fromMethod<PartialGroup, &PartialGroup::modulateGranular>(&g[i])))
            return false;
    return true;
}

// The Granular draws of a batch, in group order: four uniforms into u[4i..4i+3] for each
// group i with a firing lane (bits 4i..4i+3 of firing).
[[gnu::always_inline]] inline void drawFiring(PartialGroup* g, int groups, unsigned firing,
                                              float* u) noexcept
{
    for (int i = 0; i < groups; ++i)
        if ((firing >> (4 * i)) & 0xfu)
            uniform(g[i].mGranular.mpRng->draw()).store(u + 4 * i);
}

// Group g's part of the update that only a group with an active lane does, given its four
// lanes of each result.
[[gnu::always_inline]] inline void keepUpdate(PartialGroup& g, bool active, bool audible,
                                              __m128 modOmega, __m128 level, __m128 re, __m128 im,
                                              __m128 phase) noexcept
{
    if (!active)
    {
        g.mAudible = false;
        return;
    }
    g.mModOmega.v = modOmega;
    g.mLevel.v = level;
    g.mAudible = audible;
    if (!audible)
        return;
    g.mRe.v = re;
    g.mIm.v = im;
    g.mPhase.v = phase;
}

// What the first stage of a batch's update leaves for the second, in the vectors and masks
// of Width (a type naming them Vector and Mask).
template <typename Width>
struct GranularBatch
{
    PartialGroup* g;
    typename Width::Vector omega;
    typename Width::Vector excitation;
    typename Width::Vector envelope;
    typename Width::Vector pitch;
    typename Width::Mask active;
};

[[gnu::target("avx512f"), gnu::always_inline]] inline __m512 loadFour(const vec4& first) noexcept
{
    const auto* p = reinterpret_cast<const char*>(&first);
    __m512 r = _mm512_maskz_broadcast_f32x4(kAll, _mm_load_ps(reinterpret_cast<const float*>(p)));
    r = _mm512_insertf32x4(r, _mm_load_ps(reinterpret_cast<const float*>(p + kGroupStride)), 1);
    r = _mm512_insertf32x4(r, _mm_load_ps(reinterpret_cast<const float*>(p + 2 * kGroupStride)), 2);
    return _mm512_insertf32x4(r, _mm_load_ps(reinterpret_cast<const float*>(p + 3 * kGroupStride)),
                              3);
}

template <int I>
[[gnu::target("avx512f"), gnu::always_inline]] inline __m128 part(__m512 v) noexcept
{
    return _mm512_maskz_extractf32x4_ps(__mmask8{0xf}, v, I);
}

template <int I>
[[gnu::target("avx512f"), gnu::always_inline]] inline void storePart(vec4& first, __m512 v) noexcept
{
    auto* p = reinterpret_cast<char*>(&first) + I * kGroupStride;
    _mm_store_ps(reinterpret_cast<float*>(p), part<I>(v));
}

[[gnu::target("avx512f"), gnu::always_inline]] inline void storeFour(vec4& first, __m512 v) noexcept
{
    storePart<0>(first, v);
    storePart<1>(first, v);
    storePart<2>(first, v);
    storePart<3>(first, v);
}

[[gnu::target("avx512f"), gnu::always_inline]] inline __m512 wide(vec4 v) noexcept
{
    return _mm512_maskz_broadcast_f32x4(kAll, v.v);
}

[[gnu::target("avx512f"), gnu::always_inline]] inline __m512 wide(float v) noexcept
{
    return _mm512_set1_ps(v);
}

// The vec4 operations of Vec4.h, sixteen lanes wide: the same instructions' arithmetic.
[[gnu::target("avx512f"), gnu::always_inline]] inline __m512 truncateToInt16(__m512 x) noexcept
{
    return _mm512_maskz_cvtepi32_ps(kAll, _mm512_maskz_cvttps_epi32(kAll, x));
}

[[gnu::target("avx512f"), gnu::always_inline]] inline __m512 abs16(__m512 x) noexcept
{
    return _mm512_castsi512_ps(
        _mm512_maskz_andnot_epi32(kAll, _mm512_castps_si512(wide(-0.0f)), _mm512_castps_si512(x)));
}

[[gnu::target("avx512f"), gnu::always_inline]] inline __m512 floor16(__m512 x) noexcept
{
    const __m512 t = truncateToInt16(x);
    const __m512 f =
        _mm512_sub_ps(t, _mm512_maskz_mov_ps(_mm512_cmp_ps_mask(t, x, _CMP_GT_OS), wide(1.0f)));
    return _mm512_mask_blend_ps(_mm512_cmp_ps_mask(abs16(x), wide(8388608.0f), _CMP_LT_OS), x, f);
}

[[gnu::target("avx512f"), gnu::always_inline]] inline __m512 sinPoly16(__m512 x) noexcept
{
    const __m512 x2 = _mm512_mul_ps(x, x);
    __m512 p = _mm512_add_ps(_mm512_mul_ps(x2, wide(-0.00018284567f)), wide(0.008304825f));
    p = _mm512_add_ps(_mm512_mul_ps(x2, p), wide(-0.16664949f));
    p = _mm512_add_ps(_mm512_mul_ps(x2, p), wide(0.99999833f));
    return _mm512_mul_ps(x, p);
}

// The four lanes of group I in a 16-lane mask.
template <int I>
constexpr __mmask16 kGroupLanes = static_cast<__mmask16>(0xfu << (4 * I));

// Group I's part of the update that only a group with an active lane does.
template <int I>
[[gnu::target("avx512f"), gnu::always_inline]] inline void
finishGroup(PartialGroup& g, __mmask16 active, __mmask16 audible, __m512 modOmega, __m512 level,
            __m512 re, __m512 im, __m512 phase) noexcept
{
    keepUpdate(g, (active & kGroupLanes<I>) != 0, (audible & kGroupLanes<I>) != 0,
               part<I>(modOmega), part<I>(level), part<I>(re), part<I>(im), part<I>(phase));
}

struct Lanes16
{
    using Vector = __m512;
    using Mask = __mmask16;
};
using GranularBatch512 = GranularBatch<Lanes16>;

// Four groups' update up to the modulator (update() steps 1 to 2b).
[[gnu::target("avx512f"), gnu::always_inline]] inline void
startBatch(GranularBatch512& b, const BinMagnitudes& in, vec4 shiftRatio,
           const SpectrumGeometry& geometry) noexcept
{
    PartialGroup* g = b.g;
    // Excitation read (excitationAt()).
    const __mmask16 excite = static_cast<__mmask16>(
        (g[0].mExcite ? kGroupLanes<0> : 0) | (g[1].mExcite ? kGroupLanes<1> : 0) |
        (g[2].mExcite ? kGroupLanes<2> : 0) | (g[3].mExcite ? kGroupLanes<3> : 0));
    const __m512 omega = loadFour(g->mOmega);
    const __m512 position =
        _mm512_mul_ps(_mm512_mul_ps(omega, wide(geometry.excitationScale)), wide(shiftRatio));
    const __mmask16 inside = _mm512_cmp_ps_mask(position, _mm512_setzero_ps(), _CMP_GE_OS) &
                             _mm512_cmp_ps_mask(position, wide(511.0f), _CMP_LE_OS);
    const __m512 p = _mm512_maskz_mov_ps(inside, position);
    const __m512 whole = truncateToInt16(p);
    const __m512 frac = _mm512_sub_ps(p, whole);
    const __m512i bins = _mm512_maskz_cvttps_epi32(kAll, whole);
    // Each lane's two neighbouring bins in one 64-bit element: two gathers of eight pairs
    // instead of two of sixteen floats, then the pairs split into m0 and m1.
    const __m512 low = _mm512_castpd_ps(_mm512_mask_i32gather_pd(
        _mm512_setzero_pd(), 0xff, _mm512_maskz_extracti64x4_epi64(0xff, bins, 0), in.data(), 4));
    const __m512 high = _mm512_castpd_ps(_mm512_mask_i32gather_pd(
        _mm512_setzero_pd(), 0xff, _mm512_maskz_extracti64x4_epi64(0xff, bins, 1), in.data(), 4));
    const __m512 m0 = _mm512_permutex2var_ps(
        low, _mm512_setr_epi32(0, 2, 4, 6, 8, 10, 12, 14, 16, 18, 20, 22, 24, 26, 28, 30), high);
    const __m512 m1 = _mm512_permutex2var_ps(
        low, _mm512_setr_epi32(1, 3, 5, 7, 9, 11, 13, 15, 17, 19, 21, 23, 25, 27, 29, 31), high);
    b.excitation = _mm512_maskz_mov_ps(
        inside & excite,
        _mm512_add_ps(_mm512_mul_ps(m1, frac), _mm512_mul_ps(m0, _mm512_sub_ps(wide(1.0f), frac))));
    storeFour(g->mExcitation, b.excitation);
    b.omega = omega;

    // Active lanes (lanesTakingPart()).
    b.active = _mm512_cmp_ps_mask(loadFour(g->mHarmonic), loadFour(g->mHarmonicLimit), _CMP_LT_OS) &
               _mm512_cmp_ps_mask(loadFour(g->mMinOmega), omega, _CMP_LE_OS) &
               _mm512_cmp_ps_mask(omega, loadFour(g->mMaxOmega), _CMP_LE_OS);

    // The Granular modulators (GranularState::next()), drawing in group order.
    __m512 pulse = _mm512_setzero_ps();
    __m512 countdown = _mm512_sub_ps(loadFour(g->mGranular.countdown), wide(1.0f));
    const __mmask16 firing = _mm512_cmp_ps_mask(countdown, wide(1.0f), _CMP_LT_OS);
    if (firing != 0)
    {
        alignas(64) float u[16] = {};
        drawFiring(g, 4, firing, u);
        const __m512 draw = _mm512_load_ps(u);
        const __m512 next = _mm512_add_ps(
            _mm512_mul_ps(_mm512_sub_ps(wide(1.0f), draw), loadFour(g->mGranular.longInterval)),
            _mm512_mul_ps(draw, loadFour(g->mGranular.shortInterval)));
        countdown = _mm512_mask_blend_ps(firing, countdown, next);
        pulse = _mm512_mask_blend_ps(firing, pulse, loadFour(g->mGranular.peak));
    }
    const __m512 release = loadFour(g->mGranular.release);
    __m512 envelope = loadFour(g->mGranular.envelope);
    envelope =
        _mm512_mask_blend_ps(_mm512_cmp_ps_mask(pulse, envelope, _CMP_LT_OS), pulse,
                             _mm512_add_ps(_mm512_mul_ps(_mm512_sub_ps(wide(1.0f), release), pulse),
                                           _mm512_mul_ps(release, envelope)));
    storeFour(g->mGranular.pulse, pulse);
    storeFour(g->mGranular.countdown, countdown);
    storeFour(g->mGranular.envelope, envelope);
    b.envelope = envelope;
    b.pitch = _mm512_mul_ps(loadFour(g->mGranular.pitchScale), envelope);
}

// The rest of the four groups' update (update() from step 2c on).
[[gnu::target("avx512f"), gnu::always_inline]] inline void
finishBatch(const GranularBatch512& b) noexcept
{
    PartialGroup* g = b.g;
    if (b.active == 0)
    {
        for (int i = 0; i < 4; ++i)
            g[i].mAudible = false;
        return;
    }
    // Frequency, level and oscillator, computed for all four groups and kept only for those
    // with an active lane (and audible, for the oscillator).
    const __m512 modOmega = _mm512_mul_ps(
        b.omega, _mm512_add_ps(wide(1.0f), _mm512_mul_ps(b.pitch, loadFour(g->mPitchDepth))));
    const __m512 oldLevel = loadFour(g->mLevel);
    const __m512 previous = _mm512_maskz_mov_ps(
        _mm512_cmp_ps_mask(_mm512_sub_ps(oldLevel, oldLevel), _mm512_setzero_ps(), _CMP_EQ_OQ),
        oldLevel);
    const __m512 retention = loadFour(g->mRetention);
    const __m512 released =
        _mm512_add_ps(_mm512_mul_ps(_mm512_sub_ps(wide(1.0f), retention), b.excitation),
                      _mm512_mul_ps(retention, previous));
    const __m512 level = _mm512_maskz_mov_ps(
        b.active, _mm512_mask_blend_ps(_mm512_cmp_ps_mask(b.excitation, previous, _CMP_LT_OS),
                                       b.excitation, released));
    const __mmask16 audible = _mm512_cmp_ps_mask(level, wide(0.001f), _CMP_GE_OS);

    const __m512 amplitude = _mm512_mul_ps(b.envelope, level);
    const __m512 halfPi = wide(1.5707964f);
    const __m512 pi = wide(kPi);
    const __m512 phase = loadFour(g->mPhase);
    const __m512 re = _mm512_mul_ps(amplitude, sinPoly16(_mm512_sub_ps(halfPi, abs16(phase))));
    const __m512 im = _mm512_mul_ps(
        amplitude, sinPoly16(_mm512_sub_ps(
                       halfPi, abs16(_mm512_sub_ps(pi, abs16(_mm512_add_ps(phase, halfPi)))))));
    const __m512 y =
        _mm512_add_ps(_mm512_div_ps(_mm512_add_ps(phase, modOmega), wide(kTwoPi)), wide(0.5f));
    const __m512 nextPhase =
        _mm512_mul_ps(_mm512_sub_ps(_mm512_sub_ps(y, floor16(y)), wide(0.5f)), wide(kTwoPi));

    finishGroup<0>(g[0], b.active, audible, modOmega, level, re, im, nextPhase);
    finishGroup<1>(g[1], b.active, audible, modOmega, level, re, im, nextPhase);
    finishGroup<2>(g[2], b.active, audible, modOmega, level, re, im, nextPhase);
    finishGroup<3>(g[3], b.active, audible, modOmega, level, re, im, nextPhase);
}

[[gnu::target("avx512f")]] bool updateEightGranular512(PartialGroup* g, const BinMagnitudes& in,
                                                       vec4 shiftRatio,
                                                       const SpectrumGeometry& geometry) noexcept
{
    if (!eightGranular(g))
        return false;
    // Two batches of four, the second started before the first is finished: two independent
    // chains of dependent steps for the processor to overlap. The draws still come in group
    // order (the first batch's in its start, then the second's).
    GranularBatch512 first{g, {}, {}, {}, {}, 0};
    GranularBatch512 second{g + 4, {}, {}, {}, {}, 0};
    startBatch(first, in, shiftRatio, geometry);
    startBatch(second, in, shiftRatio, geometry);
    finishBatch(first);
    finishBatch(second);
    return true;
}

// ---- 256 bits: two groups per vector -------------------------------------------------------
// The update of updateEightGranular512() on two groups at a time (group i of a pair in lanes
// 4i..4i+3), operation for operation; masks are vectors here, a lane all ones where true.

[[gnu::target("avx2"), gnu::always_inline]] inline __m256 loadTwo(const vec4& first) noexcept
{
    const auto* p = reinterpret_cast<const char*>(&first);
    return _mm256_set_m128(_mm_load_ps(reinterpret_cast<const float*>(p + kGroupStride)),
                           _mm_load_ps(reinterpret_cast<const float*>(p)));
}

[[gnu::target("avx2"), gnu::always_inline]] inline void storeTwo(vec4& first, __m256 v) noexcept
{
    auto* p = reinterpret_cast<char*>(&first);
    _mm_store_ps(reinterpret_cast<float*>(p), _mm256_castps256_ps128(v));
    _mm_store_ps(reinterpret_cast<float*>(p + kGroupStride), _mm256_extractf128_ps(v, 1));
}

[[gnu::target("avx2"), gnu::always_inline]] inline __m256 splat8(float v) noexcept
{
    return _mm256_set1_ps(v);
}

[[gnu::target("avx2"), gnu::always_inline]] inline __m256 splat8(vec4 v) noexcept
{
    return _mm256_set_m128(v.v, v.v);
}

[[gnu::target("avx2"), gnu::always_inline]] inline __m256 abs8(__m256 x) noexcept
{
    return _mm256_andnot_ps(splat8(-0.0f), x);
}

[[gnu::target("avx2"), gnu::always_inline]] inline __m256 floor8(__m256 x) noexcept
{
    const __m256 t = _mm256_cvtepi32_ps(_mm256_cvttps_epi32(x));
    const __m256 f = _mm256_sub_ps(t, _mm256_and_ps(_mm256_cmp_ps(t, x, _CMP_GT_OS), splat8(1.0f)));
    return _mm256_blendv_ps(x, f, _mm256_cmp_ps(abs8(x), splat8(8388608.0f), _CMP_LT_OS));
}

[[gnu::target("avx2"), gnu::always_inline]] inline __m256 sinPoly8(__m256 x) noexcept
{
    const __m256 x2 = _mm256_mul_ps(x, x);
    __m256 p = _mm256_add_ps(_mm256_mul_ps(x2, splat8(-0.00018284567f)), splat8(0.008304825f));
    p = _mm256_add_ps(_mm256_mul_ps(x2, p), splat8(-0.16664949f));
    p = _mm256_add_ps(_mm256_mul_ps(x2, p), splat8(0.99999833f));
    return _mm256_mul_ps(x, p);
}

// Group I's lanes (I 0 or 1) of a pair.
template <int I>
[[gnu::target("avx2"), gnu::always_inline]] inline __m128 half(__m256 v) noexcept
{
    return I == 0 ? _mm256_castps256_ps128(v) : _mm256_extractf128_ps(v, 1);
}

struct Lanes8
{
    using Vector = __m256;
    using Mask = __m256; // all ones in a true lane
};
using GranularPair = GranularBatch<Lanes8>;

// startBatch() on two groups.
[[gnu::target("avx2"), gnu::always_inline]] inline void
startPair(GranularPair& b, const BinMagnitudes& in, vec4 shiftRatio,
          const SpectrumGeometry& geometry) noexcept
{
    PartialGroup* g = b.g;
    const int e0 = g[0].mExcite ? -1 : 0;
    const int e1 = g[1].mExcite ? -1 : 0;
    const __m256 excite = _mm256_castsi256_ps(_mm256_setr_epi32(e0, e0, e0, e0, e1, e1, e1, e1));
    const __m256 omega = loadTwo(g->mOmega);
    const __m256 position =
        _mm256_mul_ps(_mm256_mul_ps(omega, splat8(geometry.excitationScale)), splat8(shiftRatio));
    const __m256 inside = _mm256_and_ps(_mm256_cmp_ps(position, _mm256_setzero_ps(), _CMP_GE_OS),
                                        _mm256_cmp_ps(position, splat8(511.0f), _CMP_LE_OS));
    const __m256 p = _mm256_and_ps(inside, position);
    const __m256i bins = _mm256_cvttps_epi32(p);
    const __m256 frac = _mm256_sub_ps(p, _mm256_cvtepi32_ps(bins));
    // Each lane's two neighbouring bins in one 64-bit element (loads, not a gather: on many
    // processors a gather of eight costs more), then split into m0 and m1. A pair of floats
    // is only 4-byte aligned: it is copied into a double's bits, not read as a double.
    alignas(32) std::int32_t k[8];
    _mm256_store_si256(reinterpret_cast<__m256i*>(k), bins);
    const auto pairAt = [&in](std::int32_t a, std::int32_t b)
    {
        double first;
        double second;
        std::memcpy(&first, in.data() + a, sizeof first);
        std::memcpy(&second, in.data() + b, sizeof second);
        return _mm_set_pd(second, first);
    };
    const __m256 low = _mm256_castpd_ps(_mm256_set_m128d(pairAt(k[2], k[3]), pairAt(k[0], k[1])));
    const __m256 high = _mm256_castpd_ps(_mm256_set_m128d(pairAt(k[6], k[7]), pairAt(k[4], k[5])));
    const __m256 m0 = _mm256_castpd_ps(_mm256_permute4x64_pd(
        _mm256_castps_pd(_mm256_shuffle_ps(low, high, _MM_SHUFFLE(2, 0, 2, 0))),
        _MM_SHUFFLE(3, 1, 2, 0)));
    const __m256 m1 = _mm256_castpd_ps(_mm256_permute4x64_pd(
        _mm256_castps_pd(_mm256_shuffle_ps(low, high, _MM_SHUFFLE(3, 1, 3, 1))),
        _MM_SHUFFLE(3, 1, 2, 0)));
    b.excitation =
        _mm256_and_ps(_mm256_and_ps(inside, excite),
                      _mm256_add_ps(_mm256_mul_ps(m1, frac),
                                    _mm256_mul_ps(m0, _mm256_sub_ps(splat8(1.0f), frac))));
    storeTwo(g->mExcitation, b.excitation);
    b.omega = omega;

    b.active = _mm256_and_ps(
        _mm256_and_ps(_mm256_cmp_ps(loadTwo(g->mHarmonic), loadTwo(g->mHarmonicLimit), _CMP_LT_OS),
                      _mm256_cmp_ps(loadTwo(g->mMinOmega), omega, _CMP_LE_OS)),
        _mm256_cmp_ps(omega, loadTwo(g->mMaxOmega), _CMP_LE_OS));

    __m256 pulse = _mm256_setzero_ps();
    __m256 countdown = _mm256_sub_ps(loadTwo(g->mGranular.countdown), splat8(1.0f));
    const __m256 firing = _mm256_cmp_ps(countdown, splat8(1.0f), _CMP_LT_OS);
    const int fired = _mm256_movemask_ps(firing);
    if (fired != 0)
    {
        alignas(32) float u[8] = {};
        drawFiring(g, 2, static_cast<unsigned>(fired), u);
        const __m256 draw = _mm256_load_ps(u);
        const __m256 next = _mm256_add_ps(
            _mm256_mul_ps(_mm256_sub_ps(splat8(1.0f), draw), loadTwo(g->mGranular.longInterval)),
            _mm256_mul_ps(draw, loadTwo(g->mGranular.shortInterval)));
        countdown = _mm256_blendv_ps(countdown, next, firing);
        pulse = _mm256_blendv_ps(pulse, loadTwo(g->mGranular.peak), firing);
    }
    const __m256 release = loadTwo(g->mGranular.release);
    __m256 envelope = loadTwo(g->mGranular.envelope);
    envelope =
        _mm256_blendv_ps(pulse,
                         _mm256_add_ps(_mm256_mul_ps(_mm256_sub_ps(splat8(1.0f), release), pulse),
                                       _mm256_mul_ps(release, envelope)),
                         _mm256_cmp_ps(pulse, envelope, _CMP_LT_OS));
    storeTwo(g->mGranular.pulse, pulse);
    storeTwo(g->mGranular.countdown, countdown);
    storeTwo(g->mGranular.envelope, envelope);
    b.envelope = envelope;
    b.pitch = _mm256_mul_ps(loadTwo(g->mGranular.pitchScale), envelope);
}

// finishBatch() on two groups.
[[gnu::target("avx2"), gnu::always_inline]] inline void finishPair(const GranularPair& b) noexcept
{
    PartialGroup* g = b.g;
    const int active = _mm256_movemask_ps(b.active);
    if (active == 0)
    {
        g[0].mAudible = false;
        g[1].mAudible = false;
        return;
    }
    const __m256 modOmega = _mm256_mul_ps(
        b.omega, _mm256_add_ps(splat8(1.0f), _mm256_mul_ps(b.pitch, loadTwo(g->mPitchDepth))));
    const __m256 oldLevel = loadTwo(g->mLevel);
    const __m256 previous = _mm256_and_ps(
        _mm256_cmp_ps(_mm256_sub_ps(oldLevel, oldLevel), _mm256_setzero_ps(), _CMP_EQ_OQ),
        oldLevel);
    const __m256 retention = loadTwo(g->mRetention);
    const __m256 released =
        _mm256_add_ps(_mm256_mul_ps(_mm256_sub_ps(splat8(1.0f), retention), b.excitation),
                      _mm256_mul_ps(retention, previous));
    const __m256 level = _mm256_and_ps(
        b.active, _mm256_blendv_ps(b.excitation, released,
                                   _mm256_cmp_ps(b.excitation, previous, _CMP_LT_OS)));
    const int audible = _mm256_movemask_ps(_mm256_cmp_ps(level, splat8(0.001f), _CMP_GE_OS));

    const __m256 amplitude = _mm256_mul_ps(b.envelope, level);
    const __m256 halfPi = splat8(1.5707964f);
    const __m256 pi = splat8(kPi);
    const __m256 phase = loadTwo(g->mPhase);
    const __m256 re = _mm256_mul_ps(amplitude, sinPoly8(_mm256_sub_ps(halfPi, abs8(phase))));
    const __m256 im = _mm256_mul_ps(
        amplitude, sinPoly8(_mm256_sub_ps(
                       halfPi, abs8(_mm256_sub_ps(pi, abs8(_mm256_add_ps(phase, halfPi)))))));
    const __m256 y =
        _mm256_add_ps(_mm256_div_ps(_mm256_add_ps(phase, modOmega), splat8(kTwoPi)), splat8(0.5f));
    const __m256 nextPhase =
        _mm256_mul_ps(_mm256_sub_ps(_mm256_sub_ps(y, floor8(y)), splat8(0.5f)), splat8(kTwoPi));

    keepUpdate(g[0], (active & 0xf) != 0, (audible & 0xf) != 0, half<0>(modOmega), half<0>(level),
               half<0>(re), half<0>(im), half<0>(nextPhase));
    keepUpdate(g[1], (active & 0xf0) != 0, (audible & 0xf0) != 0, half<1>(modOmega), half<1>(level),
               half<1>(re), half<1>(im), half<1>(nextPhase));
}

[[gnu::target("avx2")]] bool updateEightGranular256(PartialGroup* g, const BinMagnitudes& in,
                                                    vec4 shiftRatio,
                                                    const SpectrumGeometry& geometry) noexcept
{
    if (!eightGranular(g))
        return false;
    // Four pairs, all started before any is finished, so the draws come in group order.
    GranularPair pairs[4];
    for (int i = 0; i < 4; ++i)
    {
        pairs[i].g = g + 2 * i;
        startPair(pairs[i], in, shiftRatio, geometry);
    }
    for (int i = 0; i < 4; ++i)
        finishPair(pairs[i]);
    return true;
}
} // namespace
#endif

bool PartialGroup::updateEightGranular(VectorWidth width, PartialGroup* groups,
                                       const BinMagnitudes& in, vec4 shiftRatio,
                                       const SpectrumGeometry& geometry) noexcept
{
#if defined(QUENDRA_WIDE_VECTORS)
    if (width == VectorWidth::Bits512)
        return updateEightGranular512(groups, in, shiftRatio, geometry);
    if (width == VectorWidth::Bits256)
        return updateEightGranular256(groups, in, shiftRatio, geometry);
#endif
    (void)width, (void)groups, (void)in, (void)shiftRatio, (void)geometry;
    return false;
}

// ---- control rate -------------------------------------------------------------------------

void PartialGroup::layOut(vec4 harmonic, vec4 unison) noexcept
{
    mHarmonic = harmonic;
    mUnison = unison;
    refreshExcite();
}

void PartialGroup::computeRatios(vec4 stretch, vec4 spread) noexcept
{
    // Left raises its unison copies, right lowers them.
    const vec4 sign(mSide == 0 ? -1.0f : 1.0f);
    const vec4 harmonicPart = vec4(1.0f) + (vec4(1.0f) + stretch) * mHarmonic;
    const vec4 unisonPart = vec4(1.0f) + sign * spread * mUnison;
    mRatio = harmonicPart * unisonPart;
    mOmega = mRatio * mFundamental;
    mModOmega = mOmega;
    updateChorusRate();
    refreshExcite();
}

void PartialGroup::setFundamental(vec4 omega0) noexcept
{
    mFundamental = omega0;
    mOmega = mRatio * mFundamental;
    mModOmega = mOmega;
    updateChorusRate();
    refreshExcite();
}

vec4 PartialGroup::retentionFor(vec4 harmonic, float baseFactor, vec4 hfDamp, vec4 lfDamp) noexcept
{
    const vec4 one(1.0f);
    const vec4 zero(0.0f);
    const vec4 x = min(harmonic / vec4(255.0f), one);

    // Up to H = 0.5 a linear tilt, above it an ever steeper exponential curve (whose two
    // exponentials are evaluated only when some lane needs them).
    const vec4 linearLanes = hfDamp <= vec4(0.5f);
    vec4 tilt = one - vec4(2.0f) * hfDamp * x;
    if (!all(linearLanes))
    {
        const vec4 k = vec4(10.0f) * (vec4(2.0f) * hfDamp - one);
        const vec4 curved = (fastExp2(vec4(1.442695f) * (k * (one - x))) - one) /
                            (fastExp2(vec4(1.442695f) * k) - one);
        const vec4 bent = select(abs(k) > vec4(0.001f), curved, one - x);
        tilt = select(linearLanes, tilt, bent);
    }
    const vec4 hf = clamp(tilt, zero, one);

    const vec4 lf = clamp(one + vec4(0.02f) * harmonic - vec4(0.2f) * lfDamp, zero, one);

    return hf * lf * vec4(baseFactor);
}

void PartialGroup::refreshExcite() noexcept
{
    const bool someBelowLimit = any(mHarmonic < mHarmonicLimit);
    const bool someInBand = any((mMinOmega <= mOmega) & (mOmega <= mMaxOmega));
    mExcite = mVoiceActive && someBelowLimit && someInBand;
}

void PartialGroup::setHarmonicLimit(float limit) noexcept
{
    mHarmonicLimit = vec4(limit);
    refreshExcite();
}

void PartialGroup::setVoiceActive(bool active) noexcept
{
    mVoiceActive = active;
    refreshExcite();
}

void PartialGroup::selectMode(ModMode mode) noexcept
{
    mPhase = randomPhase();
    switch (mode)
    {
    case ModMode::Chorus:
        mChorus.phase = vec4(mSide == 0 ? 0.25f : 0.0f);
        mModulator = Modulator::fromMethod<PartialGroup, &PartialGroup::modulateChorus>(this);
        break;
    case ModMode::Wander:
        mModulator = Modulator::fromMethod<PartialGroup, &PartialGroup::modulateWander>(this);
        break;
    case ModMode::Granular:
        mModulator = Modulator::fromMethod<PartialGroup, &PartialGroup::modulateGranular>(this);
        break;
    default:
        mModulator = Modulator::fromFunction<&noModulation>();
        break;
    }
}

void PartialGroup::drawPhases() noexcept
{
    mPhase = randomPhase();
}

void PartialGroup::silence() noexcept
{
    const vec4 u = uniform(mpRng->draw());
    mLevel = vec4(0.0f);
    mPhase = vec4(-kPi) + vec4(kTwoPi) * u;
}

void PartialGroup::setModRate(float rate) noexcept
{
    setModRate(rate, WanderState::timingFor(mHopRate, rate),
               GranularState::timingFor(mHopRate, rate));
}

void PartialGroup::setModRate(float rate, const WanderState::Timing& wander,
                              const GranularState::Timing& granular) noexcept
{
    mChorus.rate = vec4(rate);
    mChorus.updateIncrement();
    mWander.setTiming(wander);
    mGranular.setTiming(granular);
}

vec4 PartialGroup::randomPhase() noexcept
{
    return phaseFrom(mpRng);
}

void PartialGroup::updateChorusRate() noexcept
{
    mChorus.partialHz = mOmega * mHopRate / vec4(kTwoPi);
    mChorus.updateIncrement();
}

} // namespace quendra::dravel::vantor
