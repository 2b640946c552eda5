// The VST3 module hosts load: forwards the three module entry points to the plugin build it
// opens from its own directory (see InnerBuild.h).
#include "InnerBuild.h"

#include <dlfcn.h>

namespace
{

using ModuleEntryFunction = bool (*)(void*);
using ModuleExitFunction = bool (*)();
using FactoryFunction = const void* (*)();

struct Vst3Build
{
    void* library = nullptr;
    ModuleEntryFunction entry = nullptr;
    ModuleExitFunction exit = nullptr;
    FactoryFunction factory = nullptr;
    bool entered = false;
};

Vst3Build gBuild;

template <typename Function>
Function symbol(void* library, const char* name) noexcept
{
    return reinterpret_cast<Function>(dlsym(library, name));
}

// Opens the build and runs its entry once; some hosts ask for the factory without the entry,
// which the build needs to set its class ids.
bool enter() noexcept
{
    if (gBuild.entered)
    {
        return true;
    }
    if (gBuild.library == nullptr)
    {
        gBuild.library = quendra::plugin::openInnerBuild(quendra::plugin::loaderDirectory());
        if (gBuild.library == nullptr)
        {
            return false;
        }
        gBuild.entry = symbol<ModuleEntryFunction>(gBuild.library, "ModuleEntry");
        gBuild.exit = symbol<ModuleExitFunction>(gBuild.library, "ModuleExit");
        gBuild.factory = symbol<FactoryFunction>(gBuild.library, "GetPluginFactory");
    }
    if (gBuild.entry == nullptr || gBuild.factory == nullptr)
    {
        return false;
    }
    gBuild.entered = gBuild.entry(gBuild.library);
    return gBuild.entered;
}

} // namespace

extern "C"
{

    __attribute__((visibility("default"))) bool ModuleEntry(void*)
    {
        return enter();
    }

    __attribute__((visibility("default"))) bool ModuleExit()
    {
        const bool exited = !gBuild.entered || gBuild.exit == nullptr || gBuild.exit();
        if (gBuild.library != nullptr)
        {
            dlclose(gBuild.library);
        }
        gBuild = Vst3Build{};
        return exited;
    }

    __attribute__((visibility("default"))) const void* GetPluginFactory()
    {
        return enter() ? gBuild.factory() : nullptr;
    }

} // extern "C"
