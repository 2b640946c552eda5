#include "TuningFile.h"

#include <fstream>
#include <optional>

namespace quendra::plugin::ui
{

namespace
{

// A Scala file is a few kilobytes; anything past this is not one.
constexpr std::streamsize kLargestTuningFile = 1 << 20;

std::optional<std::string> readSmallFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
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
