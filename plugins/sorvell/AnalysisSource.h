// The side of the plugin instance a window in the same process may reach: the feed its audio
// thread publishes.
#pragma once

#include "AnalysisFeed.h"

namespace quendra::plugin
{

class AnalysisSource
{
public:
    virtual const AnalysisFeed& analysisFeed() const noexcept = 0;

protected:
    ~AnalysisSource() = default;
};

} // namespace quendra::plugin
