// How the LV2 window, a binary of its own, reaches the running plugin's analysis feed: the
// plugin answers this extension-data URI with a function from its instance handle to its feed.
// A host that offers the window instance access and data access passes both; elsewhere the
// window shows no live spectra.
#pragma once

#include "AnalysisFeed.h"

#include "lv2/lv2.h"

namespace quendra::plugin
{

inline constexpr const char* kLv2AnalysisAccessUri = "urn:quendra:sorvell#analysis-feed";

struct Lv2AnalysisAccess
{
    const AnalysisFeed* (*feed)(LV2_Handle instance);
};

} // namespace quendra::plugin
