// MIDI note numbers to frequencies: twelve-tone equal temperament at A4 (note 69) = 440 Hz, or a
// Scala scale (.scl) with an optional keyboard mapping (.kbm). Without a mapping, degree 0 of
// the scale sits on note 60 and note 69 sounds at 440 Hz, each note a degree higher than the
// one below. Reading a file allocates and may throw ScalaError (one line saying what is wrong
// and where); looking a frequency up does neither.
#pragma once

#include <array>
#include <stdexcept>
#include <string>
#include <string_view>

namespace quendra::dravel::vantor
{

class ScalaError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

class ScalaTuning
{
public:
    static constexpr int kNoteCount = 128;

    ScalaTuning(); // equal temperament, A4 = 440 Hz

    // The text of a .scl file and, when not empty, of a .kbm file.
    static ScalaTuning fromText(std::string_view scale, std::string_view keyboardMap = {});

    // 0 for a note the mapping leaves out (it does not sound).
    double frequency(int note) const noexcept
    {
        return note >= 0 && note < kNoteCount ? mFrequencies[static_cast<std::size_t>(note)] : 0.0;
    }
    const std::string& description() const noexcept { return mDescription; }

private:
    std::array<double, kNoteCount> mFrequencies{};
    std::string mDescription;
};

} // namespace quendra::dravel::vantor
