// The chord options of the command line: --notes, --midi, --midi-channel, --tuning and
// --keymap. Throws ToolError (usage) for a bad value or a combination that makes no sense.
#pragma once

#include "CommandLine.h"

#include <functional>
#include <string>

namespace quendra::renderer
{

// True when `name` (normalised, without dashes) is a chord option; its value from `value`.
bool parseChordOption(RenderRequest& request, const std::string& name,
                      const std::function<std::string()>& value);
// Once the whole line is read.
void checkChordOptions(const RenderRequest& request);

} // namespace quendra::renderer
