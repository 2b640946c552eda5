// The LV2 window's descriptor: the framework's, with an instantiation that first looks for the
// host's instance access and data access and, through them, the plugin's analysis feed (see
// Lv2AnalysisAccess.h), which the window picks up while it is being constructed. The
// framework's own descriptor function is renamed at its compilation
// (framework_lv2ui_descriptor) so that this one is the exported lv2ui_descriptor.
#include "Lv2WindowAccess.h"
#include "Lv2AnalysisAccess.h"

#include "lv2/data-access.h"
#include "lv2/instance-access.h"
#include "lv2/ui.h"

#include <cstring>

extern "C" const LV2UI_Descriptor* framework_lv2ui_descriptor(uint32_t index);

namespace
{

using quendra::plugin::AnalysisFeed;

const LV2UI_Descriptor* gFramework = nullptr;
thread_local const AnalysisFeed* tInstantiatingFeed = nullptr;

const AnalysisFeed* feedFromHost(const LV2_Feature* const* features)
{
    LV2_Handle instance = nullptr;
    const LV2_Extension_Data_Feature* data = nullptr;
    for (int i = 0; features != nullptr && features[i] != nullptr; ++i)
    {
        if (std::strcmp(features[i]->URI, LV2_INSTANCE_ACCESS_URI) == 0)
        {
            instance = features[i]->data;
        }
        else if (std::strcmp(features[i]->URI, LV2_DATA_ACCESS_URI) == 0)
        {
            data = static_cast<const LV2_Extension_Data_Feature*>(features[i]->data);
        }
    }
    if (instance == nullptr || data == nullptr || data->data_access == nullptr)
    {
        return nullptr;
    }
    const auto* const access = static_cast<const quendra::plugin::Lv2AnalysisAccess*>(
        data->data_access(quendra::plugin::kLv2AnalysisAccessUri));
    return access != nullptr ? access->feed(instance) : nullptr;
}

LV2UI_Handle instantiate(const LV2UI_Descriptor* descriptor, const char* pluginUri,
                         const char* bundlePath, LV2UI_Write_Function writeFunction,
                         LV2UI_Controller controller, LV2UI_Widget* widget,
                         const LV2_Feature* const* features)
{
    tInstantiatingFeed = feedFromHost(features);
    const LV2UI_Handle window = gFramework->instantiate(
        descriptor, pluginUri, bundlePath, writeFunction, controller, widget, features);
    tInstantiatingFeed = nullptr;
    return window;
}

} // namespace

namespace quendra::plugin
{

const AnalysisFeed* lv2InstantiatingFeed() noexcept
{
    return tInstantiatingFeed;
}

} // namespace quendra::plugin

extern "C" __attribute__((visibility("default"))) const LV2UI_Descriptor*
lv2ui_descriptor(uint32_t index)
{
    static const LV2UI_Descriptor descriptor = []
    {
        gFramework = framework_lv2ui_descriptor(0);
        LV2UI_Descriptor wrapped = *gFramework;
        wrapped.instantiate = instantiate;
        return wrapped;
    }();
    return index == 0 ? &descriptor : nullptr;
}
