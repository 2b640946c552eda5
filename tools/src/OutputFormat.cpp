#include "OutputFormat.h"

#include "ToolError.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <sndfile.h>

namespace quendra::renderer
{

int outputFormatFor(const std::string& path)
{
    std::string extension = std::filesystem::path(path).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });

    if (extension == ".wav" || extension == ".wave")
    {
        return SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    }
    if (extension == ".flac")
    {
        return SF_FORMAT_FLAC | SF_FORMAT_PCM_24;
    }
    if (extension == ".aif" || extension == ".aiff")
    {
        return SF_FORMAT_AIFF | SF_FORMAT_PCM_24;
    }
    if (extension == ".ogg" || extension == ".oga")
    {
        return SF_FORMAT_OGG | SF_FORMAT_VORBIS;
    }
    throw usageError("cannot tell the output format of '" + path +
                     "' from its extension (use .wav, .flac, .aiff or .ogg)");
}

} // namespace quendra::renderer
