// The eight-group Granular update, written once for every lane pack P wider than four lanes:
// a pack holds P::kLanes / 4 groups, group i in lanes 4i .. 4i + 3, and runs update() on them
// operation for operation, so the bits are those of eight update() calls. No include guard:
// each wide backend includes it into its own namespace, under its own instruction set (see
// PartialGroupBackend.inl). Expects PartialGroupWide.h and the pack's header in scope.

// What the first stage of a pack's update leaves for the second (left uninitialised until the
// first stage writes it: the packs are trivially constructed).
template <LanePack P>
struct GranularPack
{
    PartialGroup* g;
    P omega;
    P excitation;
    P envelope;
    P pitch;
    typename P::Mask active;
};

// The pack's update up to the modulator (update() up to and including the Granular step),
// for the groups from g; what the rest needs goes into b.
template <LanePack P>
[[gnu::always_inline]] inline void startPack(GranularPack<P>& b, PartialGroup* g,
                                             const BinMagnitudes& in, vec4 shiftRatio,
                                             const SpectrumGeometry& geometry) noexcept
{
    using Mask = typename P::Mask;
    const P one(1.0f);
    // Excitation read (excitationAt()).
    unsigned exciting = 0;
    for (int i = 0; i < kGroupsPerPack<P>; ++i)
        exciting |= g[i].mExcite ? 0xfu << (4 * i) : 0u;
    const P omega = loadGroups<P>(g, &PartialGroup::mOmega);
    const ListeningPlace<P> place =
        listeningPlace(omega, P(geometry.excitationScale), P(shiftRatio));
    P lower(0.0f);
    P upper(0.0f);
    loadNeighbours(in.data(), truncateToWord(place.position), lower, upper);
    const P excitation =
        excitationBetween(place.inside & P::maskFromBits(exciting), lower, upper, place.fraction);
    storeGroups(g, &PartialGroup::mExcitation, excitation);

    // Active lanes (lanesTakingPart()).
    const Mask active = takingPart(loadGroups<P>(g, &PartialGroup::mHarmonic),
                                   loadGroups<P>(g, &PartialGroup::mHarmonicLimit),
                                   loadGroups<P>(g, &PartialGroup::mMinOmega),
                                   loadGroups<P>(g, &PartialGroup::mMaxOmega), omega);

    // The Granular modulators (GranularState::next()), drawing in group order.
    P pulse(0.0f);
    P countdown = loadGroups<P>(g, &GranularState::countdown) - one;
    const Mask firing = countdown < one;
    const unsigned fired = laneBits(firing);
    if (fired != 0)
    {
        alignas(64) float u[P::kLanes] = {};
        drawFiring(g, kGroupsPerPack<P>, fired, u);
        const P draw = P::loadAligned(u);
        const P next = grainInterval(draw, loadGroups<P>(g, &GranularState::longInterval),
                                     loadGroups<P>(g, &GranularState::shortInterval));
        countdown = select(firing, next, countdown);
        pulse = select(firing, loadGroups<P>(g, &GranularState::peak), pulse);
    }
    const P envelope = grainEnvelope(pulse, loadGroups<P>(g, &GranularState::envelope),
                                     loadGroups<P>(g, &GranularState::release));
    storeGroups(g, &GranularState::pulse, pulse);
    storeGroups(g, &GranularState::countdown, countdown);
    storeGroups(g, &GranularState::envelope, envelope);
    b.g = g;
    b.omega = omega;
    b.excitation = excitation;
    b.envelope = envelope;
    b.pitch = loadGroups<P>(g, &GranularState::pitchScale) * envelope;
    b.active = active;
}

// Group I's part of the rest of the update, kept only when it has an active lane.
template <LanePack P, int... I>
[[gnu::always_inline]] inline void keepUpdates(PartialGroup* g, unsigned active, unsigned audible,
                                               P modOmega, P level, P re, P im, P phase,
                                               std::integer_sequence<int, I...>) noexcept
{
    (keepUpdate(g[I], ((active >> (4 * I)) & 0xfu) != 0, ((audible >> (4 * I)) & 0xfu) != 0,
                quarter<I>(modOmega), quarter<I>(level), quarter<I>(re), quarter<I>(im),
                quarter<I>(phase)),
     ...);
}

// The rest of the pack's update (update() from the frequency on).
template <LanePack P>
[[gnu::always_inline]] inline void finishPack(const GranularPack<P>& b) noexcept
{
    PartialGroup* g = b.g;
    const unsigned active = laneBits(b.active);
    if (active == 0)
    {
        for (int i = 0; i < kGroupsPerPack<P>; ++i)
            g[i].mAudible = false;
        return;
    }
    // Frequency, level and oscillator, computed for every group of the pack and kept only
    // for those with an active lane (and audible, for the oscillator).
    const P modOmega =
        modulatedOmega(b.omega, b.pitch, loadGroups<P>(g, &PartialGroup::mPitchDepth));
    const P level = levelAfter(loadGroups<P>(g, &PartialGroup::mLevel), b.excitation,
                               loadGroups<P>(g, &PartialGroup::mRetention), b.active);
    const unsigned audible = laneBits(level >= P(0.001f));
    const OscillatorStep<P> oscillator =
        oscillatorAfter(loadGroups<P>(g, &PartialGroup::mPhase), modOmega, b.envelope * level);
    keepUpdates(g, active, audible, modOmega, level, oscillator.re, oscillator.im, oscillator.phase,
                std::make_integer_sequence<int, kGroupsPerPack<P>>{});
}

template <LanePack P>
bool updateEightGranularOf(PartialGroup* g, const BinMagnitudes& in, vec4 shiftRatio,
                           const SpectrumGeometry& geometry) noexcept
{
    if (!eightGranular(g))
        return false;
    // Every pack started before any is finished, so that the draws come in group order, and
    // the processor has independent chains of dependent steps to overlap.
    constexpr int packCount = 8 / kGroupsPerPack<P>;
    GranularPack<P> packs[packCount];
    for (int i = 0; i < packCount; ++i)
        startPack(packs[i], g + i * kGroupsPerPack<P>, in, shiftRatio, geometry);
    for (const GranularPack<P>& pack : packs)
        finishPack(pack);
    return true;
}
