// The plugin's tuning as its saved state: the text of a Scala scale and of an optional keyboard
// mapping, under two state keys. Empty texts mean equal temperament at A4 = 440 Hz, so a
// session saved before tunings existed loads as it sounded. A text that does not read (alone or
// with the other one) is refused whole: the texts and the tuning stay what they were.
// Off the audio thread only (reading a text allocates); the audio thread gets the finished
// frequencies through SorvellProcessor::setTuning.
#pragma once

#include <quendra/dsp/ScalaTuning.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quendra::plugin
{

// Restored in this order: hosts that sort keys restore the scale before its mapping.
inline constexpr std::string_view kTuningScaleKey = "tuning";
inline constexpr std::string_view kTuningKeymapKey = "tuning_keymap";
inline constexpr std::uint32_t kTuningStateCount = 2;

class TuningState
{
public:
    // The tuning the texts would give with one of them replaced, or the reader's one line on
    // what is wrong. An unknown key is an error too.
    struct Result
    {
        std::optional<dravel::vantor::ScalaTuning> tuning;
        std::string error;
    };
    Result tryReplace(std::string_view key, std::string_view text) const;

    // Takes the text when it reads; the result says either way.
    Result replace(std::string_view key, std::string_view text);

    const std::string& text(std::string_view key) const noexcept;
    // What the window shows: the scale's own description, or that it is equal temperament.
    const std::string& description() const noexcept { return mDescription; }

private:
    std::string mScale;
    std::string mKeymap;
    std::string mDescription = "equal temperament, A4 = 440 Hz";
};

} // namespace quendra::plugin
