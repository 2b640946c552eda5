#include "quendra/dsp/ChannelPartialBank.h"

#include "quendra/dsp/FastExp2.h"
#include "quendra/dsp/simd/WideVectors.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <new>

namespace quendra::dravel::vantor
{

namespace
{
constexpr float kPi = 3.1415927f;
constexpr std::uint64_t kHarmonicsPerVoice = 256;
constexpr std::uint64_t kMaxPartials = 4 * ChannelPartialBank::kGroupCount;
} // namespace

void ChannelPartialBank::prepare(float sampleRate, const Complex* inputSpectrum,
                                 Complex* outputSpectrum, int side, RandomDevice& randomDevice)
{
    // 1. Control rate.
    mHopRate = sampleRate * 0.001953125f;

    // 2. Stored seed, then a construction-time state straight from the device.
    mStoredSeed = randomDevice();
    std::array<std::uint32_t, 8> words;
    for (auto& w : words)
        w = randomDevice();
    mRandom.setState(words);

    // 3. The 512 groups, each drawing its own randomness in order. The two draws before them
    // go unused: they keep the groups' draws, and so every seed's partials, where they were.
    halfPiVector(); // build the oscillator constants here rather than on the audio thread
    piVector();
    mRandom.draw();
    mRandom.draw();
    for (std::size_t g = 0; g < kGroupCount; ++g)
        new (mGroupStorage + g * sizeof(PartialGroup))
            PartialGroup(mState, g, static_cast<std::uint8_t>(side), mHopRate, &mRandom);
    mPrepared = true;

    // 4. Scheduling: nothing ticks until the first frame start.
    mpCursor = mpEnd = groups() + kGroupCount;
    mSynthesisCursor = kGroupCount;
    mSlicesPerHop = 0;
    mActiveGroups = kGroupCount;
    mChunk = 0;
    mRecomputeActiveGroups = true;

    // 5. Kernel.
    mKernel = KernelTable();

    // 6. Constants and tuning vectors.
    mGeometry = SpectrumGeometry{};
    mShiftRatio = vec4(1.0f);
    mStretch = vec4(0.0f);
    mSpread = vec4(1.0f);
    mHfDamp = vec4(0.0f);
    mLfDamp = vec4(0.0f);
    mPitchDepth = vec4(0.0f);

    // 7. Spectra.
    mpInputSpectrum = inputSpectrum;
    mpOutputSpectrum = outputSpectrum;
    mVectorWidth = reinterpret_cast<std::uintptr_t>(outputSpectrum) % 64 == 0
                       ? currentVectorWidth()
                       : VectorWidth::FourLanes;

    // 8. Parameters at their construction values.
    mModMode = 0;
    mUnisonVoices = 1;
    mDecaySeconds = 0.0f;
    mPartialCount = kMaxPartials;
    mFundamentalHz = 440.0f * 0.25f;
    mFrequencySource = 0;
    mPolyphony = 0;
    mFlags = ChangeFlags{};
    mNoteSlots = {};
    mNoteSlotGains.fill(1.0f);
    mNoteSlotGates.fill(false);
    mNoteSlotCount = 0;
    mGroupsPerNoteSlot = 0;
    mNoteSlotsFading = false;
    mPitchBend = 1.0f;

    // 9..11. Fixed seed, start phases, retention.
    reseed();
    for (std::size_t g = 0; g < kGroupCount; ++g)
        groups()[g].selectMode(ModMode::None);
    markGroupsStale();
    for (std::size_t g = 0; g < kGroupCount; ++g)
        freshen(groups()[g]);

    // 12..13.
    mSlicesPerHop = kHopSize;
    reset();
}

std::uint32_t ChannelPartialBank::currentSeed() const noexcept
{
    return (mModMode == 0 && mUnisonVoices == 1) ? kFixedSeed : mStoredSeed;
}

void ChannelPartialBank::reset() noexcept
{
    for (std::size_t g = 0; g < kGroupCount; ++g)
        groups()[g].silence();
    mFlags = ChangeFlags{true, true, true, true};
    frameStart();
}

void ChannelPartialBank::tick() noexcept
{
    // One sample's groups, each synthesised at once: spreading syntheses pays where a call
    // covers many samples (see tick(samples)), not here. Any left by such a call come first.
    const auto left = static_cast<std::uint64_t>(mpEnd - mpCursor);
    const std::uint64_t count = std::min(mChunk, left);
    if (count == 0)
        return;
    if (mPendingSyntheses != 0)
        completeSynthesis();
    for (std::uint64_t n = 0; n < count; ++n, ++mpCursor)
    {
        freshen(*mpCursor);
        mpCursor->update(mInputMagnitudes, mShiftRatio, mGeometry);
        if (mNoteSlotsFading)
            applyNoteSlotGains(mpCursor, mpCursor + 1);
        if (mpCursor->audible())
        {
            synthesise(*mpCursor);
            ++mSynthesesInHop;
        }
    }
    mFrozenEnd = 0; // every frozen group has had its update
}

void ChannelPartialBank::tick(std::size_t samples, std::uint64_t samplesToHop) noexcept
{
    updateGroups(samples);
    synthesisePending(synthesesDue(samples, samplesToHop));
}

void ChannelPartialBank::updateGroups(std::size_t samples) noexcept
{
    // With nothing pending the syntheses resume after the groups tick() has done itself.
    if (mPendingSyntheses == 0)
        mSynthesisCursor = cursorIndex();
    const auto left = static_cast<std::uint64_t>(mpEnd - mpCursor);
    const std::uint64_t count = std::min(mChunk * samples, left);
    // First every group's update, then the synthesis. A group's update touches only the group
    // (and the bank's random state, still drawn in group order) and the synthesis only the
    // output spectrum, which every bin still receives in group order; the short independent
    // loops let the processor overlap the groups.
    PartialGroup* const first = mpCursor;
    PartialGroup* const last = first + count;
    PartialGroup* g = first;
    if (mVectorWidth != VectorWidth::FourLanes)
    {
        // The batches start on a group index divisible by four (see updateBatch()).
        for (; g != last && g->index() % 4 != 0; ++g)
        {
            freshen(*g);
            g->update(mInputMagnitudes, mShiftRatio, mGeometry);
            mPendingSyntheses += g->audible() ? 1 : 0;
        }
        constexpr std::ptrdiff_t batch = PartialGroup::kUpdateBatch;
        while (last - g >= batch)
        {
            for (PartialGroup* h = g; h != g + batch; ++h)
                freshen(*h);
            // The kernel counts the audible groups as it goes: read back, the flags it has
            // just stored a byte at a time would wait for the stores to finish.
            const int audible = PartialGroup::updateBatch(mVectorWidth, g, mInputMagnitudes,
                                                          mShiftRatio, mGeometry);
            if (audible == PartialGroup::kNotBatched)
                break;
            mPendingSyntheses += static_cast<std::uint64_t>(audible);
            g += batch;
        }
    }
    for (; g != last; ++g)
    {
        freshen(*g);
        g->update(mInputMagnitudes, mShiftRatio, mGeometry);
        mPendingSyntheses += g->audible() ? 1 : 0;
    }
    if (mNoteSlotsFading)
        applyNoteSlotGains(first, last);
    mpCursor = last;
    mFrozenEnd = 0; // every frozen group has had its update
}

std::uint64_t ChannelPartialBank::synthesesDue(std::size_t samples,
                                               std::uint64_t samplesToHop) const noexcept
{
    // The synthesis of an updated group may wait: it reads only what the update wrote, and
    // its sums are needed only at the hop. The syntheses are spread evenly over the hop, so
    // that a run of audible groups (the low harmonics, all in the first samples of a hop) does
    // not weigh on those samples alone: by each tick, the share of the hop's syntheses that
    // its samples make up is done, the hop's count taken as the last hop's (or as what is
    // already known, when more). They are spread over the first three quarters of the hop
    // only: its last quarter carries the frame's transforms, the inverse ones as soon as the
    // spectrum is complete (see HopSchedule).
    const std::uint64_t ticked =
        mSlicesPerHop - std::min<std::uint64_t>(samplesToHop - samples, mSlicesPerHop);
    const std::uint64_t span = mSlicesPerHop - mSlicesPerHop / 4;
    const std::uint64_t total = std::max(mLastHopSyntheses, mSynthesesInHop + mPendingSyntheses);
    const std::uint64_t due = (total * std::min(ticked, span) + span - 1) / span;
    const std::uint64_t count =
        due > mSynthesesInHop ? std::min(due - mSynthesesInHop, mPendingSyntheses) : 0;
    // Short of all that is pending, a multiple of four: the wide syntheses take four groups at
    // once, and one on its own costs nearly as much as four.
    return count < mPendingSyntheses ? count - count % 4 : count;
}

void ChannelPartialBank::freezeDue(std::uint64_t samples) noexcept
{
    if (samples == 0)
        return;
    const auto cursor = static_cast<std::size_t>(mpCursor - groups());
    const auto left = static_cast<std::uint64_t>(mpEnd - mpCursor);
    const std::size_t end = cursor + std::min(mChunk * samples, left);
    for (std::size_t g = std::max(cursor, mFrozenEnd); g < end; ++g)
        freshen(groups()[g]);
    mFrozenEnd = std::max(mFrozenEnd, end);
}

void ChannelPartialBank::synthesisePending(std::uint64_t count) noexcept
{
    takePending(count);
    synthesiseTaken(count);
}

void ChannelPartialBank::synthesiseTogether(ChannelPartialBank& a, std::uint64_t countA,
                                            ChannelPartialBank& b, std::uint64_t countB) noexcept
{
    a.takePending(countA);
    b.takePending(countB);
    // Runs of up to kRun groups a side: the longer the run, the more of the kernel's work
    // overlaps (see addToBothSpectraWide()).
    constexpr std::uint64_t kRun = 32;
    if (a.mVectorWidth == b.mVectorWidth && a.mVectorWidth != VectorWidth::FourLanes)
        for (std::size_t batchA[kRun], batchB[kRun]; countA >= 4 && countB >= 4;)
        {
            const std::uint64_t run = std::min({countA, countB, kRun}) & ~std::uint64_t{3};
            for (std::uint64_t n = 0; n < run; n += 4)
            {
                a.nextAudibleFour(batchA + n);
                b.nextAudibleFour(batchB + n);
            }
            PartialGroup::addToBothSpectraWide(
                a.mVectorWidth, SynthesisBatch{&a.mState, batchA, a.mpOutputSpectrum},
                SynthesisBatch{&b.mState, batchB, b.mpOutputSpectrum}, run, a.mKernel, a.mGeometry);
            countA -= run;
            countB -= run;
        }
    a.synthesiseTaken(countA);
    b.synthesiseTaken(countB);
}

void ChannelPartialBank::synthesiseTaken(std::uint64_t count) noexcept
{
    if (mVectorWidth != VectorWidth::FourLanes)
        for (std::size_t batch[4]; count >= 4; count -= 4)
        {
            nextAudibleFour(batch);
            PartialGroup::addFourToSpectrumWide(mVectorWidth, mState, batch, mpOutputSpectrum,
                                                mKernel, mGeometry);
        }
    for (; count > 0; ++mSynthesisCursor)
        if (mState.audible[mSynthesisCursor])
        {
            synthesise(groups()[mSynthesisCursor]);
            --count;
        }
    if (mPendingSyntheses == 0)
        mSynthesisCursor = cursorIndex();
}

void ChannelPartialBank::takePending(std::uint64_t count) noexcept
{
    mPendingSyntheses -= count;
    mSynthesesInHop += count;
}

void ChannelPartialBank::nextAudibleFour(std::size_t* batch) noexcept
{
    // Four audible groups in a row, as where every partial sounds, in one test.
    std::uint32_t run = 0;
    if (mSynthesisCursor + 4 <= kGroupCount)
        std::memcpy(&run, &mState.audible[mSynthesisCursor], sizeof run);
    if (run == 0x01010101u)
    {
        for (int n = 0; n < 4; ++n)
            batch[n] = mSynthesisCursor++;
        return;
    }
    for (int n = 0; n < 4; ++mSynthesisCursor)
        if (mState.audible[mSynthesisCursor])
            batch[n++] = mSynthesisCursor;
}

void ChannelPartialBank::completeSynthesis() noexcept
{
    synthesisePending(mPendingSyntheses);
}

void ChannelPartialBank::frameStart() noexcept
{
    // Nothing of the last hop may wait past here (the spectrum is cleared below, and the
    // control-rate update may move the partials).
    completeSynthesis();
    mInputMagnitudes.compute(mpInputSpectrum, mVectorWidth);
    advanceFreeze();
    mpCursor = groups();
    mSynthesisCursor = 0;
    mFrozenEnd = 0;
    mLastHopSyntheses = mSynthesesInHop;
    mSynthesesInHop = 0;
    if (mRecomputeActiveGroups)
    {
        mChunk = static_cast<std::uint64_t>(
            std::ceil(static_cast<float>(mActiveGroups) / static_cast<float>(mSlicesPerHop)));
        mpEnd = groups() + mActiveGroups;
        mRecomputeActiveGroups = false;
    }
    controlRateUpdate();
    std::fill_n(mpOutputSpectrum, kNumBins, Complex{0.0f, 0.0f});
}

void ChannelPartialBank::advanceFreeze() noexcept
{
    if (mFreezeAmount != mFreezeTarget)
    {
        constexpr float step = 1.0f / kFreezeRampHops;
        mFreezeAmount = mFreezeTarget > mFreezeAmount ? std::min(mFreezeAmount + step, 1.0f)
                                                      : std::max(mFreezeAmount - step, 0.0f);
        markGroupsStale(); // every group takes up its new retention
    }
    // Engaged, no input reaches the partials from the first frame on; released, it comes
    // back as the retention falls.
    const float inflow = mFreezeTarget != 0.0f ? 0.0f : 1.0f - mFreezeAmount;
    if (inflow != 1.0f)
        mInputMagnitudes.scale(inflow);
}

void ChannelPartialBank::controlRateUpdate() noexcept
{
    if (mPolyphony != 0)
        advanceNoteSlots();
    if (mFlags.layout)
    {
        layOut();
        mFlags.layout = false;
        mFlags.tuning = true;
    }
    if (mFlags.enable)
    {
        enableGroups();
        mFlags.enable = false;
    }
    if (mFlags.frequency)
    {
        pushFundamental();
        markGroupsStaleIfDamped();
        mFlags.frequency = false;
    }
    if (mFlags.tuning)
    {
        recomputeFrequencies();
        markGroupsStaleIfDamped();
        mFlags.tuning = false;
    }
}

// ---- group passes -------------------------------------------------------------------------

void ChannelPartialBank::layOut() noexcept
{
    // Partial i is unison voice i mod U of harmonic (i mod N) / U. The indices are counted
    // up rather than divided out: the 64-bit divisions were most of the cost of a layout.
    std::uint64_t unison = 0;   // i mod U
    std::uint64_t position = 0; // i mod N
    std::uint64_t harmonic = 0; // position / U
    std::uint64_t voice = 0;    // position mod U
    for (PartialGroup* g = groups(); g != mpEnd; ++g)
    {
        alignas(16) float harmonics[4];
        alignas(16) float unisons[4];
        for (int lane = 0; lane < 4; ++lane)
        {
            harmonics[lane] = static_cast<float>(harmonic);
            unisons[lane] = static_cast<float>(unison);
            if (++unison == mUnisonVoices)
                unison = 0;
            if (++position == mPartialCount)
            {
                position = harmonic = voice = 0;
            }
            else if (++voice == mUnisonVoices)
            {
                voice = 0;
                ++harmonic;
            }
        }
        g->layOut(vec4::load(harmonics), vec4::load(unisons));
    }
}

void ChannelPartialBank::enableGroups() noexcept
{
    if (mPolyphony != 0)
    {
        for (std::size_t slot = 0; slot < mNoteSlotCount; ++slot)
            gateNoteSlot(slot, mNoteSlotGates[slot]);
        return;
    }
    for (PartialGroup* g = groups(); g != mpEnd; ++g)
        g->setVoiceActive(true);
}

void ChannelPartialBank::pushFundamental() noexcept
{
    const vec4 omega0(2.0f * mFundamentalHz * kPi / mHopRate);
    std::size_t g = 0;
    if (mPolyphony != 0)
        for (std::size_t slot = 0; slot < mNoteSlotCount; ++slot)
        {
            // A slot that never had a note rests on the frequency parameter.
            const float hz = mNoteSlots[slot].frequency();
            const vec4 slotOmega0(2.0f * (hz > 0.0f ? hz : mFundamentalHz) * mPitchBend * kPi /
                                  mHopRate);
            for (const std::size_t end = g + mGroupsPerNoteSlot; g < end; ++g)
                groups()[g].setFundamental(slotOmega0);
        }
    for (; g < kGroupCount; ++g)
        groups()[g].setFundamental(omega0);
}

void ChannelPartialBank::markGroupsStale() noexcept
{
    // A partial left alone falls by 60 dB in the decay time; no decay time, no ring.
    mRetentionBase = fastExp2(-6.9077554f / (mHopRate * mDecaySeconds) * 1.442695f);
    mRetentionClampsHarmonic = all((mLfDamp >= vec4(0.0f)) & (mLfDamp <= vec4(1.0f)));
    ++mGroupGeneration;
}

bool ChannelPartialBank::isDamped() const noexcept
{
    return any(mHfDamp != vec4(0.0f)) || any(mLfDamp != vec4(0.0f));
}

void ChannelPartialBank::markGroupsStaleIfDamped() noexcept
{
    // Undamped, every harmonic has the same retention: a new layout leaves it as it is.
    if (isDamped())
        markGroupsStale();
}

void ChannelPartialBank::updateSize() noexcept
{
    mPartialCount = std::min<std::uint64_t>(mUnisonVoices * kHarmonicsPerVoice, kMaxPartials);
    mActiveGroups = mPartialCount < 5 ? 1 : mPartialCount / 4;
    if (mPolyphony != 0)
    {
        // Each note the partials of its unison voices; as many notes as fit, at least one.
        // Slots beyond the new count fall silent.
        mGroupsPerNoteSlot = static_cast<std::size_t>(mActiveGroups);
        mNoteSlotCount = std::max<std::size_t>(kMaxPartials / mPartialCount, 1);
        mActiveGroups *= mNoteSlotCount;
        for (std::size_t slot = mNoteSlotCount; slot < kMaxNoteSlots; ++slot)
        {
            mNoteSlots[slot] = NoteSlot{};
            mNoteSlotGates[slot] = false;
            mNoteSlotGains[slot] = 1.0f;
        }
    }
    else
    {
        mNoteSlotCount = 0;
        mNoteSlotsFading = false;
    }
    mRecomputeActiveGroups = true;
    mFlags = ChangeFlags{true, true, true, true};
}

} // namespace quendra::dravel::vantor
