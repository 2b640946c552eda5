// The --list-presets text: every factory preset with its description and settings.
// Allocates.
#pragma once

#include <string>

namespace quendra::renderer
{

std::string presetListing();

} // namespace quendra::renderer
