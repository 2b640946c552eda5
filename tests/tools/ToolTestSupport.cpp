#include "ToolTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace sorvell_test
{

void writeWav(const std::string& path, const Audio& audio, int format)
{
    SF_INFO info{};
    info.samplerate = audio.sampleRate;
    info.channels = audio.channels;
    info.format = format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr)
    {
        throw std::runtime_error("cannot write " + path);
    }
    sf_writef_float(file, audio.samples.data(), static_cast<sf_count_t>(audio.frames()));
    sf_close(file);
}

Audio readAudio(const std::string& path)
{
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr)
    {
        throw std::runtime_error("cannot read " + path);
    }
    Audio audio;
    audio.sampleRate = info.samplerate;
    audio.channels = info.channels;
    audio.samples.resize(static_cast<std::size_t>(info.frames) * info.channels);
    sf_readf_float(file, audio.samples.data(), info.frames);
    sf_close(file);
    return audio;
}

pid_t startProgram(std::vector<std::string> words, const std::string& out, const std::string& err,
                   const std::string& in)
{
    std::vector<char*> argv;
    for (auto& word : words)
    {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, in.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t child = -1;
    const int failed = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return failed == 0 ? child : -1;
}

pid_t startTool(const std::vector<std::string>& args, const std::string& out,
                const std::string& err, const std::string& in)
{
    std::vector<std::string> words = {SORVELL_TOOL};
    words.insert(words.end(), args.begin(), args.end());
    return startProgram(words, out, err, in);
}

RunResult runProgram(const std::vector<std::string>& words, const std::string& in)
{
    ScratchFolder streams;
    const pid_t child = startProgram(words, streams.file("out"), streams.file("err"), in);
    int raw = 0;
    RunResult result;
    if (child > 0 && waitpid(child, &raw, 0) == child && WIFEXITED(raw))
    {
        result.status = WEXITSTATUS(raw);
    }
    result.out = bytesOf(streams.file("out"));
    result.err = bytesOf(streams.file("err"));
    return result;
}

RunResult runTool(const std::vector<std::string>& args, const std::string& in)
{
    std::vector<std::string> words = {SORVELL_TOOL};
    words.insert(words.end(), args.begin(), args.end());
    return runProgram(words, in);
}

Audio render(const ScratchFolder& folder, const std::string& input, const std::string& output,
             const std::vector<std::string>& options, std::string* err)
{
    std::vector<std::string> args = {folder.file(input), "-o", folder.file(output), "-q"};
    args.insert(args.end(), options.begin(), options.end());
    const RunResult result = runTool(args);
    EXPECT_EQ(result.status, 0) << result.err;
    if (err != nullptr)
    {
        *err = result.err;
    }
    return readAudio(folder.file(output));
}

Audio noise(double seconds, int channels, float amplitude, unsigned seed, int sampleRate)
{
    Audio audio;
    audio.sampleRate = sampleRate;
    audio.channels = channels;
    audio.samples.resize(static_cast<std::size_t>(seconds * sampleRate) * channels);
    std::uint32_t state = seed * 2654435761u + 1u;
    for (auto& sample : audio.samples)
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        sample = amplitude * (static_cast<float>(state >> 8) / 8388608.0f - 1.0f);
    }
    return audio;
}

Audio sine(double seconds, double hertz, float amplitude, int channels, int sampleRate)
{
    Audio audio;
    audio.sampleRate = sampleRate;
    audio.channels = channels;
    const auto frames = static_cast<std::size_t>(seconds * sampleRate);
    for (std::size_t i = 0; i < frames; ++i)
    {
        const double value = amplitude * std::sin(2.0 * std::numbers::pi * hertz * i / sampleRate);
        audio.samples.insert(audio.samples.end(), channels, static_cast<float>(value));
    }
    return audio;
}

float peakOf(const Audio& audio)
{
    float peak = 0.0f;
    for (const float sample : audio.samples)
    {
        peak = std::max(peak, std::abs(sample));
    }
    return peak;
}

double sineAmplitude(const Audio& audio, int channel, std::size_t first, std::size_t count)
{
    double sum = 0.0;
    for (std::size_t i = first; i < first + count; ++i)
    {
        sum += double(audio.at(i, channel)) * audio.at(i, channel);
    }
    return std::sqrt(2.0 * sum / count);
}

} // namespace sorvell_test
