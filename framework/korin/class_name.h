// Host class name from the path of a class's source file: "quendra.device.sorvell_tilde.cpp"
// names the class "quendra.device.sorvell~". Pure string work; allocates the result only.
#pragma once

#include <string>
#include <string_view>

namespace brindle::korin
{

// Takes the file name (after the last '/', else after the last '\\'); "<stem>_tilde<ext>" gives
// "<stem>~"; otherwise a trailing source extension is dropped; otherwise the file name is kept.
std::string class_name_from_source_path(std::string_view source_path,
                                        std::string_view source_extension = ".cpp");

} // namespace brindle::korin
