// The MIDI pitch source: which note sounds after each message, and the pitch it gives.
#include "MidiPitch.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using quendra::plugin::MidiPitch;

namespace
{

double hz(double note)
{
    return 440.0 * std::exp2((note - 69.0) / 12.0);
}

} // namespace

TEST(MidiPitch, NewestHeldNoteWinsAndReleaseReturnsToThePreviousOne)
{
    struct step
    {
        std::vector<std::uint8_t> message;
        bool changed;
        double note; // sounding note, bend included
    };
    const std::vector<step> steps{
        {{0x90, 69, 100}, true, 69}, // A4 = 440 Hz
        {{0x91, 72, 80}, true, 72},  // any channel; newest wins
        {{0x90, 60, 1}, true, 60},
        {{0x80, 60, 0}, true, 72},      // release: back to the previous held note
        {{0x90, 69, 0}, false, 72},     // velocity 0 is a release; 69 was not sounding
        {{0xE0, 0x7F, 0x7F}, true, 74}, // full bend up: +2 semitones
        {{0xE0, 0x00, 0x00}, true, 70}, // full bend down: -2
        {{0xE0, 0x00, 0x40}, true, 72}, // centre
        {{0x80, 72, 0}, false, 72},     // nothing held: the last pitch stays
        {{0xE0, 0x7F, 0x7F}, true, 74}, // bend still moves the last pitch
        {{0x90, 64, 90}, true, 66},
        {{0x90, 67, 90}, true, 69},
        {{0x90, 64, 90}, true, 66},  // a repeated note becomes the newest
        {{0xB0, 123, 0}, false, 66}, // all notes off keeps the pitch
        {{0x80, 64, 0}, false, 66},  // ... and forgot the held notes
    };
    MidiPitch pitch;
    EXPECT_FALSE(pitch.frequency().has_value());
    for (std::size_t i = 0; i < steps.size(); ++i)
    {
        const auto& s = steps[i];
        EXPECT_EQ(pitch.handle(s.message.data(), s.message.size()), s.changed) << "step " << i;
        ASSERT_TRUE(pitch.frequency().has_value());
        EXPECT_NEAR(*pitch.frequency(), hz(s.note), 1e-9 * hz(s.note)) << "step " << i;
    }
    EXPECT_EQ(pitch.heldCount(), 0u);
}

TEST(MidiPitch, TwelveToneEqualTemperamentWithinTheResonatorRange)
{
    EXPECT_DOUBLE_EQ(MidiPitch::noteFrequency(69), 440.0);
    EXPECT_DOUBLE_EQ(MidiPitch::noteFrequency(57), 220.0);
    EXPECT_DOUBLE_EQ(MidiPitch::noteFrequency(81), 880.0);
    MidiPitch pitch;
    pitch.noteOn(0); // 8.18 Hz, below the resonator's range
    EXPECT_EQ(*pitch.frequency(), 20.0);
    pitch.noteOn(127);
    EXPECT_NEAR(*pitch.frequency(), hz(127), 1e-6);
    const std::uint8_t truncated[] = {0x90};
    EXPECT_FALSE(pitch.handle(truncated, 1)); // reads as note 0 released; 127 still sounds
    EXPECT_EQ(pitch.heldCount(), 1u);
}
