#include "InstanceAccess.h"

#include "AnalysisSource.h"
#include "DistrhoPlugin.hpp"

#if defined(DISTRHO_PLUGIN_TARGET_LV2) && !DISTRHO_PLUGIN_WANT_DIRECT_ACCESS
#include "Lv2WindowAccess.h"
#endif

START_NAMESPACE_DISTRHO

const quendra::plugin::AnalysisFeed* analysisFeedOf([[maybe_unused]] UI& ui) noexcept
{
#if DISTRHO_PLUGIN_WANT_DIRECT_ACCESS
    auto* const plugin = static_cast<Plugin*>(ui.getPluginInstancePointer());
    const auto* const source = dynamic_cast<const quendra::plugin::AnalysisSource*>(plugin);
    return source != nullptr ? &source->analysisFeed() : nullptr;
#elif defined(DISTRHO_PLUGIN_TARGET_LV2)
    // Asked while the window is constructed, inside the LV2 instantiation that found the feed.
    return quendra::plugin::lv2InstantiatingFeed();
#else
    return nullptr;
#endif
}

END_NAMESPACE_DISTRHO
