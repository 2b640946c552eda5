#include "tessel/host/SharedLibrary.h"

#include <windows.h>

namespace tessel::host
{

const char* const kSharedLibraryExtension = ".dll";

void* openSharedLibrary(const std::filesystem::path& file, std::string& reason)
{
    // The library's own folder is searched for the libraries it needs, as a host would; that
    // search takes an absolute path.
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(file, error);
    HMODULE const library =
        ::LoadLibraryExW((error ? file : absolute).c_str(), nullptr,
                         LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
    if (library == nullptr)
    {
        const DWORD code = ::GetLastError();
        char text[256] = {};
        const DWORD length =
            ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                             code, 0, text, sizeof text, nullptr);
        reason = length > 0 ? std::string(text, length) : "error " + std::to_string(code);
        while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r'))
        {
            reason.pop_back();
        }
    }
    return library;
}

void* sharedLibrarySymbol(void* library, const char* name)
{
    return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(library), name));
}

void closeSharedLibrary(void* library)
{
    ::FreeLibrary(static_cast<HMODULE>(library));
}

} // namespace tessel::host
