// Paths.cpp - the search path, path ids for folders, locating files by name and type,
// folder creation, absolute paths and modification dates, all on the real file system.
#include "HostState.h"

#include "tessel/host/SharedLibrary.h"
#include "tessel/host/Utf8Path.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace fs = std::filesystem;
using namespace tessel::host;

// Every text here is UTF-8 (see Utf8Path.h): a path is made from one, or one from a path, only
// through pathFromUtf8 and utf8FromPath.

namespace
{

// Absolute, lexically normal, '/' between names on every system (Windows takes it too), without
// a trailing separator (except the root's: "/", "C:/").
std::string normalFolderText(const fs::path& folder)
{
    std::error_code error;
    fs::path absolute = fs::absolute(folder, error);
    if (error)
        absolute = folder;
    std::string text = genericUtf8FromPath(absolute.lexically_normal());
    while (text.size() > 1 && text.back() == '/' && text[text.size() - 2] != ':')
        text.pop_back();
    return text;
}

short folderId(const fs::path& folder)
{
    const std::string text = normalFolderText(folder);
    auto& state = hostState();
    const std::lock_guard lock(state.pathMutex);
    if (auto it = state.folderIds.find(text); it != state.folderIds.end())
        return it->second;
    if (state.folders.size() >= 32767)
        return 0;
    state.folders.push_back(text);
    const auto id = static_cast<short>(state.folders.size());
    state.folderIds.emplace(text, id);
    return id;
}

std::optional<fs::path> folderOf(short id)
{
    auto& state = hostState();
    const std::lock_guard lock(state.pathMutex);
    if (id < 1 || static_cast<std::size_t>(id) > state.folders.size())
        return std::nullopt;
    return pathFromUtf8(state.folders[static_cast<std::size_t>(id) - 1]);
}

bool endsWith(std::string_view text, std::string_view suffix)
{
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

tessel_fourcc typeOfFile(const fs::path& file)
{
    std::error_code error;
    if (fs::is_directory(file, error))
        return TESSEL_FILETYPE_FOLDER;
    std::string extension = utf8FromPath(file.extension());
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension == kSharedLibraryExtension)
        return TESSEL_FILETYPE_MODULE;
    if (extension == ".wav" || extension == ".wave")
        return TESSEL_FILETYPE_WAVE;
    if (extension == ".aif" || extension == ".aiff")
        return TESSEL_FILETYPE_AIFF;
    if (extension == ".flac")
        return TESSEL_FILETYPE_FLAC;
    if (extension == ".mp3")
        return TESSEL_FILETYPE_MP3;
    if (extension == ".m4a")
        return TESSEL_FILETYPE_M4A;
    if (extension == ".caf")
        return TESSEL_FILETYPE_CAF;
    return 0;
}

bool accepts(const tessel_fourcc* typelist, short numtypes, tessel_fourcc type)
{
    if (numtypes <= 0 || !typelist)
        return true;
    return std::find(typelist, typelist + numtypes, type) != typelist + numtypes;
}

// The candidate file or folder if it exists with an accepted type.
std::optional<std::pair<fs::path, tessel_fourcc>>
match(const fs::path& candidate, const tessel_fourcc* typelist, short numtypes)
{
    std::error_code error;
    if (fs::exists(candidate, error))
    {
        const tessel_fourcc type = typeOfFile(candidate);
        if (accepts(typelist, numtypes, type))
            return std::make_pair(candidate, type);
    }
    // A module file is also found by its name without the extension.
    const std::string text = utf8FromPath(candidate);
    if (accepts(typelist, numtypes, TESSEL_FILETYPE_MODULE) && numtypes > 0 &&
        !endsWith(text, kSharedLibraryExtension))
    {
        const fs::path module = pathFromUtf8(text + kSharedLibraryExtension);
        if (fs::is_regular_file(module, error))
            return std::make_pair(module, TESSEL_FILETYPE_MODULE);
    }
    return std::nullopt;
}

bool copyText(const std::string& text, char* destination)
{
    if (text.size() >= TESSEL_PATH_MAX)
        return false;
    std::memcpy(destination, text.c_str(), text.size() + 1);
    return true;
}

short dateOf(const fs::path& item, tessel_filedate* date)
{
    std::error_code error;
    const auto written = fs::last_write_time(item, error);
    if (!date || error)
        return 1;
    // Nanoseconds since 1970 (file times have their own epoch).
    const auto since1970 = std::chrono::file_clock::to_sys(written).time_since_epoch();
    const tessel_filedate nanoseconds = static_cast<tessel_filedate>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(since1970).count());
    if (nanoseconds == 0)
        return 1;
    *date = nanoseconds;
    return 0;
}

} // namespace

extern "C" short locatefile_extended(char* name, short* outpath, tessel_fourcc* outtype,
                                     const tessel_fourcc* typelist, short numtypes)
{
    if (!name || !*name)
        return 1;
    const std::string wanted(name);
    std::optional<std::pair<fs::path, tessel_fourcc>> found;
    if (wanted.find('/') != std::string::npos)
    {
        found = match(pathFromUtf8(normalFolderText(pathFromUtf8(wanted))), typelist, numtypes);
    }
    else
    {
        std::vector<fs::path> folders;
        {
            const std::lock_guard lock(hostState().pathMutex);
            folders = hostState().searchPath;
        }
        for (const fs::path& folder : folders)
            if ((found = match(folder / pathFromUtf8(wanted), typelist, numtypes)))
                break;
    }
    if (!found)
        return 1;
    const short id = folderId(found->first.parent_path());
    if (id == 0 || !copyText(utf8FromPath(found->first.filename()), name))
        return 1;
    if (outpath)
        *outpath = id;
    if (outtype)
        *outtype = found->second;
    return 0;
}

extern "C" short path_nameconform(const char* src, char* dst, long style)
{
    if (!src || !dst)
        return 1;
    std::string text(src);
    std::replace(text.begin(), text.end(), '\\', '/');
    if (style == TESSEL_PATH_STYLE_ABSOLUTE && !text.empty())
        text = normalFolderText(pathFromUtf8(text));
    while (text.size() > 1 && text.back() == '/')
        text.pop_back();
    return copyText(text, dst) ? 0 : 1;
}

extern "C" short path_frompathname(const char* name, short* path, char* filename)
{
    if (!name || !*name || !path)
        return 1;
    const fs::path item = pathFromUtf8(normalFolderText(pathFromUtf8(name)));
    std::error_code error;
    if (fs::is_directory(item, error))
    {
        *path = folderId(item);
        if (filename)
            filename[0] = '\0';
        return *path ? 0 : 1;
    }
    if (!fs::is_directory(item.parent_path(), error))
        return 1;
    if (filename && !copyText(utf8FromPath(item.filename()), filename))
        return 1;
    *path = folderId(item.parent_path());
    return *path ? 0 : 1;
}

extern "C" short path_createfolder(short path, const char* name, short* newpath)
{
    const auto parent = folderOf(path);
    if (!parent || !name || !*name || std::strchr(name, '/'))
        return 1;
    const fs::path folder = *parent / pathFromUtf8(name);
    std::error_code error;
    fs::create_directory(folder, error);
    if (error || !fs::is_directory(folder, error))
        return 1;
    const short id = folderId(folder);
    if (id == 0)
        return 1;
    if (newpath)
        *newpath = id;
    return 0;
}

extern "C" short path_toabsolutesystempath(short path, const char* filename, char* dst)
{
    const auto folder = folderOf(path);
    if (!folder || !dst)
        return 1;
    const std::string text = (filename && *filename)
                                 ? utf8FromPath(*folder / pathFromUtf8(filename))
                                 : utf8FromPath(*folder);
    return copyText(text, dst) ? 0 : 1;
}

extern "C" short path_getfilemoddate(const char* filename, short path, tessel_filedate* date)
{
    const auto folder = folderOf(path);
    if (!folder || !filename || !*filename)
        return 1;
    return dateOf(*folder / pathFromUtf8(filename), date);
}

extern "C" short path_getmoddate(short path, tessel_filedate* date)
{
    const auto folder = folderOf(path);
    if (!folder)
        return 1;
    return dateOf(*folder, date);
}
