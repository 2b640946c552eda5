// The CLAP file hosts load: forwards the entry to the plugin build it opens from the support
// directory next to it (see InnerBuild.h). The builds are not named *.clap, so hosts scanning
// for plugins do not find them a second time.
#include "InnerBuild.h"

#include "clap/entry.h"

#include <cstdio>
#include <dlfcn.h>
#include <limits.h>

namespace
{

constexpr const char* kSupportDirectory = "Sorvell.clap.d/";

void* gLibrary = nullptr;
const clap_plugin_entry_t* gEntry = nullptr;

bool init(const char* pluginPath)
{
    if (gEntry != nullptr)
    {
        return true;
    }
    char directory[PATH_MAX];
    if (std::snprintf(directory, sizeof directory, "%s%s", quendra::plugin::loaderDirectory(),
                      kSupportDirectory) >= int(sizeof directory))
    {
        return false;
    }
    gLibrary = quendra::plugin::openInnerBuild(directory);
    if (gLibrary == nullptr)
    {
        return false;
    }
    const auto* const entry =
        static_cast<const clap_plugin_entry_t*>(dlsym(gLibrary, "clap_entry"));
    if (entry == nullptr || !clap_version_is_compatible(entry->clap_version) ||
        !entry->init(pluginPath))
    {
        dlclose(gLibrary);
        gLibrary = nullptr;
        return false;
    }
    gEntry = entry;
    return true;
}

void deinit()
{
    if (gEntry != nullptr)
    {
        gEntry->deinit();
        dlclose(gLibrary);
    }
    gEntry = nullptr;
    gLibrary = nullptr;
}

const void* getFactory(const char* factoryId)
{
    return gEntry != nullptr ? gEntry->get_factory(factoryId) : nullptr;
}

} // namespace

extern "C" __attribute__((visibility("default")))
const clap_plugin_entry_t clap_entry = {CLAP_VERSION, init, deinit, getFactory};
