// The partial group's AVX2 backend: eight lanes (two groups, or four bins) per vector.
#include "PartialGroupWide.h"

#if defined(QUENDRA_WIDE_VECTORS)
#include "quendra/dsp/simd/Vec8Avx2.h"
namespace quendra::dravel::vantor
{

namespace
{
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
[[gnu::target("avx2,fma"), gnu::always_inline]] inline void
addToBlocks256(float* p, int r, __m256 head, __m256 rest) noexcept
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
[[gnu::target("avx2,fma"), gnu::always_inline]] inline void
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
[[gnu::target("avx2,fma"), gnu::always_inline]] inline void
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

[[gnu::target("avx2,fma")]] void addToSpectrum256(const PartialGroup& group, Complex* out,
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

[[gnu::target("avx2,fma"), gnu::always_inline]] inline __m256
loadTwoOf(const PartialGroup& a, const PartialGroup& b, vec4 PartialGroup::*field) noexcept
{
    return _mm256_set_m128((b.*field).v, (a.*field).v);
}

[[gnu::target("avx2,fma"), gnu::always_inline]] inline __m256 truncate8(__m256 x) noexcept
{
    return _mm256_cvtepi32_ps(_mm256_cvttps_epi32(x));
}

// |x| < 2^23 (else x is whole already), as in Vec4.h's floor() and ceil().
[[gnu::target("avx2,fma"), gnu::always_inline]] inline __m256 notWhole8(__m256 x) noexcept
{
    const __m256 magnitude = _mm256_andnot_ps(_mm256_set1_ps(-0.0f), x);
    return _mm256_cmp_ps(magnitude, _mm256_set1_ps(8388608.0f), _CMP_LT_OS);
}

[[gnu::target("avx2,fma"), gnu::always_inline]] inline void
placeEight(const PartialGroup& a, const PartialGroup& b, const SpectrumGeometry& geometry,
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
[[gnu::target("avx2,fma"), gnu::always_inline]] inline void
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
[[gnu::target("avx2,fma"), gnu::always_inline]] inline void
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

[[gnu::target("avx2,fma")]] void addFourToSpectrum256(const PartialGroup* const* groups,
                                                      Complex* out, const KernelTable& kernel,
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

// ---- 256 bits: two groups per vector -------------------------------------------------------
// The update of updateEightGranular512() on two groups at a time (group i of a pair in lanes
// 4i..4i+3), operation for operation; masks are vectors here, a lane all ones where true.

[[gnu::target("avx2,fma"), gnu::always_inline]] inline __m256 loadTwo(const vec4& first) noexcept
{
    const auto* p = reinterpret_cast<const char*>(&first);
    return _mm256_set_m128(_mm_load_ps(reinterpret_cast<const float*>(p + kGroupStride)),
                           _mm_load_ps(reinterpret_cast<const float*>(p)));
}

[[gnu::target("avx2,fma"), gnu::always_inline]] inline void storeTwo(vec4& first, __m256 v) noexcept
{
    auto* p = reinterpret_cast<char*>(&first);
    _mm_store_ps(reinterpret_cast<float*>(p), _mm256_castps256_ps128(v));
    _mm_store_ps(reinterpret_cast<float*>(p + kGroupStride), _mm256_extractf128_ps(v, 1));
}

[[gnu::target("avx2,fma"), gnu::always_inline]] inline __m256 splat8(float v) noexcept
{
    return _mm256_set1_ps(v);
}

[[gnu::target("avx2,fma"), gnu::always_inline]] inline __m256 splat8(vec4 v) noexcept
{
    return _mm256_set_m128(v.v, v.v);
}

[[gnu::target("avx2,fma"), gnu::always_inline]] inline __m256 abs8(__m256 x) noexcept
{
    return _mm256_andnot_ps(splat8(-0.0f), x);
}

// The lane pack's floor and sine on a raw vector.
[[gnu::target("avx2,fma"), gnu::always_inline]] inline __m256 floor8(__m256 x) noexcept
{
    return avx2::floor(avx2::vec8(x)).v;
}

[[gnu::target("avx2,fma"), gnu::always_inline]] inline __m256 sinPoly8(__m256 x) noexcept
{
    return avx2::sinPoly(avx2::vec8(x)).v;
}

// Group I's lanes (I 0 or 1) of a pair.
template <int I>
[[gnu::target("avx2,fma"), gnu::always_inline]] inline __m128 half(__m256 v) noexcept
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
[[gnu::target("avx2,fma"), gnu::always_inline]] inline void
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
[[gnu::target("avx2,fma"), gnu::always_inline]] inline void
finishPair(const GranularPair& b) noexcept
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

[[gnu::target("avx2,fma")]] bool updateEightGranular256(PartialGroup* g, const BinMagnitudes& in,
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

namespace avx2
{
void addToSpectrum(const PartialGroup& group, Complex* out, const KernelTable& kernel,
                   const SpectrumGeometry& geometry) noexcept
{
    addToSpectrum256(group, out, kernel, geometry);
}

void addFourToSpectrum(const PartialGroup* const* groups, Complex* out, const KernelTable& kernel,
                       const SpectrumGeometry& geometry) noexcept
{
    addFourToSpectrum256(groups, out, kernel, geometry);
}

bool updateEightGranular(PartialGroup* groups, const BinMagnitudes& in, vec4 shiftRatio,
                         const SpectrumGeometry& geometry) noexcept
{
    return updateEightGranular256(groups, in, shiftRatio, geometry);
}
} // namespace avx2

} // namespace quendra::dravel::vantor
#endif
