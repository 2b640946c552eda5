#include "quendra/dsp/PartialGroup.h"

#include "PartialGroupWide.h"

#include <algorithm>
#include <cstdint>

namespace quendra::dravel::vantor
{

namespace
{
// One draw mapped to a start phase (1 - u)(-pi) + u pi per lane.
vec4 phaseFrom(PartialRandom* rng) noexcept
{
    const vec4 u = uniform(rng->draw());
    return (vec4(1.0f) - u) * vec4(-kPi) + u * vec4(kPi);
}

#if defined(QUENDRA_WIDE_VECTORS)
// The wide backend of width, none for four lanes.
const GroupBackend* wideBackend(VectorWidth width) noexcept
{
    if (width == VectorWidth::Bits512)
        return &avx512::kGroupBackend;
    if (width == VectorWidth::Bits256)
        return &avx2::kGroupBackend;
    return nullptr;
}
#endif

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

PartialGroup::PartialGroup(PartialGroupState& state, std::size_t index, std::uint8_t side,
                           float hopRateHz, PartialRandom* rng) noexcept
    : mpState(&state), mIndex(index), mSide(side),
      mModulator(Modulator::fromFunction<&noModulation>()), mpRng(rng), mHopRate(hopRateHz),
      mChorus(hopRateHz), mWander(hopRateHz, rng)
{
    harmonic() = vec4(0.0f);
    harmonicLimit() = vec4(256.0f);
    minOmega() = vec4(125.66371f) / mHopRate;
    maxOmega() = vec4(125663.71f) / mHopRate;
    omega() = vec4(1.0f);
    modOmega() = vec4(1.0f);
    pitchDepth() = vec4(0.0f);
    excitation() = vec4(0.0f);
    level() = vec4(0.0f);
    retention() = vec4(0.0f);
    re() = vec4(1.0f);
    im() = vec4(0.0f);
    excite() = false;
    audible() = false;
    // The Granular timing for a mod rate of 0.5 and a countdown drawn from it, then the start
    // phases.
    const GranularTiming timing = GranularTiming::forRate(mHopRate, 0.5f);
    mpState->grainLongInterval[mIndex] = timing.longInterval;
    mpState->grainShortInterval[mIndex] = timing.shortInterval;
    const vec4 u = uniform(rng->draw());
    mpState->grainCountdown[mIndex] = grainInterval(u, timing.longInterval, timing.shortInterval);
    mpState->grainEnvelope[mIndex] = vec4(0.0f);
    phase() = phaseFrom(rng);
    updateChorusRate();
}

// ---- per hop ------------------------------------------------------------------------------

vec4 PartialGroup::activeLanes() const noexcept
{
    return lanesTakingPart();
}

[[gnu::always_inline]] inline vec4 PartialGroup::lanesTakingPart() const noexcept
{
    return takingPart(harmonic(), harmonicLimit(), minOmega(), maxOmega(), omega());
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
    if (!excite())
        return vec4(0.0f);
    const ListeningPlace<vec4> place =
        listeningPlace(omega(), geometry.excitationScale, shiftRatio);
    // The bins as integers in one conversion (exact: the positions lie in 0..511).
    alignas(16) std::uint32_t bins[4];
    truncateToWord(place.position).store(bins);
    alignas(16) float lower[4], upper[4];
    for (int l = 0; l < 4; ++l)
    {
        const std::size_t k = bins[l];
        lower[l] = in[k];
        upper[l] = in[k + 1];
    }
    return excitationBetween(place.inside, vec4::load(lower), vec4::load(upper), place.fraction);
}

void PartialGroup::oscillatorStep(vec4 amplitude) noexcept
{
    advanceOscillator(amplitude);
}

[[gnu::always_inline]] inline void PartialGroup::advanceOscillator(vec4 amplitude) noexcept
{
    const OscillatorStep<vec4> step = oscillatorAfter(phase(), modOmega(), amplitude);
    re() = step.re;
    im() = step.im;
    phase() = step.phase;
}

void PartialGroup::addToSpectrum(Complex* out, const KernelTable& kernel,
                                 const SpectrumGeometry& geometry) const noexcept
{
    addLanesToSpectrum(*mpState, mIndex, out, kernel, geometry);
}

void PartialGroup::addLanesToSpectrum(const PartialGroupState& state, std::size_t index,
                                      Complex* out, const KernelTable& kernel,
                                      const SpectrumGeometry& geometry) noexcept
{
    const LanePlacement placement = placeLanes(state.modOmega[index], geometry);
    const vec4 re = state.re[index];
    const vec4 im = state.im[index];
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
                laneTaps<0>(kernel, tap(0), f, re, im, taps);
                addToWindow(window, taps, first(0) - base);
                laneTaps<1>(kernel, tap(1), f, re, im, taps);
                addToWindow(window, taps, first(1) - base);
                laneTaps<2>(kernel, tap(2), f, re, im, taps);
                addToWindow(window, taps, first(2) - base);
                laneTaps<3>(kernel, tap(3), f, re, im, taps);
                addToWindow(window, taps, first(3) - base);
                for (int k = 0; k < 6; ++k)
                    window[k].store(p + 4 * k);
                return;
            }
        }
    }

    if (lane(0))
        addLane<0>(out, kernel, first(0), tap(0), f, re, im);
    if (lane(1))
        addLane<1>(out, kernel, first(1), tap(1), f, re, im);
    if (lane(2))
        addLane<2>(out, kernel, first(2), tap(2), f, re, im);
    if (lane(3))
        addLane<3>(out, kernel, first(3), tap(3), f, re, im);
}

void PartialGroup::addToSpectrumWide(VectorWidth width, Complex* out, const KernelTable& kernel,
                                     const SpectrumGeometry& geometry) const noexcept
{
#if defined(QUENDRA_WIDE_VECTORS)
    if (const GroupBackend* wide = wideBackend(width))
        return wide->addToSpectrum(*mpState, mIndex, out, kernel, geometry);
#endif
    (void)width;
    addToSpectrum(out, kernel, geometry);
}

void PartialGroup::addFourToSpectrumWide(VectorWidth width, const PartialGroupState& state,
                                         const std::size_t* indices, Complex* out,
                                         const KernelTable& kernel,
                                         const SpectrumGeometry& geometry) noexcept
{
#if defined(QUENDRA_WIDE_VECTORS)
    if (const GroupBackend* wide = wideBackend(width))
        return wide->addFourToSpectrum(state, indices, out, kernel, geometry);
#endif
    (void)width;
    for (int i = 0; i < 4; ++i)
        addLanesToSpectrum(state, indices[i], out, kernel, geometry);
}

void PartialGroup::addToBothSpectraWide(VectorWidth width, const SynthesisBatch& a,
                                        const SynthesisBatch& b, std::size_t count,
                                        const KernelTable& kernel,
                                        const SpectrumGeometry& geometry) noexcept
{
#if defined(QUENDRA_WIDE_VECTORS)
    if (const GroupBackend* wide = wideBackend(width))
        return wide->addToBothSpectra(a, b, count, kernel, geometry);
#endif
    for (std::size_t first = 0; first < count; first += 4)
    {
        addFourToSpectrumWide(width, *a.state, a.indices + first, a.out, kernel, geometry);
        addFourToSpectrumWide(width, *b.state, b.indices + first, b.out, kernel, geometry);
    }
}

[[gnu::always_inline]] inline ModOut PartialGroup::granularStep() noexcept
{
    PartialGroupState& s = *mpState;
    const std::size_t i = mIndex;
    vec4 pulse(0.0f);
    vec4 countdown = s.grainCountdown[i] - vec4(1.0f);
    const vec4 firing = countdown < vec4(1.0f);
    if (any(firing))
    {
        const vec4 u = uniform(mpRng->draw());
        countdown = select(
            firing, grainInterval(u, s.grainLongInterval[i], s.grainShortInterval[i]), countdown);
        pulse = select(firing, vec4(kGrainPeak), pulse);
    }
    const vec4 envelope = grainEnvelope(pulse, s.grainEnvelope[i], s.retention[i]);
    s.grainCountdown[i] = countdown;
    s.grainEnvelope[i] = envelope;
    // Amplitude and pitch both follow the envelope.
    return {envelope, envelope};
}

ModOut PartialGroup::modulateGranular() noexcept
{
    return granularStep();
}

[[gnu::always_inline]] inline ModOut PartialGroup::modulate() noexcept
{
    // The installed modulator is one of this group's own; calling it by name instead of
    // through the delegate lets it be inlined. Any other delegate is called as it is.
    if (mModulator == Modulator::fromMethod<PartialGroup, &PartialGroup::modulateGranular>(this))
        return granularStep();
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
    if (audible())
        addToSpectrum(out, kernel, geometry);
}

void PartialGroup::update(const BinMagnitudes& in, vec4 shiftRatio,
                          const SpectrumGeometry& geometry) noexcept
{
    PartialGroupState& s = *mpState;
    const std::size_t i = mIndex;
    const vec4 active = lanesTakingPart();
    // A group without a lane taking part reads nothing: its level goes to 0 whatever it hears.
    const bool taking = any(active);
    s.excitation[i] = taking ? excitationAt(in, shiftRatio, geometry) : vec4(0.0f);
    // The modulator runs every hop so that its clock keeps time while the group is silent.
    const ModOut mod = modulate();
    if (!taking)
    {
        s.audible[i] = false;
        return;
    }
    s.modOmega[i] = modulatedOmega(s.omega[i], mod.pitch, s.pitchDepth[i]);
    const vec4 level = levelAfter(s.level[i], s.excitation[i], s.retention[i], active);
    s.level[i] = level;
    s.audible[i] = any(level >= vec4(0.001f));
    if (!s.audible[i])
        return;
    advanceOscillator(mod.amplitude * level);
}

int PartialGroup::updateBatch(VectorWidth width, PartialGroup* groups, const BinMagnitudes& in,
                              vec4 shiftRatio, const SpectrumGeometry& geometry) noexcept
{
#if defined(QUENDRA_WIDE_VECTORS)
    if (const GroupBackend* wide = wideBackend(width))
        return wide->updateBatch(groups, in, shiftRatio, geometry);
#endif
    (void)width, (void)groups, (void)in, (void)shiftRatio, (void)geometry;
    return kNotBatched;
}

// ---- control rate -------------------------------------------------------------------------

void PartialGroup::layOut(vec4 harmonics, vec4 unison) noexcept
{
    harmonic() = harmonics;
    mUnison = unison;
    refreshExcite();
}

void PartialGroup::computeRatios(vec4 stretch, vec4 spread) noexcept
{
    // Left raises its unison copies, right lowers them.
    const vec4 sign(mSide == 0 ? -1.0f : 1.0f);
    const vec4 harmonicPart = vec4(1.0f) + (vec4(1.0f) + stretch) * harmonic();
    const vec4 unisonPart = vec4(1.0f) + sign * spread * mUnison;
    mRatio = harmonicPart * unisonPart;
    omega() = mRatio * mFundamental;
    modOmega() = omega();
    updateChorusRate();
    refreshExcite();
}

void PartialGroup::setFundamental(vec4 omega0) noexcept
{
    mFundamental = omega0;
    omega() = mRatio * mFundamental;
    modOmega() = omega();
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
    const bool someBelowLimit = any(harmonic() < harmonicLimit());
    const bool someInBand = any((minOmega() <= omega()) & (omega() <= maxOmega()));
    excite() = mVoiceActive && someBelowLimit && someInBand;
}

void PartialGroup::setHarmonicLimit(float limit) noexcept
{
    harmonicLimit() = vec4(limit);
    refreshExcite();
}

void PartialGroup::setVoiceActive(bool active) noexcept
{
    mVoiceActive = active;
    refreshExcite();
}

void PartialGroup::selectMode(ModMode mode) noexcept
{
    phase() = randomPhase();
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
    phase() = randomPhase();
}

void PartialGroup::silence() noexcept
{
    const vec4 u = uniform(mpRng->draw());
    level() = vec4(0.0f);
    phase() = vec4(-kPi) + vec4(kTwoPi) * u;
}

void PartialGroup::setModRate(float rate) noexcept
{
    setModRate(rate, WanderState::timingFor(mHopRate, rate),
               GranularTiming::forRate(mHopRate, rate));
}

void PartialGroup::setModRate(float rate, const WanderState::Timing& wander,
                              const GranularTiming& granular) noexcept
{
    mChorus.rate = vec4(rate);
    mChorus.updateIncrement();
    mWander.setTiming(wander);
    // A running countdown is rescaled to the new short interval.
    PartialGroupState& s = *mpState;
    s.grainLongInterval[mIndex] = granular.longInterval;
    s.grainCountdown[mIndex] =
        s.grainCountdown[mIndex] * granular.shortInterval / s.grainShortInterval[mIndex];
    s.grainShortInterval[mIndex] = granular.shortInterval;
}

vec4 PartialGroup::randomPhase() noexcept
{
    return phaseFrom(mpRng);
}

void PartialGroup::updateChorusRate() noexcept
{
    mChorus.partialHz = omega() * mHopRate / vec4(kTwoPi);
    mChorus.updateIncrement();
}

} // namespace quendra::dravel::vantor
