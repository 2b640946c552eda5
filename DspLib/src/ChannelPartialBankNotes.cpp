// The bank's note slots (chords): each slot's gate and fade, applied to its groups' levels, and
// the notes' frequencies with the pitch bend.
#include "quendra/dsp/ChannelPartialBank.h"

#include <algorithm>
#include <cstddef>

namespace quendra::dravel::vantor
{

void ChannelPartialBank::advanceNoteSlots() noexcept
{
    mNoteSlotsFading = false;
    for (std::size_t slot = 0; slot < mNoteSlotCount; ++slot)
    {
        const NoteSlot::Step step = mNoteSlots[slot].advance(noteSlotAudible(slot));
        if (step.retune)
            mFlags.frequency = true;
        if (step.gate != mNoteSlotGates[slot])
        {
            mNoteSlotGates[slot] = step.gate;
            gateNoteSlot(slot, step.gate);
        }
        mNoteSlotGains[slot] = step.gain;
        mNoteSlotsFading = mNoteSlotsFading || step.gain != 1.0f;
    }
}

void ChannelPartialBank::gateNoteSlot(std::size_t slot, bool gate) noexcept
{
    PartialGroup* const first = groups() + slot * mGroupsPerNoteSlot;
    for (PartialGroup* g = first; g != first + mGroupsPerNoteSlot; ++g)
        g->setVoiceActive(gate);
}

bool ChannelPartialBank::noteSlotAudible(std::size_t slot) const noexcept
{
    const PartialGroup* const first = groups() + slot * mGroupsPerNoteSlot;
    for (const PartialGroup* g = first; g != first + mGroupsPerNoteSlot; ++g)
        if (g->audible())
            return true;
    return false;
}

void ChannelPartialBank::applyNoteSlotGains(PartialGroup* first, PartialGroup* last) noexcept
{
    // Each slot's groups are contiguous: scale the part of each slot inside [first, last).
    const auto begin = static_cast<std::size_t>(first - groups());
    const auto end = static_cast<std::size_t>(last - groups());
    for (std::size_t slot = begin / mGroupsPerNoteSlot;
         slot < mNoteSlotCount && slot * mGroupsPerNoteSlot < end; ++slot)
    {
        const float gain = mNoteSlotGains[slot];
        if (gain == 1.0f)
            continue;
        const vec4 scale(gain);
        const std::size_t from = std::max(begin, slot * mGroupsPerNoteSlot);
        const std::size_t to = std::min(end, (slot + 1) * mGroupsPerNoteSlot);
        for (PartialGroup* g = groups() + from; g != groups() + to; ++g)
        {
            g->level() = g->level() * scale;
            g->re() = g->re() * scale;
            g->im() = g->im() * scale;
        }
    }
}

void ChannelPartialBank::startNote(std::size_t slot, float hz) noexcept
{
    if (slot < mNoteSlotCount)
        mNoteSlots[slot].start(hz);
}

void ChannelPartialBank::releaseNote(std::size_t slot) noexcept
{
    if (slot < mNoteSlotCount)
        mNoteSlots[slot].release();
}

void ChannelPartialBank::setPitchBend(float ratio) noexcept
{
    mPitchBend = ratio;
    mFlags.frequency = true;
}

void ChannelPartialBank::recomputeFrequencies() noexcept
{
    for (PartialGroup* g = groups(); g != mpEnd; ++g)
        g->computeRatios(mStretch, mSpread);
}

} // namespace quendra::dravel::vantor
