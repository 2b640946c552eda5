// Reading audio files chunk by chunk and writing them without ever leaving a partial file:
// AudioFileWriter writes into a temporary file in the output's folder and renames it over the
// output only on commit(); a writer destroyed without commit removes its temporary file.
// Both allocate and throw ToolError; neither runs on an audio thread.
#pragma once

#include "AudioData.h"
#include "SampleSource.h"

#include <cstddef>
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
    explicit AudioFileReader(const std::string& path);
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

class AudioFileWriter
{
public:
    // Opens the temporary file at once, so that an unwritable output is reported before any
    // rendering happens.
    AudioFileWriter(const std::string& path, double sampleRate, int channels);
    ~AudioFileWriter();
    AudioFileWriter(const AudioFileWriter&) = delete;
    AudioFileWriter& operator=(const AudioFileWriter&) = delete;

    // Interleaved frames.
    void write(const double* samples, std::size_t frames);
    // Closes the file and moves it to the output path.
    void commit();

private:
    void discard() noexcept;

    std::string mPath;
    int mSampleRate;
    int mChannels;
    std::string mTemporaryPath;
    sf_private_tag* mpFile = nullptr;
    std::size_t mFramesWritten = 0;
};

// Writes a whole signal through an AudioFileWriter.
void writeAudioFile(const std::string& path, const AudioData& audio);

} // namespace quendra::renderer
