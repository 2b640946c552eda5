// Path texts are UTF-8 on every system: the host's folder texts, the renderer's arguments and
// messages, a plugin's file names. std::filesystem::path reads and writes a narrow string in
// the system's code page on Windows (and two different ones at that), so text becomes a path,
// and a path text, only through these two; elsewhere they are the plain narrow conversions.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace tessel::host
{

inline std::filesystem::path pathFromUtf8(std::string_view text)
{
#ifdef _WIN32
    return std::filesystem::path(
        std::u8string_view(reinterpret_cast<const char8_t*>(text.data()), text.size()));
#else
    return std::filesystem::path(text);
#endif
}

inline std::string utf8FromPath(const std::filesystem::path& path)
{
#ifdef _WIN32
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
#else
    return path.string();
#endif
}

// The same with '/' between names, as the host's folder texts have them.
inline std::string genericUtf8FromPath(const std::filesystem::path& path)
{
#ifdef _WIN32
    const std::u8string text = path.generic_u8string();
    return std::string(text.begin(), text.end());
#else
    return path.generic_string();
#endif
}

} // namespace tessel::host
