// Parsing of the renderer's command line into a RenderRequest. Attribute settings are kept as
// written (name and value text, which may be a list of breakpoints); they are checked against
// what the class registered once the module is loaded. Factory presets are expanded here into
// the settings they stand for. Reads no files and loads no module. Throws ToolError (usage) on
// malformed input.
#pragma once

#include "AttributeTrack.h"

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
    std::string spelling;      // as the user wrote it, for messages
    bool missingValue = false; // the line ended before a value: told once the name is known
};

struct RenderRequest
{
    bool showHelp = false;
    bool showVersion = false;
    bool listAttributes = false;
    bool listPresets = false;
    bool demo = false;
    bool quiet = false;
    bool latencyCompensation = true;
    std::vector<std::string> inputPaths; // "-" is standard input
    std::string outputPath;              // "-" is standard output; "DIR/" a folder
    std::string modulePath;              // file or folder; empty: beside the executable
    long blockSize = 64;
    std::optional<std::uint32_t> seed;
    std::optional<double> tailSeconds;
    std::optional<double> normalizeDbfs;
    std::optional<double> limitDbfs; // --limit: the true-peak ceiling
    std::string bits;                // "16", "24", "32", "float"; empty: the format's default
    std::string type; // "wav", "flac", "aiff", "ogg"; empty: from the output's extension
    int jobs = 0;     // files rendered at once in a batch; 0: one per processor core
    std::vector<AttributeSetting> settings;
    std::optional<AttributeTrack> freeze; // --freeze: engaged and released over time
    // Chords: every note of --notes or of the MIDI file rings at once on its own harmonics.
    std::string notes;      // "SECONDS:NOTE+NOTE ... SECONDS:-"
    std::string midiPath;   // a Standard MIDI File
    int midiChannel = 0;    // 1 to 16; 0: every channel
    std::string tuningPath; // a Scala scale; empty: equal temperament, A4 = 440 Hz
    std::string keymapPath; // its keyboard mapping
    bool chords() const { return !notes.empty() || !midiPath.empty(); }

    // An output that names a folder ("DIR/", or an existing folder): each
    // input goes to the folder under its own name.
    bool batch() const;
};

inline constexpr long kMaxBlockSize = 65536;
inline constexpr double kDefaultNormalizeDbfs = -1.0;
inline constexpr double kDefaultLimitDbfs = -1.0;

RenderRequest parseCommandLine(const std::vector<std::string>& args);

// "hf-damp" -> "hf_damp".
std::string normaliseAttributeName(std::string name);

std::string usageText();
std::string versionText();

} // namespace quendra::renderer
