// What the renderer writes: the clipping report and --normalize, the same bytes for the same
// render in every format, standard input and output, writing through a symbolic link, and
// RF64 for a WAV file past 4 GiB.
#include "ToolTestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
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
