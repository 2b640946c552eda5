#include "AudioFile.h"

#include "FloatWavHeader.h"
#include "OggSerial.h"
#include "OutputFormat.h"
#include "ToolError.h"
#include "platform/System.h"

#include <tessel/host/Utf8Path.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <sndfile.h>
#include <sstream>
#include <string_view>
#include <unistd.h>

// The status of a program stopped by a broken pipe, the same on systems without that signal.
#if defined(SIGPIPE)
constexpr int kBrokenPipeSignal = SIGPIPE;
#else
constexpr int kBrokenPipeSignal = 13;
#endif

namespace quendra::renderer
{

namespace
{

// libsndfile's messages end with a full stop, and those from the system start with a label;
// ours put them inside a sentence of their own.
std::string plainReason(std::string text)
{
    const std::string systemLabel = "System error : ";
    if (text.rfind(systemLabel, 0) == 0)
    {
        text.erase(0, systemLabel.size());
    }
    while (!text.empty() && (text.back() == '.' || text.back() == ' '))
    {
        text.pop_back();
    }
    return text;
}

std::string openFailure(const std::string& path)
{
    const int code = sf_error(nullptr);
    const std::string reason = plainReason(sf_strerror(nullptr));
    if (code == SF_ERR_UNRECOGNISED_FORMAT)
    {
        return "cannot read '" + path + "': not an audio file in a format the renderer reads";
    }
    if (code == SF_ERR_SYSTEM)
    {
        return "cannot read '" + path + "': " + reason;
    }
    return "cannot read '" + path + "': a damaged or unsupported audio file (" + reason + ")";
}

// True when libsndfile's header log shows an audio data chunk ("data" in WAV, "SSND" in
// AIFF) announcing more bytes than the file holds, logged as "data : 38400 (should be 19178)":
// the file was cut short (a recording that never finished, a broken copy) and libsndfile
// reads only what is there. A size of 0xFFFFFFFF is a stream written before its length was
// known, not a cut.
bool dataChunkCutShort(sf_private_tag* file)
{
    char log[8192] = {};
    sf_command(file, SFC_GET_LOG_INFO, log, sizeof log);
    std::istringstream lines(log);
    std::string line;
    while (std::getline(lines, line))
    {
        const auto start = line.find_first_not_of(' ');
        const bool dataChunk =
            start != std::string::npos &&
            (line.compare(start, 7, "data : ") == 0 || line.compare(start, 7, "SSND : ") == 0);
        const auto shouldBe = line.find("(should be ");
        if (!dataChunk || shouldBe == std::string::npos)
        {
            continue;
        }
        const unsigned long long announced = std::strtoull(line.c_str() + start + 7, nullptr, 10);
        const unsigned long long present = std::strtoull(line.c_str() + shouldBe + 11, nullptr, 10);
        if (announced > present && announced != 0xFFFFFFFFull)
        {
            return true;
        }
    }
    return false;
}

} // namespace

AudioFileReader::AudioFileReader(const std::string& path, const std::string& displayName)
    : mPath(displayName.empty() ? path : displayName)
{
    const std::string& name = mPath;
    const std::filesystem::path file = tessel::host::pathFromUtf8(path);
    std::error_code error;
    if (!std::filesystem::exists(file, error))
    {
        throw ToolError("cannot read '" + name + "': no such file");
    }
    if (std::filesystem::is_directory(file, error))
    {
        throw ToolError("cannot read '" + name + "': it is a folder");
    }
    if (std::filesystem::is_regular_file(file, error) &&
        std::filesystem::file_size(file, error) == 0 && !error)
    {
        throw ToolError("cannot read '" + name + "': the file is empty");
    }

    SF_INFO info{};
    const int descriptor = platform::openForReading(path);
    if (descriptor < 0)
    {
        throw ToolError("cannot read '" + name + "': " + std::strerror(errno));
    }
    mpFile = sf_open_fd(descriptor, SFM_READ, &info, SF_TRUE);
    if (mpFile == nullptr)
    {
        throw ToolError(openFailure(name));
    }
    if (info.channels < 1 || info.samplerate < kMinSampleRate || info.samplerate > kMaxSampleRate)
    {
        sf_close(mpFile);
        throw ToolError(info.channels < 1
                            ? "cannot use '" + name + "': it has no channels"
                            : "cannot use '" + name + "': its sample rate of " +
                                  std::to_string(info.samplerate) + " Hz is outside the " +
                                  std::to_string(static_cast<int>(kMinSampleRate)) + " to " +
                                  std::to_string(static_cast<int>(kMaxSampleRate)) +
                                  " Hz the renderer supports");
    }
    mSampleRate = info.samplerate;
    mChannels = info.channels;
    mFrames = static_cast<std::size_t>(info.frames);
    if (dataChunkCutShort(mpFile))
    {
        mShortFileNote = "'" + name + "' is shorter than its header says; rendering the " +
                         std::to_string(mFrames) + " frames it holds";
    }
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
        throw ToolError("cannot read '" + mPath + "': the file is damaged or cut short (" +
                        plainReason(sf_strerror(mpFile)) + ")");
    }
    // A NaN or an infinity in a float file would poison the dry signal and every resonance
    // it reaches; it is read as silence instead.
    const std::size_t samples = static_cast<std::size_t>(read) * mChannels;
    for (std::size_t i = 0; i < samples; ++i)
    {
        if (!std::isfinite(interleaved[i]))
        {
            interleaved[i] = 0.0;
            ++mNonFiniteSamples;
        }
    }
    return static_cast<std::size_t>(read);
}

std::vector<std::string> AudioFileReader::notes() const
{
    std::vector<std::string> notes;
    if (mChannels > 2)
    {
        notes.push_back("'" + mPath + "' has " + std::to_string(mChannels) +
                        " channels; rendering channels 1 and 2 (front left and right)");
    }
    if (!mShortFileNote.empty())
    {
        notes.push_back(mShortFileNote);
    }
    return notes;
}

namespace
{

// The file a write to `path` really replaces: symbolic links followed (also dangling ones,
// whose target is created), so that the link itself stays.
std::filesystem::path resolvedTarget(const std::filesystem::path& path)
{
    std::filesystem::path target = path;
    std::error_code error;
    for (int depth = 0; depth < 40 && std::filesystem::is_symlink(target, error); ++depth)
    {
        const auto next = std::filesystem::read_symlink(target, error);
        if (error)
        {
            break;
        }
        target = next.is_absolute() ? next : target.parent_path() / next;
    }
    return target;
}

// The data of a RIFF file up to this size leaves room for its header in 32-bit sizes.
constexpr std::uint64_t kLargestRiffData = 0xFFFFFFFFull - (1u << 16);

std::uint64_t bytesPerSample(int format)
{
    switch (format & SF_FORMAT_SUBMASK)
    {
    case SF_FORMAT_PCM_16:
        return 2;
    case SF_FORMAT_PCM_24:
        return 3;
    default:
        return 4;
    }
}

// The PEAK chunk of a floating-point WAV or AIFF file carries the time it was written; a
// zero there makes the same render give the same bytes. The header's chunks are walked up to
// the audio data (RIFF and RF64 count chunk sizes little-endian, AIFF big-endian).
void clearPeakChunkTime(const std::string& path)
{
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(platform::openFile(path, "r+b"),
                                                         &std::fclose);
    unsigned char header[4096] = {};
    const std::size_t size = file ? std::fread(header, 1, sizeof header, file.get()) : 0;
    const auto is = [&](std::size_t at, const char* id)
    { return at + 4 <= size && std::memcmp(header + at, id, 4) == 0; };
    const bool riff = is(0, "RIFF") || is(0, "RF64");
    if (!riff && !is(0, "FORM"))
    {
        return;
    }
    for (std::size_t at = 12; at + 8 <= size;)
    {
        if (is(at, "data") || is(at, "SSND"))
        {
            return;
        }
        const unsigned char* bytes = header + at + 4;
        const std::size_t length =
            riff ? bytes[0] | bytes[1] << 8 | bytes[2] << 16 | std::size_t(bytes[3]) << 24
                 : bytes[3] | bytes[2] << 8 | bytes[1] << 16 | std::size_t(bytes[0]) << 24;
        if (is(at, "PEAK") && at + 16 <= size)
        {
            const char zero[4] = {};
            if (std::fseek(file.get(), static_cast<long>(at + 12), SEEK_SET) != 0 ||
                std::fwrite(zero, 1, sizeof zero, file.get()) != sizeof zero)
            {
                throw ToolError("cannot write '" + path + "': " + std::strerror(errno));
            }
            return;
        }
        at += 8 + length + (length & 1); // chunks are padded to an even length
    }
}

} // namespace

AudioFileWriter::AudioFileWriter(const std::string& path, double sampleRate, int channels,
                                 const OutputFormat& format, std::uint32_t oggSerial,
                                 std::uint64_t expectedFrames)
    : mPath(path == "-" ? "standard output" : path), mSampleRate(static_cast<int>(sampleRate)),
      mChannels(channels), mFormat(format), mOggSerial(oggSerial)
{
    if (!formatHolds(format, mSampleRate))
    {
        const std::string others = formatsHolding(mSampleRate);
        throw ToolError("cannot write '" + mPath + "': " + format.name + " cannot hold " +
                        std::to_string(mSampleRate) + " Hz audio" +
                        (others.empty() ? "" : " (" + others + " can)"));
    }
    SF_INFO info{};
    info.samplerate = mSampleRate;
    info.channels = channels;
    info.format = format.sndfile;
    // A RIFF WAV file counts its data in 32 bits; a longer render is written as RF64.
    if ((info.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_WAV &&
        expectedFrames * channels * bytesPerSample(info.format) > kLargestRiffData)
    {
        info.format = (info.format & ~SF_FORMAT_TYPEMASK) | SF_FORMAT_RF64;
    }

    std::error_code error;
    std::filesystem::path folder;
    std::string hidden;
    if (path == "-")
    {
        folder = std::filesystem::temp_directory_path(error);
        hidden = "sorvell-output";
    }
    else
    {
        if (std::filesystem::is_directory(tessel::host::pathFromUtf8(path), error))
        {
            throw ToolError("cannot write '" + path +
                            "': it is a folder (end it with / to render into it)");
        }
        const auto target = resolvedTarget(tessel::host::pathFromUtf8(path));
        mTarget = tessel::host::utf8FromPath(target);
        // The temporary file lives in the output's folder so that the final rename stays on
        // one file system and is atomic.
        folder = target.has_parent_path() ? target.parent_path() : ".";
        hidden = tessel::host::utf8FromPath(target.filename());
        hidden.insert(hidden.begin(), '.');
    }
    std::string pattern =
        tessel::host::utf8FromPath(folder / tessel::host::pathFromUtf8(hidden + ".XXXXXX"));
    const int descriptor = platform::makeTemporaryFile(pattern);
    if (descriptor < 0)
    {
        throw ToolError("cannot write '" + mPath + "': " + std::strerror(errno));
    }
    mTemporaryPath = pattern;

    platform::matchPermissions(descriptor, mTarget);

    mpFile = sf_open_fd(descriptor, SFM_WRITE, &info, SF_TRUE);
    if (mpFile == nullptr)
    {
        // Short of a system error, the encoder refused the stream.
        const bool system = sf_error(nullptr) == SF_ERR_SYSTEM;
        const std::string reason = plainReason(sf_strerror(nullptr));
        platform::removeFile(mTemporaryPath);
        const std::string others = formatsHolding(mSampleRate);
        throw ToolError("cannot write '" + mPath + "': " +
                        (system
                             ? reason
                             : format.name + " cannot hold " + std::to_string(mSampleRate) +
                                   " Hz audio" + (others.empty() ? "" : " (" + others + " can)")));
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
    const std::size_t count = frames * static_cast<std::size_t>(mChannels);
    for (std::size_t i = 0; i < count; ++i)
    {
        const double magnitude = std::abs(samples[i]);
        mPeak = std::max(mPeak, magnitude);
        mClipped += mFormat.integer && magnitude > 1.0;
    }
    const auto written = sf_writef_double(mpFile, samples, static_cast<sf_count_t>(frames));
    if (written != static_cast<sf_count_t>(frames))
    {
        // Some encoders set themselves up on the first write and refuse the stream only
        // then; a failure there that is not the system's is that.
        if (mFramesWritten == 0 && sf_error(mpFile) != SF_ERR_SYSTEM)
        {
            throw ToolError("cannot write '" + mPath + "': " + mFormat.name + " cannot hold " +
                            std::to_string(mSampleRate) + " Hz " + std::to_string(mChannels) +
                            "-channel audio");
        }
        throw ToolError("cannot write '" + mPath + "': " + plainReason(sf_strerror(mpFile)));
    }
    mFramesWritten += frames;
}

void AudioFileWriter::commit()
{
    const int closed = sf_close(mpFile);
    mpFile = nullptr;
    if (closed != 0)
    {
        discard();
        throw ToolError("cannot write '" + mPath + "': " + plainReason(sf_error_number(closed)));
    }
    if (mFormat.isOgg)
    {
        setOggStreamSerial(mTemporaryPath, mOggSerial);
    }
    clearPeakChunkTime(mTemporaryPath);
    extendFloatFormatChunk(mTemporaryPath);
    if (mTarget.empty())
    {
        copyToStandardOutput();
        discard();
        return;
    }
    if (const std::string reason = platform::replaceFile(mTemporaryPath, mTarget); !reason.empty())
    {
        discard();
        throw ToolError("cannot write '" + mPath + "': " + reason);
    }
    mTemporaryPath.clear();
}

void AudioFileWriter::copyToStandardOutput()
{
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(platform::openFile(mTemporaryPath, "rb"),
                                                         &std::fclose);
    std::vector<char> buffer(1 << 16);
    bool ok = file != nullptr;
    while (ok)
    {
        const std::size_t n = std::fread(buffer.data(), 1, buffer.size(), file.get());
        if (n == 0)
        {
            break;
        }
        for (std::size_t done = 0; ok && done < n;)
        {
            const ssize_t written = ::write(STDOUT_FILENO, buffer.data() + done, n - done);
            ok = written > 0 || (written < 0 && errno == EINTR);
            done += written > 0 ? static_cast<std::size_t>(written) : 0;
        }
    }
    if (!ok)
    {
        const int code = errno;
        discard();
        if (code == EPIPE)
        {
            // The reader has all it wanted (`| head`): end as a program stopped by SIGPIPE
            // would, without a word.
            throw quietExit(static_cast<ExitStatus>(128 + kBrokenPipeSignal));
        }
        throw ToolError("cannot write to standard output: " + std::string(std::strerror(code)));
    }
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
        platform::removeFile(mTemporaryPath);
        mTemporaryPath.clear();
    }
}

void writeAudioFile(const std::string& path, const AudioData& audio)
{
    AudioFileWriter writer(path, audio.sampleRate, audio.channels, chooseOutputFormat(path, "", ""),
                           0, audio.frames());
    writer.write(audio.samples.data(), audio.frames());
    writer.commit();
}

} // namespace quendra::renderer
