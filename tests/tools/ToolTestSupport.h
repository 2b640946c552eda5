// Helpers for the renderer's end-to-end tests: a scratch folder per test, audio files in and
// out (32-bit float samples), and running the built binary with its exit status and output.
#pragma once

#include "ScratchFolder.h"

#include <sndfile.h>
#include <sys/types.h>

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

namespace sorvell_test
{

struct Audio
{
    int sampleRate = 48000;
    int channels = 2;
    std::vector<float> samples; // interleaved

    std::size_t frames() const { return samples.size() / channels; }
    float at(std::size_t frame, int channel) const { return samples[frame * channels + channel]; }
};

struct RunResult
{
    int status = -1;
    std::string out;
    std::string err;
};

void writeWav(const std::string& path, const Audio& audio,
              int format = SF_FORMAT_WAV | SF_FORMAT_FLOAT);
Audio readAudio(const std::string& path);

// Starts the renderer with these arguments (each passed as one word), standard input read from
// `in` (empty by default) and standard output and error written to the given files; returns
// its process id (-1 if none).
pid_t startTool(const std::vector<std::string>& args, const std::string& out,
                const std::string& err, const std::string& in = "/dev/null");
// Runs the renderer to its end.
RunResult runTool(const std::vector<std::string>& args, const std::string& in = "/dev/null");
// Runs any program (first word: its path) to its end.
RunResult runProgram(const std::vector<std::string>& words, const std::string& in = "/dev/null");

// Largest magnitude over all samples.
float peakOf(const Audio& audio);

// Runs `input -o folder/output -q options...`, expects success and reads the output back.
Audio render(const ScratchFolder& folder, const std::string& input, const std::string& output,
             const std::vector<std::string>& options, std::string* err = nullptr);

// Deterministic test signals.
Audio noise(double seconds, int channels, float amplitude, unsigned seed, int sampleRate = 48000);
Audio sine(double seconds, double hertz, float amplitude, int channels, int sampleRate = 48000);

// Amplitude of a steady sinusoid from the RMS over [first, first + count) of a channel.
double sineAmplitude(const Audio& audio, int channel, std::size_t first, std::size_t count);

} // namespace sorvell_test
