#include "InnerBuild.h"

#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <limits.h>

namespace quendra::plugin
{

namespace
{

void* openIn(const char* directory, const char* name, int flags) noexcept
{
    char path[PATH_MAX];
    if (std::snprintf(path, sizeof path, "%s%s", directory, name) >= int(sizeof path))
    {
        return nullptr;
    }
    return dlopen(path, RTLD_NOW | RTLD_LOCAL | flags);
}

} // namespace

void* openInnerBuild(const char* directory) noexcept
{
    // The windowed build stays loaded once opened: unloading it would unload the display
    // libraries it brought in, whose caches live as long as the process.
    if (void* const build = openIn(directory, kBuildWithWindow, RTLD_NODELETE))
    {
        return build;
    }
    // The next dlopen() overwrites the dynamic linker's message.
    char reason[512];
    const char* const error = dlerror();
    std::snprintf(reason, sizeof reason, "%s", error != nullptr ? error : "not found");
    void* const build = openIn(directory, kBuildWithoutWindow, 0);
    if (build != nullptr)
    {
        std::fprintf(stderr, "Sorvell: no window (%s); loaded the build without it\n", reason);
    }
    else
    {
        const char* const second = dlerror();
        std::fprintf(stderr, "Sorvell: cannot load the plugin: %s; %s\n", reason,
                     second != nullptr ? second : "not found");
    }
    return build;
}

const char* loaderDirectory() noexcept
{
    static char directory[PATH_MAX] = {};
    Dl_info info{};
    if (dladdr(reinterpret_cast<const void*>(&loaderDirectory), &info) == 0 ||
        info.dli_fname == nullptr)
    {
        return "";
    }
    const char* const slash = std::strrchr(info.dli_fname, '/');
    if (slash == nullptr)
    {
        return "./";
    }
    const std::size_t length = std::size_t(slash - info.dli_fname) + 1;
    if (length >= sizeof directory)
    {
        return "";
    }
    std::memcpy(directory, info.dli_fname, length);
    directory[length] = '\0';
    return directory;
}

} // namespace quendra::plugin
