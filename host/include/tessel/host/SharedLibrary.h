// Opening a shared library (a module, a plugin binary) and finding its symbols, the same way
// on every system: dlopen on POSIX (SharedLibrary_posix.cpp), LoadLibrary on Windows
// (SharedLibrary_windows.cpp). Symbols are bound at open; the library's symbols stay private
// to it.
#pragma once

#include <filesystem>
#include <string>

namespace tessel::host
{

// How a loadable module's file name ends on this system: ".so", ".dll".
extern const char* const kSharedLibraryExtension;

// The library's handle, or null with `reason` set to why it did not open.
void* openSharedLibrary(const std::filesystem::path& file, std::string& reason);

// The address of an exported symbol, or null.
void* sharedLibrarySymbol(void* library, const char* name);

void closeSharedLibrary(void* library);

} // namespace tessel::host
