#include "quendra/dsp/NoteAllocator.h"

#include <algorithm>

namespace quendra::dravel::vantor
{

void NoteAllocator::setSlotCount(std::size_t count) noexcept
{
    mSlotCount = std::min(count, kMaxSlots);
    for (std::size_t s = mSlotCount; s < kMaxSlots; ++s)
        mSlots[s] = Slot{};
}

std::optional<NoteAllocator::Start> NoteAllocator::noteOn(int key) noexcept
{
    if (mSlotCount == 0)
        return std::nullopt;
    const auto first = mSlots.begin();
    const auto end = first + static_cast<std::ptrdiff_t>(mSlotCount);
    // The key's own slot, sounding or ringing out: a new press joins it.
    const auto own = std::find_if(first, end, [key](const Slot& s) { return s.key == key; });
    if (own != end)
    {
        if (!own->sounding())
            own->started = ++mClock;
        ++own->presses;
        return Start{static_cast<std::size_t>(own - first), kNoKey};
    }
    // Else the slot freed longest ago, else the oldest sounding note.
    auto chosen = end;
    for (auto s = first; s != end; ++s)
        if (!s->sounding() && (chosen == end || s->freed < chosen->freed))
            chosen = s;
    int stolen = kNoKey;
    if (chosen == end)
    {
        chosen = std::min_element(
            first, end, [](const Slot& a, const Slot& b) { return a.started < b.started; });
        stolen = chosen->key;
    }
    *chosen = Slot{key, 1, false, ++mClock, 0};
    return Start{static_cast<std::size_t>(chosen - first), stolen};
}

std::optional<std::size_t> NoteAllocator::noteOff(int key) noexcept
{
    for (std::size_t s = 0; s < mSlotCount; ++s)
    {
        Slot& slot = mSlots[s];
        if (slot.key != key || slot.presses == 0)
            continue;
        if (--slot.presses > 0)
            return std::nullopt;
        if (mPedal)
        {
            slot.sustained = true;
            return std::nullopt;
        }
        slot.sustained = false;
        slot.freed = ++mClock;
        return s;
    }
    return std::nullopt;
}

std::uint32_t NoteAllocator::setSustain(bool down) noexcept
{
    mPedal = down;
    std::uint32_t freed = 0;
    if (down)
        return freed;
    for (std::size_t s = 0; s < mSlotCount; ++s)
    {
        Slot& slot = mSlots[s];
        if (slot.sustained && slot.presses == 0)
        {
            slot.sustained = false;
            slot.freed = ++mClock;
            freed |= 1u << s;
        }
    }
    return freed;
}

std::uint32_t NoteAllocator::releaseAll() noexcept
{
    mPedal = false;
    std::uint32_t freed = 0;
    for (std::size_t s = 0; s < mSlotCount; ++s)
    {
        Slot& slot = mSlots[s];
        if (slot.sounding())
        {
            slot.presses = 0;
            slot.sustained = false;
            slot.freed = ++mClock;
            freed |= 1u << s;
        }
    }
    return freed;
}

int NoteAllocator::soundingKey(std::size_t slot) const noexcept
{
    return slot < mSlotCount && mSlots[slot].sounding() ? mSlots[slot].key : kNoKey;
}

std::size_t NoteAllocator::soundingCount() const noexcept
{
    return static_cast<std::size_t>(
        std::count_if(mSlots.begin(), mSlots.begin() + static_cast<std::ptrdiff_t>(mSlotCount),
                      [](const Slot& s) { return s.sounding(); }));
}

} // namespace quendra::dravel::vantor
