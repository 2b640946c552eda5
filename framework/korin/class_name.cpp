#include "class_name.h"

namespace brindle::korin
{

std::string class_name_from_source_path(std::string_view source_path,
                                        std::string_view source_extension)
{
    std::string_view file = source_path;
    if (const auto slash = file.rfind('/'); slash != std::string_view::npos)
    {
        file = file.substr(slash + 1);
    }
    else if (const auto backslash = file.rfind('\\'); backslash != std::string_view::npos)
    {
        file = file.substr(backslash + 1);
    }

    const std::string tilde_marker = std::string("_tilde") + std::string(source_extension);
    if (const auto tilde = file.find(tilde_marker); tilde != std::string_view::npos)
    {
        return std::string(file.substr(0, tilde)) + "~";
    }
    if (const auto dot = file.rfind('.');
        dot != std::string_view::npos && file.substr(dot) == source_extension)
    {
        return std::string(file.substr(0, dot));
    }
    return std::string(file);
}

} // namespace brindle::korin
