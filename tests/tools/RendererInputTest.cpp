// Hostile input files and values: a damaged, empty, mislabelled or unsupported file and odd
// option values end in one line on stderr and no new or changed file; files the renderer can
// still make sense of (cut short, more than two channels, a lying extension, NaN samples, any
// sample rate from 8 kHz to 384 kHz) are rendered correctly.
#include "ToolTestSupport.h"

#include <gtest/gtest.h>

#include <sndfile.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

using namespace sorvell_test;

namespace
{

constexpr std::size_t kLatency = 1536;

void writeAudio(const std::string& path, const Audio& audio, int format)
{
    SF_INFO info{};
    info.samplerate = audio.sampleRate;
    info.channels = audio.channels;
    info.format = format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
    sf_writef_float(file, audio.samples.data(), static_cast<sf_count_t>(audio.frames()));
    sf_close(file);
}

void writeFlac(const std::string& path, const Audio& audio)
{
    writeAudio(path, audio, SF_FORMAT_FLAC | SF_FORMAT_PCM_24);
}

std::string bytesOf(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::stringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

void writeBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

// The first `bytes` bytes of a float WAV of the noise below.
void writeCutWav(const std::string& path, std::size_t bytes)
{
    writeWav(path, noise(0.1, 2, 0.5f, 4));
    writeBytes(path, bytesOf(path).substr(0, bytes));
}

// Every entry of a folder with its content, to prove a failed run changed nothing.
std::map<std::string, std::string> snapshot(const ScratchFolder& folder)
{
    std::map<std::string, std::string> entries;
    for (const auto& name : folder.names())
    {
        const std::string path = folder.file(name);
        entries[name] = std::filesystem::is_directory(path) ? "<folder>" : bytesOf(path);
    }
    return entries;
}

Audio render(const ScratchFolder& folder, const std::string& input, const std::string& output,
             std::vector<std::string> options, std::string* err = nullptr)
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

bool allFinite(const Audio& audio)
{
    for (const float sample : audio.samples)
    {
        if (!std::isfinite(sample))
        {
            return false;
        }
    }
    return true;
}

// Renders that must agree bit for bit: fixed seed, moving parts on, a short tail.
const std::vector<std::string> kReproducible = {
    "--seed", "5", "--mod_type", "granular", "--mix", "0.7", "--pitch_mod", "2", "--tail", "0.05"};

struct BadInputCase
{
    const char* title;
    std::function<void(const ScratchFolder&)> prepare; // writes the files the case needs
    std::vector<std::string> args; // "%name" stands for that file in the scratch folder
    int status;
    const char* message;
};

void PrintTo(const BadInputCase& c, std::ostream* out)
{
    *out << c.title;
}

class RendererBadInput : public testing::TestWithParam<BadInputCase>
{
};

const auto kGoodInput = [](const ScratchFolder& folder)
{ writeWav(folder.file("in.wav"), noise(0.1, 2, 0.5f, 1)); };

std::function<void(const ScratchFolder&)> inputAtRate(int rate)
{
    return [rate](const ScratchFolder& folder)
    { writeWav(folder.file("in.wav"), noise(0.05, 1, 0.5f, 2, rate)); };
}

std::vector<std::string> goodInputWith(std::vector<std::string> options)
{
    std::vector<std::string> args = {"%in.wav", "-o", "%out.wav"};
    args.insert(args.end(), options.begin(), options.end());
    return args;
}

} // namespace

TEST_P(RendererBadInput, FailsWithOneLineAndTouchesNoFile)
{
    const BadInputCase& c = GetParam();
    ScratchFolder folder;
    c.prepare(folder);
    const auto before = snapshot(folder);

    std::vector<std::string> args;
    for (const auto& arg : c.args)
    {
        args.push_back(arg.rfind('%', 0) == 0 ? folder.file(arg.substr(1)) : arg);
    }
    const RunResult result = runTool(args);

    EXPECT_EQ(result.status, c.status);
    EXPECT_EQ(result.err.rfind("sorvell: ", 0), 0u) << result.err;
    EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
    EXPECT_EQ(result.err.find('\n'), result.err.size() - 1) << "one line: " << result.err;
    EXPECT_EQ(snapshot(folder), before);
}

INSTANTIATE_TEST_SUITE_P(
    Files, RendererBadInput,
    testing::Values(
        BadInputCase{"ZeroLengthFile",
                     [](const ScratchFolder& f) { writeBytes(f.file("in.wav"), ""); },
                     {"%in.wav", "-o", "%out.wav"},
                     1,
                     "cannot read"},
        BadInputCase{"HeaderCutMidway",
                     [](const ScratchFolder& f) { writeCutWav(f.file("in.wav"), 30); },
                     {"%in.wav", "-o", "%out.wav"},
                     1,
                     "a damaged or unsupported audio file"},
        BadInputCase{"TextNamedWav",
                     [](const ScratchFolder& f)
                     { writeBytes(f.file("in.wav"), "RIFF? no, a shopping list\n"); },
                     {"%in.wav", "-o", "%out.wav"},
                     1,
                     "not an audio file"},
        BadInputCase{"FlacCutShort",
                     [](const ScratchFolder& f)
                     {
                         writeFlac(f.file("in.flac"), noise(0.5, 2, 0.5f, 3));
                         const std::string bytes = bytesOf(f.file("in.flac"));
                         writeBytes(f.file("in.flac"), bytes.substr(0, bytes.size() / 2));
                     },
                     {"%in.flac", "-o", "%out.wav"},
                     1,
                     "damaged or cut short"},
        BadInputCase{"FolderAsInput",
                     [](const ScratchFolder& f)
                     { std::filesystem::create_directory(f.file("in.wav")); },
                     {"%in.wav", "-o", "%out.wav"},
                     1,
                     "it is a folder"},
        BadInputCase{"FolderAsOutput",
                     [](const ScratchFolder& f)
                     {
                         kGoodInput(f);
                         std::filesystem::create_directory(f.file("out.wav"));
                     },
                     {"%in.wav", "-o", "%out.wav"},
                     1,
                     "it is a folder"},
        BadInputCase{"SampleRateTooLow",
                     inputAtRate(2000),
                     {"%in.wav", "-o", "%out.wav"},
                     1,
                     "sample rate of 2000 Hz is outside"},
        BadInputCase{"SampleRateTooHigh",
                     inputAtRate(1000000),
                     {"%in.wav", "-o", "%out.wav"},
                     1,
                     "sample rate of 1000000 Hz is outside"},
        BadInputCase{"VorbisAbove200kHz",
                     inputAtRate(384000),
                     {"%in.wav", "-o", "%out.ogg"},
                     1,
                     "cannot hold 384000 Hz 2-channel audio"},
        BadInputCase{
            "OutputIsTheInput", kGoodInput, {"%in.wav", "-o", "%in.wav"}, 2, "is the input file"},
        BadInputCase{"OutputIsALinkToTheInput",
                     [](const ScratchFolder& f)
                     {
                         kGoodInput(f);
                         std::filesystem::create_symlink(f.file("in.wav"), f.file("link.wav"));
                     },
                     {"%link.wav", "-o", "%in.wav"},
                     2,
                     "is the input file"},
        BadInputCase{"UnknownOutputExtension",
                     kGoodInput,
                     {"%in.wav", "-o", "%out.mp3"},
                     2,
                     "cannot tell the output format"},
        BadInputCase{"OutputWithoutExtension",
                     kGoodInput,
                     {"%in.wav", "-o", "%out"},
                     2,
                     "cannot tell the output format"},
        BadInputCase{"EmptyOutputPath", kGoodInput, {"%in.wav", "-o", ""}, 2, "no output file"},
        BadInputCase{"EmptyInputPath", kGoodInput, {"", "-o", "%out.wav"}, 2, "no input file"}),
    [](const testing::TestParamInfo<BadInputCase>& info) { return std::string(info.param.title); });

INSTANTIATE_TEST_SUITE_P(
    Values, RendererBadInput,
    testing::Values(BadInputCase{"BlockNegative", kGoodInput, goodInputWith({"--block", "-5"}), 2,
                                 "bad value '-5' for --block"},
                    BadInputCase{"BlockTooLarge", kGoodInput, goodInputWith({"--block", "65537"}),
                                 2, "bad value '65537' for --block"},
                    BadInputCase{"BlockNotWhole", kGoodInput, goodInputWith({"--block", "6.4e1"}),
                                 2, "bad value '6.4e1' for --block"},
                    BadInputCase{"TailNegative", kGoodInput, goodInputWith({"--tail", "-1"}), 2,
                                 "bad value '-1' for --tail"},
                    BadInputCase{"TailNaN", kGoodInput, goodInputWith({"--tail", "nan"}), 2,
                                 "bad value 'nan' for --tail"},
                    BadInputCase{"TailInfinite", kGoodInput, goodInputWith({"--tail", "inf"}), 2,
                                 "bad value 'inf' for --tail"},
                    BadInputCase{"TailBeyondAnyDouble", kGoodInput,
                                 goodInputWith({"--tail", "1e400"}), 2,
                                 "bad value '1e400' for --tail"},
                    BadInputCase{"SeedNegative", kGoodInput, goodInputWith({"--seed", "-1"}), 2,
                                 "bad value '-1' for --seed"},
                    BadInputCase{"SeedBeyond32Bits", kGoodInput,
                                 goodInputWith({"--seed", "4294967296"}), 2,
                                 "bad value '4294967296' for --seed"},
                    BadInputCase{"SeedBeyond64Bits", kGoodInput,
                                 goodInputWith({"--seed", "99999999999999999999"}), 2,
                                 "bad value '99999999999999999999' for --seed"},
                    BadInputCase{"SeedHuge", kGoodInput, goodInputWith({"--seed", "99999999999"}),
                                 2, "bad value '99999999999' for --seed"}),
    [](const testing::TestParamInfo<BadInputCase>& info) { return std::string(info.param.title); });

TEST(RendererBadInputFile, UnreadableInputIsReportedAndLeftAlone)
{
    if (geteuid() == 0)
    {
        GTEST_SKIP() << "running as root: every file is readable";
    }
    ScratchFolder folder;
    const std::string in = folder.file("in.wav");
    writeWav(in, noise(0.1, 2, 0.5f, 1));
    std::filesystem::permissions(in, std::filesystem::perms::none);

    const RunResult result = runTool({in, "-o", folder.file("out.wav")});
    std::filesystem::permissions(in, std::filesystem::perms::owner_all);
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("cannot read"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("Permission denied"), std::string::npos) << result.err;
    EXPECT_EQ(folder.names(), std::vector<std::string>{"in.wav"});
}

TEST(RendererDamagedInput, FileCutShortIsRenderedAsFarAsItGoesWithANote)
{
    struct Container
    {
        const char* name;
        int format;
        std::size_t bytesPerSample;
    };
    ScratchFolder folder;
    for (const Container& container : {Container{"cut.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 4},
                                       Container{"cut.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_24, 3}})
    {
        const std::string path = folder.file(container.name);
        writeAudio(path, noise(0.1, 2, 0.5f, 4), container.format);
        const Audio whole = readAudio(path);
        const std::string bytes = bytesOf(path);
        // The samples come last in both files.
        const std::size_t header = bytes.size() - whole.samples.size() * container.bytesPerSample;

        // Cut at a frame boundary, and inside a sample.
        for (const std::size_t extra : {0u, 2u})
        {
            SCOPED_TRACE(std::string(container.name) + " + " + std::to_string(extra));
            const std::size_t present = 1000;
            const std::string cut = "short-" + std::string(container.name);
            writeBytes(folder.file(cut),
                       bytes.substr(0, header + present * 2 * container.bytesPerSample + extra));
            std::string err;
            const Audio out = render(folder, cut, "out.wav", {"--mix", "0", "--tail", "0"}, &err);
            EXPECT_EQ(err, "sorvell: note: '" + folder.file(cut) +
                               "' is shorter than its header says; rendering the 1000 frames "
                               "it holds\n");
            ASSERT_EQ(out.frames(), present);
            const std::vector<float> expected(whole.samples.begin(),
                                              whole.samples.begin() + present * 2);
            EXPECT_EQ(out.samples, expected);
        }
    }
}

TEST(RendererDamagedInput, StreamedWavWithoutALengthIsReadWholeWithoutANote)
{
    // A recorder writing to a pipe cannot go back to fill in the length: the data chunk
    // announces 0xFFFFFFFF bytes.
    ScratchFolder folder;
    writeWav(folder.file("whole.wav"), noise(0.1, 2, 0.5f, 6));
    std::string bytes = bytesOf(folder.file("whole.wav"));
    const std::size_t data = bytes.find("data");
    ASSERT_NE(data, std::string::npos);
    bytes.replace(data + 4, 4, "\xff\xff\xff\xff");
    writeBytes(folder.file("streamed.wav"), bytes);

    std::string err;
    const Audio out =
        render(folder, "streamed.wav", "out.wav", {"--mix", "0", "--tail", "0"}, &err);
    EXPECT_EQ(err, "");
    EXPECT_EQ(out.samples, readAudio(folder.file("whole.wav")).samples);
}

TEST(RendererDamagedInput, MoreThanTwoChannelsRenderChannelsOneAndTwo)
{
    ScratchFolder folder;
    for (const int channels : {3, 8})
    {
        SCOPED_TRACE(channels);
        const Audio many = noise(0.2, channels, 0.5f, 11);
        Audio firstTwo;
        firstTwo.channels = 2;
        for (std::size_t i = 0; i < many.frames(); ++i)
        {
            firstTwo.samples.push_back(many.at(i, 0));
            firstTwo.samples.push_back(many.at(i, 1));
        }
        writeWav(folder.file("many.wav"), many);
        writeWav(folder.file("two.wav"), firstTwo);

        std::string err;
        const Audio out = render(folder, "many.wav", "out-many.wav", kReproducible, &err);
        EXPECT_NE(
            err.find("has " + std::to_string(channels) + " channels; rendering channels 1 and 2"),
            std::string::npos)
            << err;
        EXPECT_EQ(out.channels, 2);
        EXPECT_EQ(out.samples, render(folder, "two.wav", "out-two.wav", kReproducible).samples);
    }
}

TEST(RendererDamagedInput, TheContentDecidesTheFormatNotTheExtension)
{
    ScratchFolder folder;
    const Audio in = noise(0.2, 2, 0.5f, 12);
    writeFlac(folder.file("real.flac"), in);
    writeFlac(folder.file("flac-named.wav"), in);
    writeWav(folder.file("real.wav"), in);
    writeWav(folder.file("wav-named.flac"), in);

    std::string err;
    EXPECT_EQ(render(folder, "flac-named.wav", "a.wav", kReproducible, &err).samples,
              render(folder, "real.flac", "b.wav", kReproducible).samples);
    EXPECT_EQ(err, "");
    EXPECT_EQ(render(folder, "wav-named.flac", "c.wav", kReproducible, &err).samples,
              render(folder, "real.wav", "d.wav", kReproducible).samples);
    EXPECT_EQ(err, "");
}

TEST(RendererDamagedInput, NonFiniteSamplesAreReadAsSilenceWithANote)
{
    ScratchFolder folder;
    Audio poisoned = noise(0.3, 2, 0.5f, 13);
    Audio cleaned = poisoned;
    const float bad[] = {NAN, INFINITY, -INFINITY};
    for (std::size_t i = 0; i < 30; ++i)
    {
        poisoned.samples[i * 500 + 7] = bad[i % 3];
        cleaned.samples[i * 500 + 7] = 0.0f;
    }
    writeWav(folder.file("poisoned.wav"), poisoned);
    writeWav(folder.file("cleaned.wav"), cleaned);

    std::string err;
    const Audio out = render(folder, "poisoned.wav", "a.wav", kReproducible, &err);
    EXPECT_NE(err.find("holds 30 samples that are not finite numbers"), std::string::npos) << err;
    EXPECT_TRUE(allFinite(out));
    EXPECT_EQ(out.samples, render(folder, "cleaned.wav", "b.wav", kReproducible).samples);
}

TEST(RendererDamagedInput, FileWithNoFramesGivesTheTailOnly)
{
    ScratchFolder folder;
    Audio empty;
    writeWav(folder.file("empty.wav"), empty);
    const Audio out = render(folder, "empty.wav", "out.wav", {"--tail", "0.1"});
    EXPECT_EQ(out.frames(), 4800u);
    EXPECT_TRUE(allFinite(out));
}

class RendererSampleRate : public testing::TestWithParam<int>
{
};

// The same samples at every rate: a sine 256 samples long, with the fundamental on it. An
// engine built for the file's own rate treats them all alike.
TEST_P(RendererSampleRate, DryAlignsAndASineOnAPartialKeepsItsLevel)
{
    const int rate = GetParam();
    const double hertz = rate / 256.0;
    ScratchFolder folder;
    const Audio in = sine(0.9, hertz, 0.25f, 1, rate);
    writeWav(folder.file("in.wav"), in);

    const Audio dry = render(folder, "in.wav", "dry.wav", {"--mix", "0", "--tail", "0"});
    EXPECT_EQ(dry.sampleRate, rate);
    ASSERT_EQ(dry.frames(), in.frames());
    std::size_t mismatches = 0;
    for (std::size_t i = 0; i < dry.frames(); ++i)
    {
        mismatches += dry.at(i, 0) != in.samples[i] || dry.at(i, 1) != in.samples[i];
    }
    EXPECT_EQ(mismatches, 0u);

    const std::string frequency = std::to_string(hertz);
    const Audio wet = render(folder, "in.wav", "wet.wav",
                             {"--frequency", frequency, "--mix", "1", "--tail", "0.05"});
    EXPECT_EQ(wet.sampleRate, rate);
    EXPECT_EQ(wet.frames(), in.frames() + static_cast<std::size_t>(std::llround(0.05 * rate)));
    EXPECT_TRUE(allFinite(wet));
    const std::size_t first = (in.frames() / 2 / 256) * 256;
    const std::size_t count = std::max<std::size_t>(kLatency, 8 * 256);
    ASSERT_LE(first + count, in.frames());
    for (int channel = 0; channel < 2; ++channel)
    {
        const double amplitude = sineAmplitude(wet, channel, first, count);
        EXPECT_GT(amplitude, 0.24) << "channel " << channel;
        EXPECT_LT(amplitude, 0.26) << "channel " << channel;
    }
}

INSTANTIATE_TEST_SUITE_P(Rates, RendererSampleRate,
                         testing::Values(8000, 22050, 44100, 96000, 192000, 384000),
                         [](const testing::TestParamInfo<int>& info)
                         { return std::to_string(info.param) + "Hz"; });
