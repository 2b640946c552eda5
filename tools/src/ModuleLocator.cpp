#include "ModuleLocator.h"

#include "ToolError.h"
#include "platform/System.h"

#include <tessel/host/Utf8Path.h>

#include <algorithm>
#include <vector>

#ifndef SORVELL_MODULE_DIR
#define SORVELL_MODULE_DIR ""
#endif

namespace quendra::renderer
{

namespace
{

#ifdef _WIN32
const std::string kModuleFile = std::string(kClassName) + ".dll";
#else
const std::string kModuleFile = std::string(kClassName) + ".so";
#endif

std::filesystem::path executableFolder()
{
    return platform::executablePath().parent_path();
}

} // namespace

std::filesystem::path locateModule(const std::string& userPath)
{
    std::error_code error;
    if (!userPath.empty())
    {
        auto candidate = tessel::host::pathFromUtf8(userPath);
        if (std::filesystem::is_directory(candidate, error))
        {
            candidate /= kModuleFile;
        }
        if (!std::filesystem::is_regular_file(candidate, error))
        {
            throw ToolError("cannot find the module file '" +
                            tessel::host::utf8FromPath(candidate) + "'");
        }
        return std::filesystem::absolute(candidate, error);
    }

    // Installed: PREFIX/bin/sorvell and PREFIX/lib/sorvell/externals/; in the build tree:
    // tools/sorvell and package/externals/; unpacked on Windows: externals/ beside sorvell.exe.
    std::vector<std::filesystem::path> places;
    if (const auto folder = executableFolder(); !folder.empty())
    {
        places.push_back((folder / ".." / "lib" / "sorvell" / "externals").lexically_normal());
        places.push_back((folder / ".." / "package" / "externals").lexically_normal());
        places.push_back(folder / "externals");
    }
    if (const std::filesystem::path built = SORVELL_MODULE_DIR;
        !built.empty() &&
        std::find(places.begin(), places.end(), built.lexically_normal()) == places.end())
    {
        places.push_back(built);
    }

    std::string looked;
    for (const auto& place : places)
    {
        const auto candidate = place / kModuleFile;
        if (std::filesystem::is_regular_file(candidate, error))
        {
            return candidate;
        }
        looked += (looked.empty() ? "" : ", ") + tessel::host::utf8FromPath(place);
    }
    throw ToolError("cannot find the module file " + kModuleFile + " (looked in " + looked +
                    "); build it or pass --module PATH");
}

} // namespace quendra::renderer
