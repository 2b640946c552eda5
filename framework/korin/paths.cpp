#include "paths.h"

#include "error.h"

#include <array>
#include <vector>

namespace brindle::korin
{

namespace
{

std::vector<tessel_fourcc> file_types_of(path_kind kind)
{
    switch (kind)
    {
    case path_kind::folder:
        return {TESSEL_FILETYPE_FOLDER};
    case path_kind::external:
        return {TESSEL_FILETYPE_MODULE};
    case path_kind::audio:
        return {TESSEL_FILETYPE_WAVE, TESSEL_FILETYPE_AIFF, TESSEL_FILETYPE_FLAC,
                TESSEL_FILETYPE_MP3,  TESSEL_FILETYPE_M4A,  TESSEL_FILETYPE_CAF};
    case path_kind::any:
        break;
    }
    return {};
}

path_record create_folder(const std::string& name)
{
    std::array<char, TESSEL_PATH_MAX> conformed{};
    if (path_nameconform(name.c_str(), conformed.data(), TESSEL_PATH_STYLE_ABSOLUTE) != 0)
    {
        throw error("error trying to create folder");
    }
    const std::string absolute(conformed.data());
    const auto slash = absolute.rfind('/');
    if (slash == std::string::npos)
    {
        throw error("no folder name provided");
    }
    const std::string parent = slash == 0 ? std::string("/") : absolute.substr(0, slash);
    const std::string folder_name = absolute.substr(slash + 1);

    short parent_id = 0;
    std::array<char, TESSEL_PATH_MAX> rest{};
    short created_id = 0;
    if (folder_name.empty() || path_frompathname(parent.c_str(), &parent_id, rest.data()) != 0 ||
        rest[0] != '\0' || path_createfolder(parent_id, folder_name.c_str(), &created_id) != 0)
    {
        throw error("error trying to create folder");
    }
    return path_record{folder_name, parent_id, TESSEL_FILETYPE_FOLDER, true};
}

} // namespace

path_record locate(const std::string& name, path_kind kind, bool create)
{
    const auto types = file_types_of(kind);
    std::array<char, TESSEL_PATH_MAX> found{};
    if (name.size() >= found.size())
    {
        throw error("file not found");
    }
    name.copy(found.data(), name.size());

    short folder_id = 0;
    tessel_fourcc type = 0;
    if (locatefile_extended(found.data(), &folder_id, &type, types.data(),
                            static_cast<short>(types.size())) == 0)
    {
        return path_record{std::string(found.data()), folder_id, type,
                           type == TESSEL_FILETYPE_FOLDER};
    }
    if (!create)
    {
        throw error("file not found");
    }
    if (kind != path_kind::folder)
    {
        throw error("can only create folders, not files");
    }
    return create_folder(name);
}

std::string absolute_system_path(const path_record& item)
{
    std::array<char, TESSEL_PATH_MAX> absolute{};
    if (path_toabsolutesystempath(item.folder_id, item.name.c_str(), absolute.data()) != 0)
    {
        throw error("failed to get absolute path");
    }
    return std::string(absolute.data());
}

tessel_filedate modification_date(const path_record& item)
{
    tessel_filedate date = 0;
    short failed = 0;
    if (item.is_folder)
    {
        std::array<char, TESSEL_PATH_MAX> ignored{};
        short own_id = 0;
        const std::string path = absolute_system_path(item);
        failed = path_frompathname(path.c_str(), &own_id, ignored.data());
        if (failed == 0)
        {
            failed = path_getmoddate(own_id, &date);
        }
    }
    else
    {
        failed = path_getfilemoddate(item.name.c_str(), item.folder_id, &date);
    }
    if (failed != 0 || date == 0)
    {
        throw error("failed to get date modified");
    }
    return date;
}

} // namespace brindle::korin
