#include "tessel/host/SharedLibrary.h"

#include <dlfcn.h>

namespace tessel::host
{

const char* const kSharedLibraryExtension = ".so";

void* openSharedLibrary(const std::filesystem::path& file, std::string& reason)
{
    void* const library = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr)
    {
        const char* const error = ::dlerror();
        reason = error != nullptr ? error : "unknown error";
    }
    return library;
}

void* sharedLibrarySymbol(void* library, const char* name)
{
    return ::dlsym(library, name);
}

void closeSharedLibrary(void* library)
{
    ::dlclose(library);
}

} // namespace tessel::host
