// Parsing of the renderer's command line into a RenderRequest. Attribute settings are kept as
// written (name and value text); they are checked against what the class registered once the
// module is loaded. Pure: no files, no host. Throws ToolError (usage) on malformed input.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quendra::renderer
{

// One "--name value" or "@name value" from the command line, name already normalised
// (dashes inside the name become underscores).
struct AttributeSetting
{
    std::string name;
    std::string value;
    std::string spelling; // as the user wrote it, for messages
};

struct RenderRequest
{
    bool showHelp = false;
    bool listAttributes = false;
    bool demo = false;
    bool quiet = false;
    bool latencyCompensation = true;
    std::string inputPath;
    std::string outputPath;
    std::string modulePath; // file or folder; empty: next to the executable
    long blockSize = 64;
    std::optional<std::uint32_t> seed;
    std::optional<double> tailSeconds;
    std::vector<AttributeSetting> settings;
};

inline constexpr long kMaxBlockSize = 65536;

RenderRequest parseCommandLine(const std::vector<std::string>& args);

// "hf-damp" -> "hf_damp".
std::string normaliseAttributeName(std::string name);

std::string usageText();

} // namespace quendra::renderer
