// Locating files and folders on the host's search path, creating folders, absolute paths and
// modification dates. Failures raise brindle::korin::error with the host-facing texts
// ("file not found", "can only create folders, not files", "no folder name provided",
// "error trying to create folder", "failed to get date modified"). Main thread; allocates.
#pragma once

#include "tessel/tessel_api.h"

#include <string>

namespace brindle::korin
{

enum class path_kind
{
    any,
    folder,
    external,
    audio
};

// A located item: its plain name, the id of the folder that holds it, its host file type.
struct path_record
{
    std::string name;
    short folder_id = 0;
    tessel_fourcc type = 0;
    bool is_folder = false;
};

// Searches the host's search path for `name` among the file types of `kind`. When nothing is
// found and `create` is set, a folder of that (absolute or relative) name is created.
path_record locate(const std::string& name, path_kind kind, bool create = false);

// Absolute file-system path of a located item.
std::string absolute_system_path(const path_record& item);

// Modification date of a located item (folder or file); never 0.
tessel_filedate modification_date(const path_record& item);

} // namespace brindle::korin
