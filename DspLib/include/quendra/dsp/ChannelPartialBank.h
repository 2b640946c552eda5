// One channel's bank of resonating partials: reads the channel's input spectrum once
// per hop, lets its partials ring, and adds them into the channel's output spectrum.
// 512 groups of four partials live inside the bank, of which the first G (64 per unison
// voice) are active; what their hops read and write is one structure of arrays
// (PartialGroupState), the groups its views. prepare() allocates nothing either; tick(),
// frameStart() and every setter are real-time safe.
// Units: Hz for the fundamental, seconds for the decay, frequencies inside as radians per hop.
#pragma once

#include "quendra/dsp/BinMagnitudes.h"
#include "quendra/dsp/FrameGeometry.h"
#include "quendra/dsp/KernelTable.h"
#include "quendra/dsp/NoteSlot.h"
#include "quendra/dsp/PartialGroup.h"
#include "quendra/dsp/PartialRandom.h"
#include "quendra/dsp/RandomDevice.h"
#include "quendra/dsp/simd/Vec4.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <new>
#include <type_traits>

namespace quendra::dravel::vantor
{

class ChannelPartialBank
{
public:
    static constexpr std::size_t kGroupCount = PartialGroupState::kGroupCount;
    static constexpr std::uint32_t kFixedSeed = kFixedPartialSeed;

    ChannelPartialBank() = default;
    ChannelPartialBank(const ChannelPartialBank&) = delete; // groups point into themselves
    ChannelPartialBank& operator=(const ChannelPartialBank&) = delete;

    // side 0 = left, 1 = right. Spectra are kNumBins bins each and outlive the bank. An
    // output spectrum aligned to 64 bytes lets the synthesis use wider vectors where the
    // processor has them (see WideVectors.h).
    void prepare(float sampleRate, const Complex* inputSpectrum, Complex* outputSpectrum, int side,
                 RandomDevice& randomDevice);

    void reset() noexcept; // silence every partial, new start phases, full recompute
    void tick() noexcept;  // the next chunk of active groups, once per sample
    // The work of `samples` ticks at once (all within one hop): the same groups in the same
    // order as that many calls of tick(). samplesToHop: the samples left until the hop, these
    // included (by default the run ends on the hop).
    void tick(std::size_t samples, std::uint64_t samplesToHop) noexcept;
    void tick(std::size_t samples) noexcept { tick(samples, samples); }
    // The two halves of tick(samples, samplesToHop): the updates of the groups, then the
    // syntheses due by then (synthesesDue() of them; see synthesisePending()).
    void updateGroups(std::size_t samples) noexcept;
    std::uint64_t synthesesDue(std::size_t samples, std::uint64_t samplesToHop) const noexcept;
    // The next `countA` pending syntheses of bank a and `countB` of bank b (two banks with
    // spectra of their own), in runs of fours of each together where both use wide vectors:
    // each spectrum gets what the banks' own synthesisePending() would add, in the same order.
    static void synthesiseTogether(ChannelPartialBank& a, std::uint64_t countA,
                                   ChannelPartialBank& b, std::uint64_t countB) noexcept;
    // A tick updates its groups at once but may leave some of their syntheses into the output
    // spectrum for later ticks of the same hop. This adds every synthesis still due; the frame
    // calls it before it reads the output spectrum at the hop (frameStart() calls it too).
    void completeSynthesis() noexcept;
    // The groups that the next `samples` ticks will update take up the retention and pitch
    // depth of now, and keep them through changes made before those ticks run (a caller that
    // runs ticks late lets them read what they would have read on time).
    void freezeDue(std::uint64_t samples) noexcept;
    // Every active group of this hop is updated and synthesised: the output spectrum holds its
    // final sums until the next frame start.
    bool spectrumComplete() const noexcept { return mpCursor == mpEnd && mPendingSyntheses == 0; }
    // Once per hop, after the new input spectrum exists: the partials of the coming hop
    // read the input magnitudes taken here.
    void frameStart() noexcept;

    // Parameter interface (already clamped values; see Vantor's setters).
    void setFrequency(float hz) noexcept;
    void setStretch(float stretch) noexcept;
    void setShiftRatio(float ratio) noexcept;
    void setDecay(float seconds) noexcept;
    void setHfDamp(float amount) noexcept;
    void setLfDamp(float amount) noexcept;
    void setUnisonVoices(int voices) noexcept;
    void setUnisonSpread(float spread) noexcept; // D = 1 - 2^(semitones / 12)
    void setHarmonics(float limit) noexcept;
    void setModType(std::uint32_t mode) noexcept; // only called with 0..3
    void setModRate(float rate) noexcept;
    void setPitchMod(float semitones) noexcept;
    void setFrequencySource(std::uint32_t source) noexcept;
    void setPolyphony(std::uint32_t polyphony) noexcept;
    // Freeze: the partials keep their levels and take in nothing new. Taken up at the next
    // frame start: from there no input reaches the partials, and their retention rises to 1
    // (no decay) over kFreezeRampHops hops; a release lets the input back in as the
    // retention falls back over as many. Off unless set.
    void setFreeze(bool frozen) noexcept;
    static constexpr int kFreezeRampHops = 4;
    float freezeAmount() const noexcept { return mFreezeAmount; } // 0 free .. 1 frozen

    // ---- polyphony (any non-zero polyphony) ---------------------------------------------------
    // The 2048 partials make eight slots of 256; each note takes U of them (U unison voices),
    // so 8 / U notes sound at once, each on its own fundamental, and every active group belongs
    // to one note slot. Without polyphony there are no note slots. All three take effect at the
    // next frame start.
    static constexpr std::size_t kMaxNoteSlots = 8;
    void startNote(std::size_t slot, float hz) noexcept;
    void releaseNote(std::size_t slot) noexcept;
    void setPitchBend(float ratio) noexcept; // every note's frequency times ratio
    std::size_t noteSlotCount() const noexcept { return mNoteSlotCount; }
    std::size_t groupsPerNoteSlot() const noexcept { return mGroupsPerNoteSlot; }
    const NoteSlot& noteSlot(std::size_t slot) const noexcept { return mNoteSlots[slot]; }
    float noteSlotGain(std::size_t slot) const noexcept { return mNoteSlotGains[slot]; }

    // ---- read-only views, for tests and diagnostics ------------------------------------------
    struct ChangeFlags
    {
        bool frequency = false;
        bool layout = false;
        bool enable = false;
        bool tuning = false;
    };
    const PartialGroup& group(std::size_t index) const noexcept { return groups()[index]; }
    std::uint64_t activeGroupCount() const noexcept { return mActiveGroups; }
    std::uint64_t chunk() const noexcept { return mChunk; }
    std::size_t cursorIndex() const noexcept
    {
        return static_cast<std::size_t>(mpCursor - groups());
    }
    std::size_t endIndex() const noexcept { return static_cast<std::size_t>(mpEnd - groups()); }
    bool activeGroupsChanged() const noexcept { return mRecomputeActiveGroups; }
    VectorWidth vectorWidth() const noexcept { return mVectorWidth; }
    ChangeFlags changeFlags() const noexcept { return mFlags; }
    const PartialRandom& random() const noexcept { return mRandom; }
    std::uint32_t storedSeed() const noexcept { return mStoredSeed; }
    const KernelTable& kernel() const noexcept { return mKernel; }
    const BinMagnitudes& inputMagnitudes() const noexcept { return mInputMagnitudes; }
    float hopRate() const noexcept { return mHopRate; }
    std::uint64_t unisonVoices() const noexcept { return mUnisonVoices; }
    std::uint64_t partialCount() const noexcept { return mPartialCount; }

    // The seed a reseed uses now: fixed while unmodulated with one voice, else the stored one.
    std::uint32_t currentSeed() const noexcept;

private:
    // The groups are built in place by prepare() and never destroyed (they own nothing).
    PartialGroup* groups() noexcept
    {
        return std::launder(reinterpret_cast<PartialGroup*>(mGroupStorage));
    }
    const PartialGroup* groups() const noexcept
    {
        return std::launder(reinterpret_cast<const PartialGroup*>(mGroupStorage));
    }
    PartialGroup* activeEnd() noexcept { return groups() + mActiveGroups; }

    void reseed() noexcept { mRandom.reseed(currentSeed()); }
    void synthesisePending(std::uint64_t count) noexcept; // the next `count` audible groups
    void takePending(std::uint64_t count) noexcept;       // counts them as done in this hop
    void synthesiseTaken(std::uint64_t count) noexcept;   // and then adds them
    void nextAudibleFour(std::size_t* batch) noexcept;    // into batch[0..3]
    void synthesise(const PartialGroup& group) noexcept
    {
        if (mVectorWidth != VectorWidth::FourLanes)
            group.addToSpectrumWide(mVectorWidth, mpOutputSpectrum, mKernel, mGeometry);
        else
            group.addToSpectrum(mpOutputSpectrum, mKernel, mGeometry);
    }
    void updateSize() noexcept;
    void controlRateUpdate() noexcept;
    void layOut() noexcept;
    void enableGroups() noexcept;
    void pushFundamental() noexcept;
    void recomputeFrequencies() noexcept;
    // Polyphony: each slot's step for the coming hop, its gate into its groups, and the gains
    // scaled into its groups' levels just after their updates.
    void advanceNoteSlots() noexcept;
    void gateNoteSlot(std::size_t slot, bool gate) noexcept;
    bool noteSlotAudible(std::size_t slot) const noexcept;
    void applyNoteSlotGains(PartialGroup* first, PartialGroup* last) noexcept;
    // A group's retention (from the decay, the damping and its harmonic) and its pitch depth
    // are read by its update alone. A change marks every group stale, and each is brought up
    // to date just before its next update: a setter that runs on every sample of a ramp costs
    // a counter, not a walk over all groups, and every update reads what an immediate
    // recomputation would have left.
    void markGroupsStale() noexcept;
    void markGroupsStaleIfDamped() noexcept;
    void freshen(PartialGroup& group) noexcept
    {
        const std::size_t index = group.index();
        std::uint64_t& seen = mGroupSeen[index];
        if (seen != mGroupGeneration && index >= mFrozenEnd)
        {
            // Above harmonic 255 the tilt has reached its end, and with L in [0, 1] the
            // low-frequency factor is 1 long before: harmonic 255 stands for them all.
            const vec4 harmonic =
                mRetentionClampsHarmonic ? min(group.harmonic(), vec4(255.0f)) : group.harmonic();
            group.setRetention(frozenRetention(
                PartialGroup::retentionFor(harmonic, mRetentionBase, mHfDamp, mLfDamp)));
            group.setPitchDepth(mPitchDepth);
            seen = mGroupGeneration;
        }
    }
    bool isDamped() const noexcept;
    // The retention moved toward 1 by the freeze amount (exactly 1 once frozen).
    vec4 frozenRetention(vec4 retention) const noexcept
    {
        if (mFreezeAmount == 0.0f)
            return retention;
        if (mFreezeAmount >= 1.0f)
            return vec4(1.0f);
        return retention + (vec4(1.0f) - retention) * vec4(mFreezeAmount);
    }
    void advanceFreeze() noexcept; // one hop's step toward the freeze target

    PartialGroupState mState;
    static_assert(std::is_trivially_destructible_v<PartialGroup>);
    alignas(PartialGroup) unsigned char mGroupStorage[kGroupCount * sizeof(PartialGroup)];
    bool mPrepared = false;

    // Scheduling.
    PartialGroup* mpCursor = nullptr;
    PartialGroup* mpEnd = nullptr;
    // Updated groups before mpCursor whose synthesis is still due start at this index; of
    // them, mPendingSyntheses are audible.
    std::size_t mSynthesisCursor = 0;
    std::uint64_t mPendingSyntheses = 0;
    std::uint64_t mSynthesesInHop = 0;   // groups synthesised since then
    std::uint64_t mLastHopSyntheses = 0; // groups synthesised in the hop before
    std::uint64_t mSlicesPerHop = 0;
    std::uint64_t mActiveGroups = kGroupCount;
    std::uint64_t mChunk = 0;
    bool mRecomputeActiveGroups = false;

    PartialRandom mRandom;
    std::uint32_t mStoredSeed = 0;
    KernelTable mKernel;

    SpectrumGeometry mGeometry;
    vec4 mShiftRatio{1.0f};
    vec4 mStretch{0.0f};
    vec4 mSpread{1.0f};
    vec4 mHfDamp{0.0f};
    vec4 mLfDamp{0.0f};
    vec4 mPitchDepth{0.0f};
    float mRetentionBase = 0.0f; // the per-hop factor of the decay time alone
    bool mRetentionClampsHarmonic = true;
    std::uint64_t mGroupGeneration = 0;                  // changes so far
    std::array<std::uint64_t, kGroupCount> mGroupSeen{}; // the change each group has taken up
    std::size_t mFrozenEnd = 0; // groups before it keep what freezeDue() gave them

    const Complex* mpInputSpectrum = nullptr;
    Complex* mpOutputSpectrum = nullptr;
    VectorWidth mVectorWidth = VectorWidth::FourLanes; // of the update and synthesis
    BinMagnitudes mInputMagnitudes;

    float mHopRate = 0.0f;
    float mFundamentalHz = 110.0f;
    float mDecaySeconds = 0.0f;
    std::uint64_t mUnisonVoices = 1;
    std::uint64_t mPartialCount = 2048;
    std::uint32_t mModMode = 0;
    std::uint32_t mFrequencySource = 0;
    std::uint32_t mPolyphony = 0;
    // Freeze (unrelated to freezeDue(), which keeps due groups' inputs through late ticks).
    float mFreezeTarget = 0.0f;
    float mFreezeAmount = 0.0f;
    ChangeFlags mFlags;

    std::array<NoteSlot, kMaxNoteSlots> mNoteSlots{};
    std::array<float, kMaxNoteSlots> mNoteSlotGains{};
    std::array<bool, kMaxNoteSlots> mNoteSlotGates{};
    std::size_t mNoteSlotCount = 0;
    std::size_t mGroupsPerNoteSlot = 0;
    bool mNoteSlotsFading = false; // some slot's gain is not 1 this hop
    float mPitchBend = 1.0f;
};

} // namespace quendra::dravel::vantor
