// What the renderer writes: the clipping report and --normalize, the same bytes for the same
// render in every format, standard input and output, writing through a symbolic link, RF64 for
// a WAV file past 4 GiB, the float WAV format chunk, a closed pipe, a folder as output and a
// --type that disagrees with the extension.
#include "ToolTestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

using namespace sorvell_test;

namespace
{

struct LevelCase
{
    const char* output;
    std::vector<std::string> options;
    const char* report; // what stderr holds; "" for nothing
    double peakDbfs;    // the output's peak; NAN: not checked
};

// With 12 dB of gain the resonance of this noise goes well above full scale.
const std::vector<std::string> kResonance = {"--voices", "8", "--frequency", "40", "--decay", "5",
                                             "--seed",   "1", "--tail",      "0"};

} // namespace

TEST(RendererLevels, ClippingIsReportedAndNormalizeSetsThePeak)
{
    ScratchFolder folder;
    writeWav(folder.file("in.wav"), noise(1.0, 2, 0.5f, 21));
    const std::vector<LevelCase> cases = {
        {"clip.flac", {"--gain", "12"}, "samples clipped (peak +", NAN},
        {"clip.wav", {"--gain", "12", "--bits", "16"}, "samples clipped (peak +", NAN},
        {"over.wav", {"--gain", "12"}, "note: '%' peaks at +", NAN}, // float keeps it
        {"quiet.flac", {"--gain", "-24"}, "", NAN},
        {"norm.flac", {"--gain", "12", "--normalize"}, "", -1.0},
        {"norm6.wav", {"--gain", "12", "--normalize", "-6"}, "", -6.0},
        {"norm16.aiff", {"--gain", "-24", "--normalize=-0.5", "--bits", "16"}, "", -0.5},
    };
    for (const LevelCase& c : cases)
    {
        SCOPED_TRACE(c.output);
        std::vector<std::string> args = {folder.file("in.wav"), "-o", folder.file(c.output), "-q"};
        args.insert(args.end(), kResonance.begin(), kResonance.end());
        args.insert(args.end(), c.options.begin(), c.options.end());
        const RunResult result = runTool(args);
        ASSERT_EQ(result.status, 0) << result.err;
        std::string report = c.report;
        if (const auto at = report.find('%'); at != std::string::npos)
        {
            report.replace(at, 1, folder.file(c.output));
        }
        if (report.empty())
        {
            EXPECT_EQ(result.err, "");
        }
        else
        {
            EXPECT_NE(result.err.find(report), std::string::npos) << result.err;
            EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
        }
        if (!std::isnan(c.peakDbfs))
        {
            const double peak = 20.0 * std::log10(peakOf(readAudio(folder.file(c.output))));
            EXPECT_NEAR(peak, c.peakDbfs, 0.01);
        }
    }
}

// --limit: a hot render to 16 bits keeps its peaks under the ceiling instead of clipping, and
// says so in one note; a render that stays under the ceiling is the same file with or without.
TEST(RendererLevels, LimitKeepsThePeaksUnderTheCeilingAndLeavesQuietRendersAlone)
{
    ScratchFolder folder;
    writeWav(folder.file("in.wav"), noise(1.0, 2, 0.5f, 21));
    const auto run = [&](const std::string& output, const std::vector<std::string>& options)
    {
        std::vector<std::string> args = {folder.file("in.wav"), "-o", folder.file(output), "-q"};
        args.insert(args.end(), kResonance.begin(), kResonance.end());
        args.insert(args.end(), options.begin(), options.end());
        return runTool(args);
    };
    struct Case
    {
        const char* output;
        std::vector<std::string> options;
        double ceiling;
    };
    for (const Case& c : {Case{"limit16.wav", {"--gain", "12", "--bits", "16", "--limit"}, -1.0},
                          Case{"limit3.flac", {"--gain", "12", "--limit", "-3db"}, -3.0},
                          Case{"both.flac", {"--gain", "12", "--normalize", "0", "--limit"}, -1.0}})
    {
        SCOPED_TRACE(c.output);
        const RunResult result = run(c.output, c.options);
        ASSERT_EQ(result.status, 0) << result.err;
        char ceiling[16];
        std::snprintf(ceiling, sizeof ceiling, "%.1f", c.ceiling);
        EXPECT_EQ(result.err.rfind("sorvell: note: '" + folder.file(c.output) +
                                       "': the limiter held the true peak to " + ceiling +
                                       " dBFS, reducing the level by up to ",
                                   0),
                  0u)
            << result.err;
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
        const double peak = 20.0 * std::log10(peakOf(readAudio(folder.file(c.output))));
        EXPECT_LE(peak, c.ceiling + 0.001);
        EXPECT_GT(peak, c.ceiling - 1.0); // limited, not turned down as a whole
    }
    ASSERT_EQ(run("quiet.flac", {"--gain", "-24"}).status, 0);
    const RunResult quiet = run("quiet-limited.flac", {"--gain", "-24", "--limit"});
    EXPECT_EQ(quiet.err, "");
    EXPECT_EQ(bytesOf(folder.file("quiet-limited.flac")), bytesOf(folder.file("quiet.flac")));
}

TEST(RendererFiles, TheSameRenderGivesTheSameBytesInEveryFormat)
{
    ScratchFolder folder;
    writeWav(folder.file("in.wav"), noise(0.5, 2, 0.5f, 8));
    const std::vector<std::vector<std::string>> formats = {
        {"a.wav"},  {"b.wav", "--bits", "24"},     {"c.flac"}, {"d.flac", "--bits", "16"},
        {"e.aiff"}, {"f.aiff", "--bits", "float"}, {"g.ogg"}};
    const auto renderBytes = [&](const std::vector<std::string>& format, const std::string& prefix,
                                 const std::string& seed)
    {
        std::vector<std::string> options(format.begin() + 1, format.end());
        options.insert(options.end(), {"--mod_type", "granular", "--seed", seed, "--tail", "0.1"});
        const Audio out = render(folder, "in.wav", prefix + format[0], options);
        EXPECT_EQ(out.sampleRate, 48000);
        EXPECT_EQ(out.channels, 2);
        EXPECT_EQ(out.frames(), 24000u + 4800u); // the input and the 0.1 s tail
        return bytesOf(folder.file(prefix + format[0]));
    };
    for (const auto& format : formats)
    {
        SCOPED_TRACE(format[0]);
        const std::string first = renderBytes(format, "1", "4");
        EXPECT_EQ(renderBytes(format, "2", "4"), first);
        EXPECT_NE(renderBytes(format, "3", "5"), first);
    }
    // Floating-point WAV and AIFF files keep their PEAK chunk, with no time of writing in it.
    for (const char* name : {"1a.wav", "1f.aiff"})
    {
        const std::string bytes = bytesOf(folder.file(name));
        const auto peak = bytes.find("PEAK");
        ASSERT_NE(peak, std::string::npos) << name;
        EXPECT_EQ(bytes.substr(peak + 12, 4), std::string(4, '\0')) << name;
    }
}

TEST(RendererFiles, StandardInputAndOutputCarryTheSameFile)
{
    ScratchFolder folder;
    writeWav(folder.file("in.flac"), noise(0.3, 2, 0.5f, 2), SF_FORMAT_FLAC | SF_FORMAT_PCM_16);
    const std::vector<std::string> options = {"--seed", "3", "--tail", "0.1", "-q"};
    const auto run = [&](std::vector<std::string> args, const std::string& in)
    {
        args.insert(args.end(), options.begin(), options.end());
        const RunResult result = runTool(args, in);
        EXPECT_EQ(result.status, 0) << result.err;
        return result.out;
    };
    run({folder.file("in.flac"), "-o", folder.file("file.wav")}, "/dev/null");
    const std::string file = bytesOf(folder.file("file.wav"));
    EXPECT_EQ(run({"-", "-o", folder.file("piped.wav")}, folder.file("in.flac")), "");
    EXPECT_EQ(bytesOf(folder.file("piped.wav")), file);
    EXPECT_EQ(run({folder.file("in.flac"), "-o", "-"}, "/dev/null"), file);
    run({folder.file("in.flac"), "-o", folder.file("file.ogg")}, "/dev/null");
    EXPECT_EQ(run({"-", "-o", "-", "--type", "ogg"}, folder.file("in.flac")),
              bytesOf(folder.file("file.ogg")));
    EXPECT_EQ(folder.names(),
              (std::vector<std::string>{"file.ogg", "file.wav", "in.flac", "piped.wav"}));
}

TEST(RendererFiles, ALinkIsWrittenThroughAndAReplacedFileKeepsItsMode)
{
    ScratchFolder folder;
    writeWav(folder.file("in.wav"), noise(0.1, 2, 0.5f, 2));
    writeBytes(folder.file("target.wav"), "old");
    chmod(folder.file("target.wav").c_str(), 0640);
    std::filesystem::create_symlink("target.wav", folder.file("link.wav"));
    render(folder, "in.wav", "link.wav", {"--tail", "0"});
    EXPECT_TRUE(std::filesystem::is_symlink(folder.file("link.wav")));
    struct stat info
    {
    };
    ASSERT_EQ(stat(folder.file("target.wav").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_EQ(readAudio(folder.file("target.wav")).frames(), 4800u);
    EXPECT_EQ(folder.names(), (std::vector<std::string>{"in.wav", "link.wav", "target.wav"}));
}

// A float WAV file's format chunk carries the extension size (0) that every format but PCM
// must have, so that strict readers take it without a warning.
TEST(RendererFiles, FloatWavHasTheExtendedFormatChunk)
{
    ScratchFolder folder;
    writeWav(folder.file("in.wav"), noise(0.1, 2, 0.5f, 2));
    const Audio out = render(folder, "in.wav", "out.wav", {"--tail", "0"});
    EXPECT_EQ(out.frames(), 4800u);
    const std::string bytes = bytesOf(folder.file("out.wav"));
    ASSERT_GT(bytes.size(), 46u);
    const auto little = [&](std::size_t at, int count)
    {
        std::uint32_t value = 0;
        for (int i = count - 1; i >= 0; --i)
            value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
        return value;
    };
    EXPECT_EQ(bytes.substr(12, 4), "fmt ");
    EXPECT_EQ(little(16, 4), 18u);             // chunk size
    EXPECT_EQ(little(20, 2), 3u);              // IEEE float
    EXPECT_EQ(little(36, 2), 0u);              // extension size
    EXPECT_EQ(bytes.substr(38, 4), "fact");    // the chunks that follow, unmoved
    EXPECT_EQ(little(4, 4), bytes.size() - 8); // the RIFF size
    if (std::filesystem::exists("/usr/bin/sox"))
    {
        const RunResult sox = runProgram({"/usr/bin/sox", folder.file("out.wav"), "-n"});
        EXPECT_EQ(sox.status, 0);
        EXPECT_EQ(sox.err, "");
    }
    // 16-bit WAV stays the plain PCM chunk.
    render(folder, "in.wav", "pcm.wav", {"--tail", "0", "--bits", "16"});
    EXPECT_EQ(bytesOf(folder.file("pcm.wav")).substr(16, 4), std::string("\x10\0\0\0", 4));
}

TEST(RendererFiles, AClosedPipeEndsTheRenderQuietly)
{
    ScratchFolder folder;
    writeWav(folder.file("in.wav"), noise(1.0, 2, 0.5f, 2));
    const RunResult result = runProgram({"/bin/bash", "-c",
                                         "\"$0\" \"$1\" -o - -q | head -c 1000 > /dev/null; "
                                         "echo ${PIPESTATUS[0]}",
                                         SORVELL_TOOL, folder.file("in.wav")});
    EXPECT_EQ(result.out, "141\n"); // 128 + SIGPIPE, as a program the signal ended
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(folder.names(), std::vector<std::string>{"in.wav"});
}

TEST(RendererFiles, AnExistingFolderTakesOneInputUnderItsOwnName)
{
    ScratchFolder folder;
    writeWav(folder.file("in.wav"), noise(0.1, 2, 0.5f, 2));
    std::filesystem::create_directory(folder.file("renders"));
    const RunResult result =
        runTool({folder.file("in.wav"), "-o", folder.file("renders"), "-q", "--tail", "0"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(readAudio(folder.file("renders/in.wav")).frames(), 4800u);
}

TEST(RendererFiles, ATypeThatDisagreesWithTheExtensionIsWarnedAbout)
{
    ScratchFolder folder;
    writeWav(folder.file("in.wav"), noise(0.1, 2, 0.5f, 2));
    const auto run = [&](const std::string& output, const std::string& type)
    {
        return runTool({folder.file("in.wav"), "-o", folder.file(output), "-q", "--tail", "0",
                        "--type", type});
    };
    const RunResult mismatch = run("x.wav", "flac");
    EXPECT_EQ(mismatch.status, 0);
    EXPECT_EQ(mismatch.err, "sorvell: warning: '" + folder.file("x.wav") +
                                "' is written as FLAC (--type flac), not as its extension says\n");
    EXPECT_EQ(bytesOf(folder.file("x.wav")).substr(0, 4), "fLaC");
    for (const auto& [output, type] : {std::pair{"y.flac", "flac"}, std::pair{"z.raw", "wav"}})
    {
        EXPECT_EQ(run(output, type).err, "") << output; // agreeing, or an extension of no format
    }
}
