#include "OutputFormat.h"

#include "ToolError.h"

#include <tessel/host/Utf8Path.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <sndfile.h>
#include <vector>

namespace quendra::renderer
{

namespace
{

// The encoders refuse rates above these when they set themselves up (libsndfile's format
// check does not know).
constexpr double kVorbisMaxSampleRate = 200000.0;
constexpr double kFlacMaxSampleRate = 655350.0;

} // namespace

std::optional<std::string> typeOfExtension(const std::string& path)
{
    std::string extension =
        tessel::host::utf8FromPath(tessel::host::pathFromUtf8(path).extension());
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension == ".wav" || extension == ".wave")
    {
        return "wav";
    }
    if (extension == ".flac")
    {
        return "flac";
    }
    if (extension == ".aif" || extension == ".aiff")
    {
        return "aiff";
    }
    if (extension == ".ogg" || extension == ".oga")
    {
        return "ogg";
    }
    return std::nullopt;
}

namespace
{

std::string typeForExtension(const std::string& path)
{
    if (auto type = typeOfExtension(path))
    {
        return *type;
    }
    throw usageError("cannot tell the output format of '" + path +
                     "' from its extension (use .wav, .flac, .aiff or .ogg, or --type)");
}

int sampleEncoding(const std::string& bits)
{
    if (bits == "16")
    {
        return SF_FORMAT_PCM_16;
    }
    if (bits == "24")
    {
        return SF_FORMAT_PCM_24;
    }
    if (bits == "32")
    {
        return SF_FORMAT_PCM_32;
    }
    return SF_FORMAT_FLOAT;
}

} // namespace

OutputFormat chooseOutputFormat(const std::string& path, const std::string& type,
                                const std::string& bits)
{
    const std::string container = type.empty() ? typeForExtension(path) : type;
    OutputFormat format;
    if (container == "ogg")
    {
        if (!bits.empty())
        {
            throw usageError("--bits does not apply to Ogg Vorbis output");
        }
        format.sndfile = SF_FORMAT_OGG | SF_FORMAT_VORBIS;
        format.name = "Ogg Vorbis";
        format.isOgg = true;
        format.maxSampleRate = kVorbisMaxSampleRate;
        return format;
    }
    if (container == "flac")
    {
        if (bits == "32" || bits == "float")
        {
            throw usageError("FLAC holds 16 or 24 bits, not --bits " + bits);
        }
        format.sndfile = SF_FORMAT_FLAC | (bits == "16" ? SF_FORMAT_PCM_16 : SF_FORMAT_PCM_24);
        format.name = "FLAC";
        format.integer = true;
        format.maxSampleRate = kFlacMaxSampleRate;
        return format;
    }
    if (container == "aiff")
    {
        format.sndfile = SF_FORMAT_AIFF | (bits.empty() ? SF_FORMAT_PCM_24 : sampleEncoding(bits));
        format.name = "AIFF";
        format.integer = bits != "float";
        return format;
    }
    format.sndfile = SF_FORMAT_WAV | sampleEncoding(bits.empty() ? "float" : bits);
    format.name = "WAV";
    format.integer = !bits.empty() && bits != "float";
    return format;
}

bool formatHolds(const OutputFormat& format, int sampleRate)
{
    if (format.maxSampleRate > 0 && sampleRate > format.maxSampleRate)
    {
        return false;
    }
    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = 2;
    info.format = format.sndfile;
    return sf_format_check(&info) != 0;
}

std::string formatsHolding(int sampleRate)
{
    std::vector<std::string> names;
    for (const std::string type : {"wav", "flac", "aiff", "ogg"})
    {
        const OutputFormat format = chooseOutputFormat("", type, "");
        if (formatHolds(format, sampleRate))
        {
            names.push_back(format.name);
        }
    }
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i)
    {
        text += (i == 0 ? "" : i + 1 == names.size() ? " and " : ", ") + names[i];
    }
    return text;
}

std::string extensionForType(const std::string& type)
{
    return "." + type;
}

} // namespace quendra::renderer
