// The resonator's fundamental from MIDI: the newest held note wins, releasing it returns to the
// previous held note, with no note held the last pitch stays; pitch bend moves it by up to two
// semitones. 12-tone equal temperament, A4 (note 69) = 440 Hz. Fixed storage, no allocation;
// every call is real-time safe.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace quendra::plugin
{

class MidiPitch
{
public:
    static constexpr double kBendRangeSemitones = 2.0;

    // Reads one MIDI message (any channel); true when the fundamental changed.
    bool handle(const std::uint8_t* data, std::size_t size) noexcept;

    bool noteOn(std::uint8_t note) noexcept;
    bool noteOff(std::uint8_t note) noexcept;
    bool allNotesOff() noexcept; // the held notes go, the last pitch stays
    // 14-bit bend value, 8192 is the centre; 0 and 16383 are -2 and +2 semitones.
    bool pitchBend(std::uint16_t value) noexcept;

    // Fundamental in Hz (clamped to 20 Hz .. 20 kHz); empty until the first note.
    std::optional<double> frequency() const noexcept;

    std::size_t heldCount() const noexcept { return mHeldCount; }
    void reset() noexcept;

    static double noteFrequency(double note) noexcept;

private:
    std::array<std::uint8_t, 128> mHeld{}; // oldest first, each note at most once
    std::size_t mHeldCount = 0;
    int mSoundingNote = -1;
    double mBendSemitones = 0.0;
};

} // namespace quendra::plugin
