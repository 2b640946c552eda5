#include "TuningFile.h"

#include <filesystem>
#include <fstream>
#include <optional>

namespace quendra::plugin::ui
{

namespace
{

// A Scala file is a few kilobytes; anything past this is not one.
constexpr std::streamsize kLargestTuningFile = 1 << 20;

// The file dialog names files in UTF-8, which Windows reads as its code page unless told.
std::filesystem::path utf8Path(const std::string& text)
{
#ifdef _WIN32
    return std::u8string(text.begin(), text.end());
#else
    return text;
#endif
}

std::optional<std::string> readSmallFile(const std::string& path)
{
    std::ifstream file(utf8Path(path), std::ios::binary);
    if (!file)
    {
        return std::nullopt;
    }
    std::string text(static_cast<std::size_t>(kLargestTuningFile) + 1, '\0');
    file.read(text.data(), kLargestTuningFile + 1);
    if (file.bad() || file.gcount() > kLargestTuningFile)
    {
        return std::nullopt;
    }
    text.resize(static_cast<std::size_t>(file.gcount()));
    return text;
}

std::string baseName(const std::string& path)
{
    const auto slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

TuningFileOutcome chooseTuningFile(TuningState& tuning, std::string_view key,
                                   const std::string& path)
{
    const std::string name = baseName(path);
    auto text = readSmallFile(path);
    if (!text)
    {
        return {false, {}, name + ": cannot be read as a Scala file"};
    }
    // The plugin's state carries texts, which end at a NUL.
    if (text->find('\0') != std::string::npos)
    {
        return {false, {}, name + ": not a text file"};
    }
    const auto result = tuning.replace(key, *text);
    if (!result.tuning)
    {
        return {false, {}, name + ": " + result.error};
    }
    return {true, std::move(*text), {}};
}

} // namespace quendra::plugin::ui
