// Reading audio files chunk by chunk and writing them without ever leaving a partial file:
// AudioFileWriter writes into a temporary file in the output's folder and renames it over the
// output only on commit(); a writer destroyed without commit removes its temporary file.
// Both allocate and throw ToolError; neither runs on an audio thread.
#pragma once

#include "AudioData.h"
#include "OutputFormat.h"
#include "SampleSource.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct sf_private_tag;

namespace quendra::renderer
{

// Any format libsndfile reads, any number of channels, 4 kHz to 768 kHz. Opening checks the
// file and throws. A file cut short after a complete header is read as far as it goes, and
// non-finite samples are read as silence; notes() tells the user about either.
class AudioFileReader final : public SampleSource
{
public:
    // `displayName` names the file in messages (default: its path).
    explicit AudioFileReader(const std::string& path, const std::string& displayName = "");
    ~AudioFileReader() override;
    AudioFileReader(const AudioFileReader&) = delete;
    AudioFileReader& operator=(const AudioFileReader&) = delete;

    double sampleRate() const override { return mSampleRate; }
    int channels() const override { return mChannels; }
    std::size_t frames() const override { return mFrames; }
    std::size_t read(double* interleaved, std::size_t count) override;

    // One line each, for stderr: what the user should know about the file once it is open
    // (channels left out, a file cut short).
    std::vector<std::string> notes() const;
    // Samples read so far that were NaN or infinite, and were read as silence.
    std::size_t nonFiniteSamples() const { return mNonFiniteSamples; }

private:
    std::string mPath;
    std::string mShortFileNote;
    std::size_t mNonFiniteSamples = 0;
    sf_private_tag* mpFile = nullptr;
    double mSampleRate = 0.0;
    int mChannels = 0;
    std::size_t mFrames = 0;
};

inline constexpr double kMinSampleRate = 4000.0;
inline constexpr double kMaxSampleRate = 768000.0;

// Where rendered frames go: interleaved stereo doubles, in order.
class FrameSink
{
public:
    virtual ~FrameSink() = default;
    virtual void write(const double* interleaved, std::size_t frames) = 0;
};

class AudioFileWriter final : public FrameSink
{
public:
    // Opens the temporary file at once, so that an unwritable output is reported before any
    // rendering happens. `path` "-" is standard output: the file is built in the temporary
    // folder and copied there on commit. A symbolic link is written through (the file it
    // points to is replaced), and a file replaced keeps its permissions. An Ogg stream gets
    // `oggSerial` as its serial number. A WAV file whose data will pass 4 GiB
    // (`expectedFrames`) is written as RF64.
    AudioFileWriter(const std::string& path, double sampleRate, int channels,
                    const OutputFormat& format, std::uint32_t oggSerial,
                    std::uint64_t expectedFrames);
    ~AudioFileWriter() override;
    AudioFileWriter(const AudioFileWriter&) = delete;
    AudioFileWriter& operator=(const AudioFileWriter&) = delete;

    // Interleaved frames.
    void write(const double* samples, std::size_t frames) override;
    // Closes the file and moves it to the output path.
    void commit();

    // The largest magnitude written, and how many samples lay beyond full scale in an
    // integer format (they were clipped to it).
    double peak() const { return mPeak; }
    std::size_t clippedSamples() const { return mClipped; }
    const OutputFormat& format() const { return mFormat; }

private:
    void discard() noexcept;
    void copyToStandardOutput();

    std::string mPath;   // as given, for messages
    std::string mTarget; // the file that is replaced: links followed; empty for stdout
    int mSampleRate;
    int mChannels;
    OutputFormat mFormat;
    std::uint32_t mOggSerial;
    std::string mTemporaryPath;
    sf_private_tag* mpFile = nullptr;
    std::size_t mFramesWritten = 0;
    double mPeak = 0.0;
    std::size_t mClipped = 0;
};

// Writes a whole signal through an AudioFileWriter in the format its extension names.
void writeAudioFile(const std::string& path, const AudioData& audio);

} // namespace quendra::renderer
