// Finds the module file of the class: a path given by the user (file or folder), else
// ../package/externals/ beside the renderer's own executable, else the folder the build put
// it in. Throws ToolError with every place it looked when there is none. Allocates.
#pragma once

#include <filesystem>
#include <string>

namespace quendra::renderer
{

inline constexpr const char* kClassName = "quendra.device.sorvell~";

std::filesystem::path locateModule(const std::string& userPath);

} // namespace quendra::renderer
