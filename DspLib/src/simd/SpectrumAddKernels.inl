// The spectrum add of one group and of four, written once for every lane pack P wider than
// four lanes: the sums of PartialGroup::addToSpectrum() in the same order, each lane's eight
// taps added through aligned blocks of P::kLanes / 2 bins, (re, im) each. No include guard:
// each wide backend includes it into its own namespace, under its own instruction set (see
// PartialGroupBackend.inl). Expects PartialGroupWide.h and the pack's header in scope.
//
// A lane's taps start at place r = first mod B of an aligned block of B bins and reach into
// the next 16 / P::kLanes blocks. The kernel table rotated by r holds them ready: its sixteen
// floats, read as 16 / P::kLanes packs, hold the taps of the first block from float 2r on
// (the floats before 2r belong to the block after the last), then those of the blocks between.

template <LanePack P>
constexpr int kBlockBins = P::kLanes / 2;
template <LanePack P>
constexpr int kTapPacks = 16 / P::kLanes;

// A lane the aligned blocks can take: all its taps on ordinary bins, every block inside the
// spectrum.
template <LanePack P>
[[gnu::always_inline]] inline bool blockable(int first) noexcept
{
    const int block = first & ~(kBlockBins<P> - 1);
    return first >= 1 && first + 7 <= kLastBin &&
           block + (kTapPacks<P> + 1) * kBlockBins<P> <= static_cast<int>(kNumBins);
}

// The offset of the rotated tables for tap t and rotation r, in floats.
[[gnu::always_inline]] inline std::size_t tableOffset(std::size_t t, std::size_t r) noexcept
{
    return static_cast<std::size_t>(16 * (8 * t + r));
}

// The taps of one lane from the rotated tables at `table` (an offset in floats), with weight
// fraction fl (gl = 1 - fl) and amplitudes (re, im) in `pair`, added into the blocks from bin
// `block`, from float `from` (2r, r the lane's place in the first block) on. Every block is read
// and written whole, so that a later lane's reads meet this lane's writes at the same addresses;
// the floats a lane does not touch keep their value (a blend, not an add of zero).
template <LanePack P>
[[gnu::always_inline]] inline void addLaneAt(Complex* out, const KernelTable& kernel,
                                             std::size_t table, int block, int from, float fl,
                                             float gl, double pair) noexcept
{
    constexpr int n = P::kLanes;
    // Tap j weighs (1 - f) K[t + 4j] + f K[t + 4j + 1], as in laneTaps().
    const P f(fl);
    const P g(gl);
    const float* a = kernel.rotatedPairedTaps(0, 0) + table;
    const float* b = kernel.rotatedPairedNextTaps(0, 0) + table;
    const P amp = P::ofPair(pair);
    const auto fromPlace = P::lanesFrom(from);
    float* p = &out[block].re;
    const P head = amp * (g * P::loadAligned(a) + f * P::loadAligned(b));
    // The blocks at either end are read once, for both the add and the blend: loads are what
    // a lane runs short of.
    const P first = P::loadAlignedOnce(p);
    select(fromPlace, first + head, first).storeAligned(p);
    for (int k = 1; k < kTapPacks<P>; ++k)
    {
        const P taps = amp * (g * P::loadAligned(a + n * k) + f * P::loadAligned(b + n * k));
        (P::loadAligned(p + n * k) + taps).storeAligned(p + n * k);
    }
    float* const after = p + n * kTapPacks<P>;
    const P last = P::loadAlignedOnce(after);
    select(fromPlace, last, last + head).storeAligned(after);
}

// Lane L of one group: through the aligned blocks where it can, else as addToSpectrum() does.
template <LanePack P, int L>
[[gnu::always_inline]] inline void addLaneOf(Complex* out, const KernelTable& kernel,
                                             const LanePlacement& placement, vec4 re,
                                             vec4 im) noexcept
{
    if (!placement.lane(L))
        return;
    const int first = placement.first(L);
    if (!blockable<P>(first))
    {
        addLane<L>(out, kernel, first, placement.tap(L), placement.f, re, im);
        return;
    }
    const int r = first & (kBlockBins<P> - 1);
    const float pair[2] = {re[L], im[L]};
    addLaneAt<P>(out, kernel, tableOffset(placement.tap(L), static_cast<std::size_t>(r)), first - r,
                 2 * r, placement.f[L], 1.0f - placement.f[L], std::bit_cast<double>(pair));
}

template <LanePack P>
void addToSpectrumOf(const PartialGroupState& state, std::size_t index, Complex* out,
                     const KernelTable& kernel, const SpectrumGeometry& geometry) noexcept
{
    // Lane by lane: each bin a lane touches receives that lane's product once, in lane order.
    // Every lane goes through memory, even where lanes lie close together: choosing between
    // that and a window held in registers costs more in mispredicted branches than it saves.
    const LanePlacement placement = placeLanes(state.modOmega[index], geometry);
    const vec4 re = state.re[index];
    const vec4 im = state.im[index];
    addLaneOf<P, 0>(out, kernel, placement, re, im);
    addLaneOf<P, 1>(out, kernel, placement, re, im);
    addLaneOf<P, 2>(out, kernel, placement, re, im);
    addLaneOf<P, 3>(out, kernel, placement, re, im);
}

// placeLanes() for the lanes of P::kLanes / 4 groups at once, in the integers the blocks want.
template <LanePack P>
struct PackPlacement
{
    alignas(64) std::uint32_t table[P::kLanes]; // tableOffset(t, r)
    alignas(64) std::uint32_t block[P::kLanes]; // the first block's bin
    alignas(64) std::int32_t from[P::kLanes];   // 2r, r = first mod kBlockBins
    alignas(64) float f[P::kLanes];
    alignas(64) float g[P::kLanes];        // 1 - f
    alignas(64) float pairs[2][P::kLanes]; // (re, im) of lanes 0, 1 of each group, then 2, 3
    unsigned inRange;                      // a bit per lane
    unsigned blockable;
};

template <LanePack P>
[[gnu::always_inline]] inline void
placePack(const PartialGroupState& state, const std::size_t* indices,
          const SpectrumGeometry& geometry, PackPlacement<P>& p) noexcept
{
    using Words = decltype(truncateToWord(P(0.0f)));
    const SpectrumPlace<P> place =
        spectrumPlace(loadEach<P>(state, indices, &PartialGroupState::modOmega),
                      P(geometry.fftSize), P(geometry.hop));
    place.f.storeAligned(p.f);
    (P(1.0f) - place.f).storeAligned(p.g);
    p.inRange = laneBits(place.inRange);
    const Words first = truncateToWord(place.c) - Words(4u);
    const Words r = first & Words(kBlockBins<P> - 1);
    const Words block = first - r;
    shiftLeft<4>(shiftLeft<3>(truncateToWord(place.t)) + r).store(p.table);
    block.store(p.block);
    shiftLeft<1>(r).store(reinterpret_cast<std::uint32_t*>(p.from));
    // blockable<P>(), all lanes at once.
    const auto outside =
        greaterSigned(Words(1u), first) |
        greaterSigned(first, Words(static_cast<std::uint32_t>(kLastBin - 7))) |
        greaterSigned(block, Words(static_cast<std::uint32_t>(static_cast<int>(kNumBins) -
                                                              (kTapPacks<P> + 1) * kBlockBins<P>)));
    p.blockable = ~laneBits(outside) & ((1u << P::kLanes) - 1);
    const P re = loadEach<P>(state, indices, &PartialGroupState::re);
    const P im = loadEach<P>(state, indices, &PartialGroupState::im);
    interleaveLow(re, im).storeAligned(p.pairs[0]);
    interleaveHigh(re, im).storeAligned(p.pairs[1]);
    // The lanes read their placements back, a scalar load each, where the compiler would
    // otherwise extract each from the vectors above in several instructions.
    asm volatile("" : : "r"(&p) : "memory");
}

// Lane L of group G of a PackPlacement; kChecked: unless out of range (without it, the caller
// has found the group's lanes all in range).
template <LanePack P, int G, int L, bool kChecked = true>
[[gnu::always_inline]] inline void addPlacedLane(Complex* out, const KernelTable& kernel,
                                                 const PackPlacement<P>& p) noexcept
{
    constexpr int lane = 4 * G + L;
    if (kChecked && ((p.inRange >> lane) & 1u) == 0)
        return;
    double pair;
    std::memcpy(&pair, &p.pairs[L / 2][4 * G + 2 * (L % 2)], sizeof pair);
    addLaneAt<P>(out, kernel, p.table[lane], static_cast<int>(p.block[lane]), p.from[lane],
                 p.f[lane], p.g[lane], pair);
}

template <LanePack P, int G>
[[gnu::always_inline]] inline void addPlacedGroup(const PartialGroupState& state, std::size_t index,
                                                  Complex* out, const KernelTable& kernel,
                                                  const SpectrumGeometry& geometry,
                                                  const PackPlacement<P>& p) noexcept
{
    constexpr unsigned lanes = 0xfu << (4 * G);
    if ((p.inRange & ~p.blockable & lanes) != 0)
    {
        // A lane near either end of the spectrum: the group on its own.
        addToSpectrumOf<P>(state, index, out, kernel, geometry);
        return;
    }
    addPlacedLane<P, G, 0>(out, kernel, p);
    addPlacedLane<P, G, 1>(out, kernel, p);
    addPlacedLane<P, G, 2>(out, kernel, p);
    addPlacedLane<P, G, 3>(out, kernel, p);
}

template <LanePack P, int... G>
[[gnu::always_inline]] inline void
addPack(const PartialGroupState& state, const std::size_t* indices, Complex* out,
        const KernelTable& kernel, const SpectrumGeometry& geometry,
        std::integer_sequence<int, G...>) noexcept
{
    PackPlacement<P> placement;
    placePack(state, indices, geometry, placement);
    (addPlacedGroup<P, G>(state, indices[G], out, kernel, geometry, placement), ...);
}

template <LanePack P>
void addFourToSpectrumOf(const PartialGroupState& state, const std::size_t* indices, Complex* out,
                         const KernelTable& kernel, const SpectrumGeometry& geometry) noexcept
{
    // The placements of a pack's groups at once, then their lanes in order.
    constexpr int perPack = P::kLanes / 4;
    for (int first = 0; first < 4; first += perPack)
        addPack<P>(state, indices + first, out, kernel, geometry,
                   std::make_integer_sequence<int, perPack>{});
}

// Two batches with spectra of their own (the two channels'), the lanes of one taking turns
// with the other's. Each spectrum receives its sums in the same order as from
// addFourToSpectrumOf(); a lane's adds wait on the last lane's adds into the same blocks, and
// the two spectra's chains of them now overlap.
template <LanePack P, int G, bool kChecked>
[[gnu::always_inline]] inline void addLanesInTurn(Complex* outA, const PackPlacement<P>& pa,
                                                  Complex* outB, const PackPlacement<P>& pb,
                                                  const KernelTable& kernel) noexcept
{
    addPlacedLane<P, G, 0, kChecked>(outA, kernel, pa);
    addPlacedLane<P, G, 0, kChecked>(outB, kernel, pb);
    addPlacedLane<P, G, 1, kChecked>(outA, kernel, pa);
    addPlacedLane<P, G, 1, kChecked>(outB, kernel, pb);
    addPlacedLane<P, G, 2, kChecked>(outA, kernel, pa);
    addPlacedLane<P, G, 2, kChecked>(outB, kernel, pb);
    addPlacedLane<P, G, 3, kChecked>(outA, kernel, pa);
    addPlacedLane<P, G, 3, kChecked>(outB, kernel, pb);
}

template <LanePack P, int G>
[[gnu::always_inline]] inline void
addPlacedGroups(const SynthesisBatch& a, const PackPlacement<P>& pa, const SynthesisBatch& b,
                const PackPlacement<P>& pb, int first, const KernelTable& kernel,
                const SpectrumGeometry& geometry) noexcept
{
    constexpr unsigned lanes = 0xfu << (4 * G);
    if (((pa.inRange & ~pa.blockable) | (pb.inRange & ~pb.blockable)) & lanes)
    {
        addPlacedGroup<P, G>(*a.state, a.indices[first + G], a.out, kernel, geometry, pa);
        addPlacedGroup<P, G>(*b.state, b.indices[first + G], b.out, kernel, geometry, pb);
        return;
    }
    // The spectra as locals: read through the batches, they would be read again after every
    // store (a store through a float may change a batch).
    Complex* const outA = a.out;
    Complex* const outB = b.out;
    if ((pa.inRange & pb.inRange & lanes) == lanes)
        addLanesInTurn<P, G, false>(outA, pa, outB, pb, kernel);
    else
        addLanesInTurn<P, G, true>(outA, pa, outB, pb, kernel);
}

template <LanePack P, int... G>
[[gnu::always_inline]] inline void
addPlacedPacks(const SynthesisBatch& a, const PackPlacement<P>& pa, const SynthesisBatch& b,
               const PackPlacement<P>& pb, std::size_t first, const KernelTable& kernel,
               const SpectrumGeometry& geometry, std::integer_sequence<int, G...>) noexcept
{
    (addPlacedGroups<P, G>(a, pa, b, pb, static_cast<int>(first), kernel, geometry), ...);
}

// addFourToSpectrumOf() on two runs of `count` groups (a multiple of four) with spectra of
// their own. The next packs are placed before this pack's lanes are added: a lane waits on its
// placement's long chain (a division among it), which now runs beside the adds before it.
template <LanePack P>
void addToBothSpectraOf(const SynthesisBatch& a, const SynthesisBatch& b, std::size_t count,
                        const KernelTable& kernel, const SpectrumGeometry& geometry) noexcept
{
    constexpr std::size_t perPack = P::kLanes / 4;
    PackPlacement<P> placements[2][2];
    PackPlacement<P>* now = placements[0];
    PackPlacement<P>* next = placements[1];
    placePack(*a.state, a.indices, geometry, now[0]);
    placePack(*b.state, b.indices, geometry, now[1]);
    for (std::size_t first = 0; first < count; first += perPack)
    {
        if (first + perPack < count)
        {
            placePack(*a.state, a.indices + first + perPack, geometry, next[0]);
            placePack(*b.state, b.indices + first + perPack, geometry, next[1]);
        }
        addPlacedPacks<P>(a, now[0], b, now[1], first, kernel, geometry,
                          std::make_integer_sequence<int, perPack>{});
        std::swap(now, next);
    }
}
