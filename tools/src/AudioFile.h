// Reading audio files into memory and writing them without ever leaving a partial file:
// AudioFileWriter writes into a temporary file in the output's folder and renames it over the
// output only on commit(); a writer destroyed without commit removes its temporary file.
// Both allocate and throw ToolError; neither runs on an audio thread.
#pragma once

#include "AudioData.h"

#include <cstddef>
#include <string>

struct sf_private_tag;

namespace quendra::renderer
{

// Any format libsndfile reads; one or two channels.
AudioData readAudioFile(const std::string& path);

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
    std::string mTemporaryPath;
    sf_private_tag* mpFile = nullptr;
};

// Writes a whole signal through an AudioFileWriter.
void writeAudioFile(const std::string& path, const AudioData& audio);

} // namespace quendra::renderer
