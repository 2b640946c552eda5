#include "ToolTestSupport.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <numbers>
#include <sndfile.h>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>

namespace sorvell_test
{

ScratchFolder::ScratchFolder()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "sorvell-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
    {
        throw std::runtime_error("cannot make a scratch folder");
    }
    mPath = pattern;
}

ScratchFolder::~ScratchFolder()
{
    std::error_code ignored;
    std::filesystem::remove_all(mPath, ignored);
}

std::vector<std::string> ScratchFolder::names() const
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(mPath))
    {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

void writeWav(const std::string& path, const Audio& audio)
{
    SF_INFO info{};
    info.samplerate = audio.sampleRate;
    info.channels = audio.channels;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
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

namespace
{

std::string shellQuoted(const std::string& word)
{
    std::string text = "'";
    for (char c : word)
    {
        text += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return text + "'";
}

std::string slurp(const std::filesystem::path& path)
{
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

} // namespace

RunResult runTool(const std::vector<std::string>& args)
{
    ScratchFolder streams;
    std::string command = shellQuoted(SORVELL_TOOL);
    for (const auto& arg : args)
    {
        command += " " + shellQuoted(arg);
    }
    command += " >" + shellQuoted(streams.file("out")) + " 2>" + shellQuoted(streams.file("err")) +
               " </dev/null";
    const int raw = std::system(command.c_str());
    RunResult result;
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    result.out = slurp(streams.file("out"));
    result.err = slurp(streams.file("err"));
    return result;
}

RunResult runToolOnTerminal(const std::vector<std::string>& args)
{
    if (std::system("command -v script >/dev/null 2>&1") != 0)
    {
        return {};
    }
    std::string inner = shellQuoted(SORVELL_TOOL);
    for (const auto& arg : args)
    {
        inner += " " + shellQuoted(arg);
    }
    ScratchFolder streams;
    const std::string command = "script -q -e -c " + shellQuoted(inner) + " /dev/null >" +
                                shellQuoted(streams.file("out")) + " 2>&1 </dev/null";
    const int raw = std::system(command.c_str());
    RunResult result;
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    result.out = slurp(streams.file("out"));
    return result;
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
        for (int c = 0; c < channels; ++c)
        {
            audio.samples.push_back(static_cast<float>(value));
        }
    }
    return audio;
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
