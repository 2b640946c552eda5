// Which slot each note takes (free slots first, the quietest of them; then the oldest note
// stolen), presses of one key sharing a slot, the sustain pedal, and the phases one slot goes
// through from start to release or steal.
#include "quendra/dsp/NoteAllocator.h"
#include "quendra/dsp/NoteSlot.h"

#include <gtest/gtest.h>

#include <vector>

using namespace quendra::dravel::vantor;

namespace
{
std::size_t slotOf(NoteAllocator& notes, int key)
{
    const auto start = notes.noteOn(key);
    EXPECT_TRUE(start.has_value());
    return start ? start->slot : 99;
}
} // namespace

TEST(NoteAllocator, FreeSlotsFirstThenTheOldestNoteIsStolen)
{
    NoteAllocator notes;
    notes.setSlotCount(4);
    for (int key = 60; key < 64; ++key)
        EXPECT_EQ(slotOf(notes, key), static_cast<std::size_t>(key - 60));
    // Every slot taken: 60, then 61, then 62 go, oldest first.
    for (int key = 70, victim = 60; key < 73; ++key, ++victim)
    {
        const auto start = notes.noteOn(key);
        ASSERT_TRUE(start);
        EXPECT_EQ(start->stolenKey, victim);
        EXPECT_EQ(start->slot, static_cast<std::size_t>(victim - 60));
    }
    EXPECT_EQ(notes.soundingCount(), 4u);
    EXPECT_EQ(notes.soundingKey(3), 63);
}

TEST(NoteAllocator, AReleasedSlotIsReusedBeforeAnyNoteIsStolenTheLongestFreedFirst)
{
    NoteAllocator notes;
    notes.setSlotCount(3);
    for (int key : {40, 41, 42})
        notes.noteOn(key);
    EXPECT_EQ(notes.noteOff(42), 2u);
    EXPECT_EQ(notes.noteOff(40), 0u);
    auto start = notes.noteOn(50);
    EXPECT_EQ(start->slot, 2u); // freed before slot 0
    EXPECT_EQ(start->stolenKey, NoteAllocator::kNoKey);
    EXPECT_EQ(notes.noteOn(51)->slot, 0u);
    EXPECT_EQ(notes.noteOn(52)->stolenKey, 41);
}

TEST(NoteAllocator, OverlappingPressesOfOneKeyShareASlotUntilTheLastEnds)
{
    NoteAllocator notes;
    notes.setSlotCount(8);
    EXPECT_EQ(slotOf(notes, 57), 0u);
    EXPECT_EQ(slotOf(notes, 57), 0u);
    EXPECT_EQ(notes.soundingCount(), 1u);
    EXPECT_FALSE(notes.noteOff(57));
    EXPECT_EQ(notes.soundingKey(0), 57);
    EXPECT_EQ(notes.noteOff(57), 0u);
    EXPECT_FALSE(notes.noteOff(57)); // nothing left to release
    // A released key pressed again returns to its own slot.
    notes.noteOn(30);
    EXPECT_EQ(slotOf(notes, 57), 0u);
}

TEST(NoteAllocator, ThePedalKeepsReleasedNotesUntilItComesUp)
{
    NoteAllocator notes;
    notes.setSlotCount(8);
    notes.noteOn(60);
    notes.noteOn(64);
    notes.setSustain(true);
    EXPECT_FALSE(notes.noteOff(60));
    EXPECT_FALSE(notes.noteOff(64));
    notes.noteOn(64); // pressed again under the pedal: held by the key once more
    EXPECT_EQ(notes.soundingCount(), 2u);
    EXPECT_EQ(notes.setSustain(false), 1u); // only 60 goes
    EXPECT_EQ(notes.soundingKey(1), 64);
    EXPECT_EQ(notes.noteOff(64), 1u);
    notes.noteOn(70);
    notes.setSustain(true);
    EXPECT_EQ(notes.releaseAll(), 1u << 2); // 70 took a slot never used
    EXPECT_EQ(notes.soundingCount(), 0u);
}

TEST(NoteAllocator, FewerSlotsDropTheNotesBeyondThemAndNoSlotsTakeNothing)
{
    NoteAllocator notes;
    notes.setSlotCount(4);
    for (int key : {1, 2, 3, 4})
        notes.noteOn(key);
    notes.setSlotCount(2);
    EXPECT_EQ(notes.soundingCount(), 2u);
    EXPECT_EQ(notes.soundingKey(2), NoteAllocator::kNoKey);
    notes.setSlotCount(0);
    EXPECT_FALSE(notes.noteOn(9));
    EXPECT_FALSE(notes.noteOff(1));
}

namespace
{
std::vector<float> gains(NoteSlot& slot, int hops, bool audible)
{
    std::vector<float> out;
    for (int h = 0; h < hops; ++h)
        out.push_back(slot.advance(audible).gain);
    return out;
}
} // namespace

TEST(NoteSlot, ANoteFadesInAndAReleasedOneRingsOnWithItsGateClosed)
{
    NoteSlot slot;
    slot.start(220.0f);
    const auto first = slot.advance(false);
    EXPECT_TRUE(first.retune);
    EXPECT_TRUE(first.gate);
    EXPECT_FLOAT_EQ(first.gain, 1.0f / 3.0f);
    EXPECT_EQ(gains(slot, 3, true), (std::vector<float>{2.0f / 3.0f, 1.0f, 1.0f}));
    EXPECT_EQ(slot.phase(), NoteSlot::Phase::Held);
    slot.release();
    const auto released = slot.advance(true);
    EXPECT_FALSE(released.gate);
    EXPECT_EQ(released.gain, 1.0f);
    EXPECT_EQ(slot.phase(), NoteSlot::Phase::Released);
}

TEST(NoteSlot, AnotherPitchInASoundingSlotWaitsForAQuickFadeOut)
{
    NoteSlot slot;
    slot.start(220.0f);
    gains(slot, 4, true);
    slot.start(330.0f); // stolen
    const auto out1 = slot.advance(true);
    EXPECT_FALSE(out1.gate);
    EXPECT_FALSE(out1.retune);
    EXPECT_EQ(out1.gain, 0.5f);
    EXPECT_EQ(slot.advance(true).gain, 0.0f);
    const auto in = slot.advance(false);
    EXPECT_TRUE(in.retune);
    EXPECT_TRUE(in.gate);
    EXPECT_FLOAT_EQ(slot.frequency(), 330.0f);
}

TEST(NoteSlot, ANoteReleasedBeforeItStartedStillSoundsOneHop)
{
    NoteSlot slot;
    slot.start(100.0f);
    slot.release();
    EXPECT_TRUE(slot.advance(false).gate);
    EXPECT_FALSE(slot.advance(true).gate);
    // The same pitch pressed again while ringing fades in again at once, without a fade-out.
    slot.start(100.0f);
    const auto again = slot.advance(true);
    EXPECT_TRUE(again.gate);
    EXPECT_FALSE(again.retune);
}
