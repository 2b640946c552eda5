// The plugin's analysis feed, offered by the host to the LV2 window being constructed on this
// thread; null outside that construction or when the host offers no instance access.
#pragma once

#include "AnalysisFeed.h"

namespace quendra::plugin
{

const AnalysisFeed* lv2InstantiatingFeed() noexcept;

} // namespace quendra::plugin
