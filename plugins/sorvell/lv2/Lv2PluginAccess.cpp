// The LV2 plugin's descriptor: the framework's, with the analysis feed added to its extension
// data (see Lv2AnalysisAccess.h). The framework's own descriptor function is renamed at its
// compilation (framework_lv2_descriptor) so that this one is the exported lv2_descriptor.
#include "Lv2AnalysisAccess.h"

#include <cstring>
#include <mutex>
#include <utility>
#include <vector>

extern "C" const LV2_Descriptor* framework_lv2_descriptor(uint32_t index);

namespace
{

using quendra::plugin::AnalysisFeed;

const LV2_Descriptor* gFramework = nullptr;

// The feeds of the live instances. Touched on instantiation, cleanup and by a window opening,
// never by the audio thread.
std::mutex gMutex;
std::vector<std::pair<LV2_Handle, const AnalysisFeed*>> gFeeds;

LV2_Handle instantiate(const LV2_Descriptor* descriptor, double rate, const char* bundlePath,
                       const LV2_Feature* const* features)
{
    const LV2_Handle instance = gFramework->instantiate(descriptor, rate, bundlePath, features);
    const AnalysisFeed* const feed = AnalysisFeed::lastConstructedOnThisThread();
    if (instance != nullptr && feed != nullptr)
    {
        const std::lock_guard lock(gMutex);
        gFeeds.emplace_back(instance, feed);
    }
    return instance;
}

void cleanup(LV2_Handle instance)
{
    {
        const std::lock_guard lock(gMutex);
        std::erase_if(gFeeds, [instance](const auto& entry) { return entry.first == instance; });
    }
    gFramework->cleanup(instance);
}

const AnalysisFeed* feedOf(LV2_Handle instance)
{
    const std::lock_guard lock(gMutex);
    for (const auto& [handle, feed] : gFeeds)
    {
        if (handle == instance)
        {
            return feed;
        }
    }
    return nullptr;
}

const void* extensionData(const char* uri)
{
    static const quendra::plugin::Lv2AnalysisAccess access{feedOf};
    if (std::strcmp(uri, quendra::plugin::kLv2AnalysisAccessUri) == 0)
    {
        return &access;
    }
    return gFramework->extension_data(uri);
}

} // namespace

extern "C" __attribute__((visibility("default"))) const LV2_Descriptor*
lv2_descriptor(uint32_t index)
{
    static const LV2_Descriptor descriptor = []
    {
        gFramework = framework_lv2_descriptor(0);
        LV2_Descriptor wrapped = *gFramework;
        wrapped.instantiate = instantiate;
        wrapped.cleanup = cleanup;
        wrapped.extension_data = extensionData;
        return wrapped;
    }();
    return index == 0 ? &descriptor : nullptr;
}
