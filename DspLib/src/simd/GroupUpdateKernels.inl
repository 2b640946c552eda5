// The batched update (PartialGroup::updateBatch()) of groups without a modulator or with their
// own Granular one, written once for every lane pack P wider than four lanes: a pack holds
// P::kLanes / 4 groups, group i in lanes 4i .. 4i + 3, and runs update() on them operation for
// operation, so the bits are those of as many update() calls. No include guard: each wide backend
// includes it into its own namespace, under its own instruction set (see PartialGroupBackend.inl).
// Expects PartialGroupWide.h and the pack's header in scope.

// What the first stage of a pack's update leaves for the second (left uninitialised until the
// first stage writes it: the packs are trivially constructed).
template <LanePack P>
struct UpdatePack
{
    std::size_t first; // the pack's first group in the state
    P omega;
    P excitation;
    P amplitude; // the modulator's output
    P pitch;
    typename P::Mask active;
};

// The pack's update up to the modulator (update() up to and including the modulator: the
// Granular step, or none), for the groups g (from state index `first` on); what the rest
// needs goes into b.
template <LanePack P, bool kGranular>
[[gnu::always_inline]] inline void
startPack(UpdatePack<P>& b, PartialGroupState& s, const PartialGroup* g, const BinMagnitudes& in,
          vec4 shiftRatio, const SpectrumGeometry& geometry) noexcept
{
    using Mask = typename P::Mask;
    const P one(1.0f);
    const std::size_t first = g[0].index();
    const P omega = loadRun<P>(s, &PartialGroupState::omega, first);
    // Active lanes (lanesTakingPart()).
    const Mask active = takingPart(loadRun<P>(s, &PartialGroupState::harmonic, first),
                                   loadRun<P>(s, &PartialGroupState::harmonicLimit, first),
                                   loadRun<P>(s, &PartialGroupState::minOmega, first),
                                   loadRun<P>(s, &PartialGroupState::maxOmega, first), omega);
    // Excitation read (excitationAt()), for the groups with a lane taking part.
    const unsigned groups = wholeGroups<P>(laneBits(active));
    P excitation(0.0f);
    if (groups != 0)
    {
        unsigned exciting = 0;
        for (int i = 0; i < kGroupsPerPack<P>; ++i)
            exciting |= s.excite[first + static_cast<std::size_t>(i)] ? 0xfu << (4 * i) : 0u;
        const ListeningPlace<P> place =
            listeningPlace(omega, P(geometry.excitationScale), P(shiftRatio));
        P lower(0.0f);
        P upper(0.0f);
        loadNeighbours(in.data(), truncateToWord(place.position), lower, upper);
        excitation = excitationBetween(place.inside & P::maskFromBits(exciting & groups), lower,
                                       upper, place.fraction);
    }
    storeRun(s, &PartialGroupState::excitation, first, excitation);

    b.first = first;
    b.omega = omega;
    b.excitation = excitation;
    b.active = active;
    if constexpr (!kGranular)
    {
        // noModulation().
        b.amplitude = one;
        b.pitch = P(0.0f);
        return;
    }

    // The Granular modulators (PartialGroup::granularStep()), drawing in group order.
    P pulse(0.0f);
    P countdown = loadRun<P>(s, &PartialGroupState::grainCountdown, first) - one;
    const Mask firing = countdown < one;
    const unsigned fired = laneBits(firing);
    if (fired != 0)
    {
        alignas(64) float u[P::kLanes] = {};
        drawFiring(g, kGroupsPerPack<P>, fired, u);
        const P draw = P::loadAligned(u);
        const P next =
            grainInterval(draw, loadRun<P>(s, &PartialGroupState::grainLongInterval, first),
                          loadRun<P>(s, &PartialGroupState::grainShortInterval, first));
        countdown = select(firing, next, countdown);
        pulse = select(firing, P(kGrainPeak), pulse);
    }
    const P envelope = grainEnvelope(pulse, loadRun<P>(s, &PartialGroupState::grainEnvelope, first),
                                     loadRun<P>(s, &PartialGroupState::retention, first));
    storeRun(s, &PartialGroupState::grainCountdown, first, countdown);
    storeRun(s, &PartialGroupState::grainEnvelope, first, envelope);
    // Amplitude and pitch both follow the envelope.
    b.amplitude = envelope;
    b.pitch = envelope;
}

// The rest of the pack's update (update() from the frequency on). Each group keeps what it
// computes only when it has an active lane (and audible, for the oscillator), as update()
// returns early otherwise: the other groups' lanes keep their old values. Returns how many of
// the pack's groups are audible.
template <LanePack P>
[[gnu::always_inline]] inline int finishPack(PartialGroupState& s, const UpdatePack<P>& b) noexcept
{
    const std::size_t first = b.first;
    const unsigned active = laneBits(b.active);
    if (active == 0)
    {
        for (int i = 0; i < kGroupsPerPack<P>; ++i)
            s.audible[first + static_cast<std::size_t>(i)] = false;
        return 0;
    }
    const P modOmega =
        modulatedOmega(b.omega, b.pitch, loadRun<P>(s, &PartialGroupState::pitchDepth, first));
    const P level = levelAfter(loadRun<P>(s, &PartialGroupState::level, first), b.excitation,
                               loadRun<P>(s, &PartialGroupState::retention, first), b.active);
    const unsigned audible = laneBits(level >= P(0.001f));
    const OscillatorStep<P> oscillator = oscillatorAfter(
        loadRun<P>(s, &PartialGroupState::phase, first), modOmega, b.amplitude * level);

    const unsigned keptBits = wholeGroups<P>(active);
    const unsigned soundingBits = keptBits & wholeGroups<P>(audible);
    keepRun(s, &PartialGroupState::modOmega, first, keptBits, modOmega);
    keepRun(s, &PartialGroupState::level, first, keptBits, level);
    keepRun(s, &PartialGroupState::re, first, soundingBits, oscillator.re);
    keepRun(s, &PartialGroupState::im, first, soundingBits, oscillator.im);
    keepRun(s, &PartialGroupState::phase, first, soundingBits, oscillator.phase);
    for (int i = 0; i < kGroupsPerPack<P>; ++i)
        s.audible[first + static_cast<std::size_t>(i)] = ((soundingBits >> (4 * i)) & 1u) != 0;
    // Lane 0 of each group stands for it (whole groups' bits are all set or all clear).
    return std::popcount(soundingBits & 0x11111111u);
}

// The batch of groups from g, every pack started before any is finished, so that the draws come
// in group order, and the processor has independent chains of dependent steps to overlap.
template <LanePack P, bool kGranular>
[[gnu::always_inline]] inline int updateBatchAs(PartialGroup* g, const BinMagnitudes& in,
                                                vec4 shiftRatio,
                                                const SpectrumGeometry& geometry) noexcept
{
    PartialGroupState& s = g[0].state();
    constexpr int packCount = static_cast<int>(PartialGroup::kUpdateBatch) / kGroupsPerPack<P>;
    UpdatePack<P> packs[packCount];
    for (int i = 0; i < packCount; ++i)
        startPack<P, kGranular>(packs[i], s, g + i * kGroupsPerPack<P>, in, shiftRatio, geometry);
    int audible = 0;
    for (const UpdatePack<P>& pack : packs)
        audible += finishPack(s, pack);
    return audible;
}

template <LanePack P>
int updateBatchOf(PartialGroup* g, const BinMagnitudes& in, vec4 shiftRatio,
                  const SpectrumGeometry& geometry) noexcept
{
    switch (batchModulators(g))
    {
    case BatchModulators::Granular:
        return updateBatchAs<P, true>(g, in, shiftRatio, geometry);
    case BatchModulators::None:
        return updateBatchAs<P, false>(g, in, shiftRatio, geometry);
    default:
        return PartialGroup::kNotBatched;
    }
}
