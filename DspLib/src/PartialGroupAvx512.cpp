// The partial group's AVX-512F backend: sixteen lanes (four groups, or eight bins) per vector.
#include "PartialGroupWide.h"

#if defined(QUENDRA_WIDE_VECTORS)
namespace quendra::dravel::vantor
{

namespace
{
// Every lane (the masked forms of the intrinsics below leave no lane undefined).
constexpr __mmask16 kAll = 0xffff;

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

} // namespace

namespace avx512
{
void addToSpectrum(const PartialGroup& group, Complex* out, const KernelTable& kernel,
                   const SpectrumGeometry& geometry) noexcept
{
    addToSpectrum512(group, out, kernel, geometry);
}

void addFourToSpectrum(const PartialGroup* const* groups, Complex* out, const KernelTable& kernel,
                       const SpectrumGeometry& geometry) noexcept
{
    addFourToSpectrum512(groups, out, kernel, geometry);
}

bool updateEightGranular(PartialGroup* groups, const BinMagnitudes& in, vec4 shiftRatio,
                         const SpectrumGeometry& geometry) noexcept
{
    return updateEightGranular512(groups, in, shiftRatio, geometry);
}
} // namespace avx512

} // namespace quendra::dravel::vantor
#endif
