// What drives a chord render, from the command line: the timeline of --notes or --midi (with
// --midi-channel) and the tuning of --tuning and --keymap (equal temperament without them).
// Reads the files named; a file that cannot be read or understood is a ToolError of one line.
#pragma once

#include "CommandLine.h"
#include "TimedMidi.h"

#include <quendra/dsp/ScalaTuning.h>

namespace quendra::renderer
{

MidiTimeline chordTimeline(const RenderRequest& request);
dravel::vantor::ScalaTuning chordTuning(const RenderRequest& request);

} // namespace quendra::renderer
