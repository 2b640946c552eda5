// A tuning file the window's chooser picked: read, tried against the tuning the plugin keeps,
// and either the text to hand to the plugin or the one line that says why not (with the file's
// name). Off the audio thread (the window's).
#pragma once

#include "TuningState.h"

#include <string>
#include <string_view>

namespace quendra::plugin::ui
{

struct TuningFileOutcome
{
    bool accepted = false;
    std::string text;  // the file's text, when accepted
    std::string error; // one line, when not
};

// key: kTuningScaleKey or kTuningKeymapKey. On success `tuning` holds the new text too.
TuningFileOutcome chooseTuningFile(TuningState& tuning, std::string_view key,
                                   const std::string& path);

} // namespace quendra::plugin::ui
