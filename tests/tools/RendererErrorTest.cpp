// Every way a render can fail, bad files and an interruption included: one line on stderr, a
// non-zero exit status, and no new or changed file (nor a temporary one) in the folder.
#include "ToolTestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/wait.h>

#include <chrono>
#include <fstream>
#include <map>
#include <ostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

using namespace sorvell_test;

namespace
{

struct ErrorCase
{
    const char* title;
    std::string args; // words apart by spaces; "%name" is that entry of the scratch folder, "%"
                      // alone an empty word
    int status;
    std::string message;
};

void PrintTo(const ErrorCase& error, std::ostream* out)
{
    *out << error.title;
}

// A good input and an output with one bad option value.
ErrorCase badValue(const char* title, const std::string& option, const std::string& value)
{
    return {title, "%in.wav -o %out.wav " + option + " " + value, 2,
            "bad value '" + value + "' for " + option};
}

// Good, broken and unsupported files side by side.
void prepare(const ScratchFolder& folder)
{
    writeWav(folder.file("in.wav"), noise(0.1, 2, 0.5f, 1));
    writeBytes(folder.file("out.wav"), "previous render\n"); // left alone by a failed render
    writeBytes(folder.file("text.wav"), "RIFF? no, a shopping list\n");
    writeBytes(folder.file("empty.wav"), "");
    writeBytes(folder.file("cut30.wav"), bytesOf(folder.file("in.wav")).substr(0, 30));
    writeWav(folder.file("cut.flac"), noise(0.5, 2, 0.5f, 3), SF_FORMAT_FLAC | SF_FORMAT_PCM_24);
    const std::string flac = bytesOf(folder.file("cut.flac"));
    writeBytes(folder.file("cut.flac"), flac.substr(0, flac.size() / 2));
    for (const int rate : {2000, 384000, 768000, 1000000})
    {
        writeWav(folder.file(std::to_string(rate) + ".wav"), noise(0.05, 1, 0.5f, 2, rate));
    }
    std::filesystem::create_directory(folder.file("dir.wav"));
    std::filesystem::create_symlink(folder.file("in.wav"), folder.file("link.wav"));
}

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

class RendererError : public testing::TestWithParam<ErrorCase>
{
};

} // namespace

TEST_P(RendererError, FailsWithOneLineAndTouchesNoFile)
{
    const ErrorCase& error = GetParam();
    ScratchFolder folder;
    prepare(folder);
    const auto before = snapshot(folder);
    std::vector<std::string> args;
    std::istringstream words(error.args);
    for (std::string word; words >> word;)
    {
        args.push_back(word.front() == '%' ? (word == "%" ? "" : folder.file(word.substr(1)))
                                           : word);
    }
    const RunResult result = runTool(args);
    EXPECT_EQ(result.status, error.status);
    EXPECT_EQ(result.err.rfind("sorvell: ", 0), 0u) << result.err;
    EXPECT_NE(result.err.find(error.message), std::string::npos) << result.err;
    EXPECT_EQ(result.err.find('\n'), result.err.size() - 1) << "one line: " << result.err;
    EXPECT_EQ(snapshot(folder), before);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RendererError,
    testing::Values(
        ErrorCase{"MissingInput", "%missing.wav -o %out.wav", 1, "cannot read"},
        ErrorCase{"TextNamedWav", "%text.wav -o %out.wav", 1, "not an audio file"},
        ErrorCase{"ZeroLengthFile", "%empty.wav -o %out.wav", 1, "cannot read"},
        ErrorCase{"HeaderCutMidway", "%cut30.wav -o %out.wav", 1,
                  "a damaged or unsupported audio file"},
        ErrorCase{"FlacCutShort", "%cut.flac -o %out.wav", 1, "damaged or cut short"},
        ErrorCase{"FolderAsInput", "%dir.wav -o %out.wav", 1, "it is a folder"},
        ErrorCase{"DemoIntoAFolder", "--demo %dir.wav", 1, "it is a folder"},
        ErrorCase{"SampleRateTooLow", "%2000.wav -o %out.wav", 1, "rate of 2000 Hz is outside"},
        ErrorCase{"SampleRateTooHigh", "%1000000.wav -o %out.wav", 1,
                  "rate of 1000000 Hz is outside"},
        ErrorCase{"VorbisAbove200kHz", "%384000.wav -o %out.ogg", 1,
                  "Ogg Vorbis cannot hold 384000 Hz audio (WAV, FLAC and AIFF can)"},
        ErrorCase{"FlacAbove655kHz", "%768000.wav -o %out.flac", 1,
                  "FLAC cannot hold 768000 Hz audio (WAV and AIFF can)"},
        ErrorCase{"UnwritableOutput", "%in.wav -o %no/such/out.wav", 1, "cannot write"},
        ErrorCase{"OutputIsTheInput", "%in.wav -o %in.wav", 2, "is the input file"},
        ErrorCase{"OutputIsALinkToTheInput", "%link.wav -o %in.wav", 2, "is the input file"},
        ErrorCase{"UnknownOutputExtension", "%in.wav -o %out.mp3", 2,
                  "cannot tell the output format"},
        ErrorCase{"OutputWithoutExtension", "%in.wav -o %out", 2, "cannot tell the output format"},
        ErrorCase{"NoOutput", "%in.wav", 2, "no output file"},
        ErrorCase{"EmptyOutputPath", "%in.wav -o %", 2, "no output file"},
        ErrorCase{"EmptyInputPath", "% -o %out.wav", 2, "no input file"},
        ErrorCase{"NotAModule", "%in.wav -o %out.wav --module %text.wav", 1,
                  "cannot load the module"},
        ErrorCase{"MissingModule", "%in.wav -o %out.wav --module %x", 1,
                  "cannot find the module file"},
        ErrorCase{"UnknownShortOption", "%in.wav -o %out.wav -x", 2, "unknown option '-x'"},
        ErrorCase{"UnknownOption", "%in.wav -o %out.wav --bogus 1", 2, "attribute '--bogus'"},
        ErrorCase{"UnknownBoxAttribute", "%in.wav -o %out.wav @bogus 1", 2, "attribute '@bogus'"},
        ErrorCase{"MissingValue", "%in.wav -o %out.wav --decay", 2, "'--decay' needs a value"},
        ErrorCase{"UnknownLastOption", "%in.wav -o %out.wav --bogus", 2,
                  "unknown option or attribute '--bogus'"},
        ErrorCase{"UnknownPreset", "%in.wav -o %out.wav --preset loud", 2,
                  "unknown preset 'loud' (presets: drone, "},
        ErrorCase{"BitsForOgg", "%in.wav -o %out.ogg --bits 16", 2, "--bits does not apply"},
        ErrorCase{"FloatFlac", "%in.wav -o %out.flac --bits float", 2, "FLAC holds 16 or 24"},
        ErrorCase{"SeveralInputsOneFile", "%in.wav %link.wav -o %out.wav", 2,
                  "several inputs need an output folder"},
        ErrorCase{"SameNameTwiceInABatch", "%in.wav %dir.wav/../in.wav -o %dir.wav/", 2,
                  "two inputs would both be written to"},
        ErrorCase{"UnknownAttributeInABatch", "%in.wav %link.wav -o %dir.wav/ --bogus 1", 2,
                  "unknown option or attribute '--bogus'"},
        ErrorCase{"StandardInputInABatch", "- %in.wav -o %dir.wav/", 2,
                  "standard input ('-') cannot be part of a batch"},
        ErrorCase{"TimesFalling", "%in.wav -o %out.wav --frequency 1:110,0:220", 2,
                  "times must start at 0 or later and never fall"},
        ErrorCase{"BreakpointWithoutTime", "%in.wav -o %out.wav --decay 0:1,2", 2,
                  "'2' is not SECONDS:VALUE"},
        badValue("UnknownNote", "--frequency", "H2"),
        ErrorCase{"FrequencyUnitForATime", "%in.wav -o %out.wav --decay 110hz", 2,
                  "bad value '110hz' for --decay ('hz' makes a frequency, but this takes a time; "
                  "expected seconds (2, 2s) or milliseconds (500ms))"},
        ErrorCase{"TimeUnitForAFrequency", "%in.wav -o %out.wav --frequency 0:A2,1:2s", 2,
                  "bad value '2s' for --frequency ('s' makes a time, but this takes a frequency"},
        ErrorCase{"UnknownUnit", "%in.wav -o %out.wav --gain -3dbu", 2,
                  "bad value '-3dbu' for --gain (unknown unit 'dbu'; expected decibels"},
        ErrorCase{"PercentForACount", "%in.wav -o %out.wav --harmonics 50%", 2,
                  "bad value '50%' for --harmonics (expected a whole number)"},
        ErrorCase{"UnitOnABreakpointTime", "%in.wav -o %out.wav --decay 2hz:1", 2,
                  "'2hz:1' is not SECONDS:VALUE"},
        badValue("TailInHertz", "--tail", "5hz"),
        ErrorCase{"NormalizeInSeconds", "%in.wav -o %out.wav --normalize=-1s", 2,
                  "bad value '-1s' for --normalize"},
        ErrorCase{"NoteInABadBreakpoint", "%in.wav -o %out.wav --frequency 0:A2,1:Q3", 2,
                  "bad value 'Q3' for --frequency"},
        badValue("NormalizeAboveZero", "--normalize", "3"), badValue("UnknownBits", "--bits", "12"),
        badValue("UnknownType", "--type", "mp3"), badValue("NoJobs", "-j", "0"),
        badValue("NumberExpected", "--decay", "long"),
        badValue("WholeNumberExpected", "--voices", "2.5"),
        badValue("UnknownMode", "--mod_type", "loud"),
        badValue("ModeOutOfRange", "--mod_type", "7"), badValue("BlockZero", "--block", "0"),
        badValue("BlockTooLarge", "--block", "65537"),
        badValue("BlockNotWhole", "--block", "6.4e1"), badValue("TailNotANumber", "--tail", "soon"),
        badValue("TailNegative", "--tail", "-1"), badValue("TailNaN", "--tail", "nan"),
        badValue("TailBeyondAnyDouble", "--tail", "1e400"),
        badValue("SeedNegative", "--seed", "-1"),
        badValue("SeedBeyond32Bits", "--seed", "4294967296"),
        badValue("SeedBeyond64Bits", "--seed", "99999999999999999999")),
    [](const testing::TestParamInfo<ErrorCase>& info) { return std::string(info.param.title); });

// A render stopped by a signal removes its temporary file and exits with 128 + the signal.
// The render is 46 minutes at 192 kHz, 4.3 GB of 32-bit float WAV: long enough to be running
// when the signal comes, and past the 4 GiB a RIFF header can count, so the file being
// written must be RF64 from its first bytes.
TEST(RendererSignals, AStoppedRenderLeavesNoFileAndExitsWith128PlusTheSignal)
{
    struct Case
    {
        int signal;
        const char* name;
    };
    for (const Case c : {Case{SIGINT, "SIGINT"}, Case{SIGTERM, "SIGTERM"}, Case{SIGHUP, "SIGHUP"}})
    {
        SCOPED_TRACE(c.name);
        ScratchFolder folder;
        writeWav(folder.file("in.wav"), noise(0.01, 1, 0.5f, 1, 192000));
        const pid_t child =
            startTool({folder.file("in.wav"), "-o", folder.file("out.wav"), "-q", "--tail", "2797"},
                      "/dev/null", folder.file("err.txt"));
        ASSERT_GT(child, 0);

        // The temporary output appears, header first, once the module is loaded and the
        // signal handlers are set.
        std::string header;
        int status = 0;
        pid_t waited = 0;
        for (int i = 0; i < 2000 && header.size() < 16 && waited == 0; ++i)
        {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            for (const auto& name : folder.names())
            {
                if (name.rfind(".out.wav.", 0) == 0)
                {
                    char first[16] = {};
                    std::ifstream file(folder.file(name), std::ios::binary);
                    file.read(first, sizeof first);
                    header.assign(first, static_cast<std::size_t>(file.gcount()));
                }
            }
            waited = waitpid(child, &status, WNOHANG);
        }
        if (waited == 0)
        {
            kill(child, header.size() == 16 ? c.signal : SIGKILL);
        }
        for (int i = 0; i < 2000 && waited == 0; ++i)
        {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            waited = waitpid(child, &status, WNOHANG);
        }
        if (waited == 0)
        {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            FAIL() << "the render did not stop";
        }
        ASSERT_EQ(header.size(), 16u) << "the render never started";
        EXPECT_EQ(header.substr(0, 4), "RF64");
        EXPECT_EQ(header.substr(8, 8), "WAVEds64");
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 128 + c.signal);
        EXPECT_EQ(bytesOf(folder.file("err.txt")),
                  std::string("sorvell: interrupted by ") + c.name + "\n");
        EXPECT_EQ(folder.names(), (std::vector<std::string>{"err.txt", "in.wav"}));
    }
}
