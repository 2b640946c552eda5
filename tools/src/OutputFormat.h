// Chooses the output file format: the container from --type or else the output's extension
// (WAV, FLAC, AIFF, Ogg Vorbis), the sample format from --bits or else the container's
// default (WAV 32-bit float, FLAC and AIFF 24-bit). Pure; throws ToolError (usage) for what cannot
// be written.
#pragma once

#include <optional>
#include <string>

namespace quendra::renderer
{

struct OutputFormat
{
    int sndfile = 0;          // a libsndfile format word (container | sample encoding)
    std::string name;         // "WAV", "FLAC", "AIFF", "Ogg Vorbis", for messages
    bool integer = false;     // integer samples: values beyond full scale clip
    bool isOgg = false;       // its stream serial number is chosen by the writer
    double maxSampleRate = 0; // the encoder's own limit (0: none beyond libsndfile's check)
};

// `type` and `bits` as parsed from the command line (empty when not given).
OutputFormat chooseOutputFormat(const std::string& path, const std::string& type,
                                const std::string& bits);

// True when the format can hold stereo audio at this rate.
bool formatHolds(const OutputFormat& format, int sampleRate);

// "WAV, FLAC and AIFF": the formats (at their default sample formats) that can hold stereo
// audio at this rate.
std::string formatsHolding(int sampleRate);

// "wav", "flac", "aiff" or "ogg" for an output path with one of their extensions.
std::optional<std::string> typeOfExtension(const std::string& path);

// ".wav", ".flac", ".aiff", ".ogg" for a --type value.
std::string extensionForType(const std::string& type);

} // namespace quendra::renderer
