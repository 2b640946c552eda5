#include "AudioFile.h"

#include "OutputFormat.h"
#include "ToolError.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quendra::renderer
{

AudioFileReader::AudioFileReader(const std::string& path) : mPath(path)
{
    std::error_code error;
    if (!std::filesystem::exists(path, error))
    {
        throw ToolError("cannot read '" + path + "': no such file");
    }
    if (std::filesystem::is_directory(path, error))
    {
        throw ToolError("cannot read '" + path + "': it is a folder");
    }

    SF_INFO info{};
    mpFile = sf_open(path.c_str(), SFM_READ, &info);
    if (mpFile == nullptr)
    {
        throw ToolError("cannot read '" + path + "': " + sf_strerror(nullptr));
    }
    if (info.channels < 1 || info.channels > 2)
    {
        sf_close(mpFile);
        throw ToolError("cannot use '" + path + "': it has " + std::to_string(info.channels) +
                        " channels; mono and stereo files are supported");
    }
    mSampleRate = info.samplerate;
    mChannels = info.channels;
    mFrames = static_cast<std::size_t>(info.frames);
}

AudioFileReader::~AudioFileReader()
{
    sf_close(mpFile);
}

std::size_t AudioFileReader::read(double* interleaved, std::size_t count)
{
    const auto read = sf_readf_double(mpFile, interleaved, static_cast<sf_count_t>(count));
    if (read < static_cast<sf_count_t>(count) && sf_error(mpFile) != SF_ERR_NO_ERROR)
    {
        throw ToolError("cannot read '" + mPath + "': " + sf_strerror(mpFile));
    }
    return static_cast<std::size_t>(read);
}

AudioFileWriter::AudioFileWriter(const std::string& path, double sampleRate, int channels)
    : mPath(path)
{
    SF_INFO info{};
    info.samplerate = static_cast<int>(sampleRate);
    info.channels = channels;
    info.format = outputFormatFor(path);
    if (!sf_format_check(&info))
    {
        throw ToolError("cannot write '" + path + "': this format does not take " +
                        std::to_string(info.samplerate) + " Hz " + std::to_string(channels) +
                        "-channel audio");
    }

    std::error_code error;
    if (std::filesystem::is_directory(path, error))
    {
        throw ToolError("cannot write '" + path + "': it is a folder");
    }

    // The temporary file lives in the output's folder so that the final rename stays on
    // one file system and is atomic.
    const auto target = std::filesystem::path(path);
    const auto folder = target.has_parent_path() ? target.parent_path() : ".";
    std::string hidden = target.filename().string();
    hidden.insert(hidden.begin(), '.');
    hidden.append(".XXXXXX");
    std::string pattern = (folder / hidden).string();
    const int descriptor = mkstemp(pattern.data());
    if (descriptor < 0)
    {
        throw ToolError("cannot write '" + path + "': " + std::strerror(errno));
    }
    mTemporaryPath = pattern;

    // mkstemp makes the file private; give it the permissions a new file normally gets.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(descriptor, 0666 & ~mask);

    mpFile = sf_open_fd(descriptor, SFM_WRITE, &info, SF_TRUE);
    if (mpFile == nullptr)
    {
        const std::string reason = sf_strerror(nullptr);
        std::remove(mTemporaryPath.c_str());
        throw ToolError("cannot write '" + path + "': " + reason);
    }
    // Integer formats clip instead of wrapping around.
    sf_command(mpFile, SFC_SET_CLIPPING, nullptr, SF_TRUE);
}

AudioFileWriter::~AudioFileWriter()
{
    discard();
}

void AudioFileWriter::write(const double* samples, std::size_t frames)
{
    if (frames == 0)
    {
        return;
    }
    const auto written = sf_writef_double(mpFile, samples, static_cast<sf_count_t>(frames));
    if (written != static_cast<sf_count_t>(frames))
    {
        throw ToolError("cannot write '" + mPath + "': " + sf_strerror(mpFile));
    }
}

void AudioFileWriter::commit()
{
    const int closed = sf_close(mpFile);
    mpFile = nullptr;
    if (closed != 0)
    {
        discard();
        throw ToolError("cannot write '" + mPath + "': " + sf_error_number(closed));
    }
    if (std::rename(mTemporaryPath.c_str(), mPath.c_str()) != 0)
    {
        const std::string reason = std::strerror(errno);
        discard();
        throw ToolError("cannot write '" + mPath + "': " + reason);
    }
    mTemporaryPath.clear();
}

void AudioFileWriter::discard() noexcept
{
    if (mpFile != nullptr)
    {
        sf_close(mpFile);
        mpFile = nullptr;
    }
    if (!mTemporaryPath.empty())
    {
        std::remove(mTemporaryPath.c_str());
        mTemporaryPath.clear();
    }
}

void writeAudioFile(const std::string& path, const AudioData& audio)
{
    AudioFileWriter writer(path, audio.sampleRate, audio.channels);
    writer.write(audio.samples.data(), audio.frames());
    writer.commit();
}

} // namespace quendra::renderer
