// The renderer's --freeze: on or off for the whole render ("1", "on"), or breakpoints that
// engage and release it over time ("2:1 6:0", times with units as elsewhere), off before the
// first. The host object
// has no freeze; see ProcessorSession. Allocates; throws ToolError (usage).
#pragma once

#include "AttributeTrack.h"

#include <string>

namespace quendra::renderer
{

inline constexpr const char* kFreezeName = "freeze";

AttributeTrack parseFreezeTrack(const std::string& text);

// True when freeze is engaged at some point of the track.
bool engagesFreeze(const AttributeTrack& track);

} // namespace quendra::renderer
