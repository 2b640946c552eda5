// Which note slot of a polyphonic bank each held note sounds in. A new note takes a free slot
// (the one freed longest ago, so the quietest), and when every slot is taken it steals the
// oldest sounding note. Overlapping presses of one key share its slot, which is freed when the
// last of them ends. With the sustain pedal down a released note keeps its slot until the pedal
// comes up. Keys are whatever the caller numbers its notes with (MIDI note numbers, say).
// Fixed storage: every call is real-time safe.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace quendra::dravel::vantor
{

class NoteAllocator
{
public:
    static constexpr std::size_t kMaxSlots = 8;
    static constexpr int kNoKey = -1;

    struct Start
    {
        std::size_t slot = 0;
        int stolenKey = kNoKey; // the sounding note this one replaced, if any
    };

    // Slots beyond the new count lose their notes; the others keep them.
    void setSlotCount(std::size_t count) noexcept;
    std::size_t slotCount() const noexcept { return mSlotCount; }

    // Empty when there are no slots.
    std::optional<Start> noteOn(int key) noexcept;
    // The slot this release frees; empty when the key is not sounding, when another press of
    // it still holds it, or when the pedal keeps it.
    std::optional<std::size_t> noteOff(int key) noexcept;
    // Lifting the pedal frees the notes it kept: their slots as a bit mask.
    std::uint32_t setSustain(bool down) noexcept;
    // Every note freed at once (pedal too): the slots that were sounding, as a bit mask.
    std::uint32_t releaseAll() noexcept;

    // The key a slot sounds, or kNoKey when it sounds none.
    int soundingKey(std::size_t slot) const noexcept;
    std::size_t soundingCount() const noexcept;

private:
    struct Slot
    {
        int key = kNoKey;       // the last key given the slot (kept after release)
        int presses = 0;        // presses of the key not yet released
        bool sustained = false; // released while the pedal was down
        std::uint64_t started = 0;
        std::uint64_t freed = 0;
        bool sounding() const noexcept { return key != kNoKey && (presses > 0 || sustained); }
    };

    std::array<Slot, kMaxSlots> mSlots{};
    std::size_t mSlotCount = 0;
    std::uint64_t mClock = 0;
    bool mPedal = false;
};

} // namespace quendra::dravel::vantor
