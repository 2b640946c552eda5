#include "InstanceAccess.h"

#include "AnalysisSource.h"
#include "DistrhoPlugin.hpp"

START_NAMESPACE_DISTRHO

const quendra::plugin::AnalysisFeed* analysisFeedOf([[maybe_unused]] UI& ui) noexcept
{
#if DISTRHO_PLUGIN_WANT_DIRECT_ACCESS
    auto* const plugin = static_cast<Plugin*>(ui.getPluginInstancePointer());
    const auto* const source = dynamic_cast<const quendra::plugin::AnalysisSource*>(plugin);
    return source != nullptr ? &source->analysisFeed() : nullptr;
#else
    return nullptr;
#endif
}

END_NAMESPACE_DISTRHO
