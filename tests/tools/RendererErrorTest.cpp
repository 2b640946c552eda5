// Every way a render can fail, an interruption included: one line on stderr, a non-zero exit
// status, and no output file (nor a temporary one) left in the output folder.
#include "ToolTestSupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <ostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

using namespace sorvell_test;

namespace
{

struct ErrorCase
{
    const char* title;
    std::vector<std::string> args; // "IN", "BAD", "OUT" and "MISSING" stand for scratch paths
    int status;
    const char* message;
};

void PrintTo(const ErrorCase& error, std::ostream* out)
{
    *out << error.title;
}

class RendererError : public testing::TestWithParam<ErrorCase>
{
};

std::string substitute(const std::string& arg, const ScratchFolder& folder)
{
    if (arg == "IN")
    {
        return folder.file("in.wav");
    }
    if (arg == "BAD")
    {
        return folder.file("bad.wav");
    }
    if (arg == "OUT")
    {
        return folder.file("out.wav");
    }
    if (arg == "MISSING")
    {
        return folder.file("missing.wav");
    }
    if (arg.rfind("NOFOLDER/", 0) == 0)
    {
        return folder.file("no/such/folder/" + arg.substr(9));
    }
    return arg;
}

} // namespace

TEST_P(RendererError, FailsCleanly)
{
    const ErrorCase& error = GetParam();
    ScratchFolder folder;
    writeWav(folder.file("in.wav"), noise(0.1, 2, 0.5f, 1));
    std::ofstream(folder.file("bad.wav")) << "this is not audio\n";

    std::vector<std::string> args;
    for (const auto& arg : error.args)
    {
        args.push_back(substitute(arg, folder));
    }
    const RunResult result = runTool(args);

    EXPECT_EQ(result.status, error.status);
    EXPECT_EQ(result.err.rfind("sorvell: ", 0), 0u) << result.err;
    EXPECT_NE(result.err.find(error.message), std::string::npos) << result.err;
    EXPECT_EQ(result.err.find('\n'), result.err.size() - 1) << "one line: " << result.err;
    EXPECT_EQ(folder.names(), (std::vector<std::string>{"bad.wav", "in.wav"}));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RendererError,
    testing::Values(
        ErrorCase{"MissingInput", {"MISSING", "-o", "OUT"}, 1, "cannot read"},
        ErrorCase{"UnreadableInput", {"BAD", "-o", "OUT"}, 1, "cannot read"},
        ErrorCase{"NoOutput", {"IN"}, 2, "no output file"},
        ErrorCase{"UnknownShortOption", {"IN", "-o", "OUT", "-x"}, 2, "unknown option '-x'"},
        ErrorCase{"UnknownOption",
                  {"IN", "-o", "OUT", "--bogus", "1"},
                  2,
                  "unknown option or attribute '--bogus'"},
        ErrorCase{"UnknownBoxAttribute",
                  {"IN", "-o", "OUT", "@bogus", "1"},
                  2,
                  "unknown option or attribute '@bogus'"},
        ErrorCase{"NumberExpected",
                  {"IN", "-o", "OUT", "--decay", "long"},
                  2,
                  "bad value 'long' for --decay"},
        ErrorCase{"WholeNumberExpected",
                  {"IN", "-o", "OUT", "--voices", "2.5"},
                  2,
                  "bad value '2.5' for --voices"},
        ErrorCase{"UnknownMode",
                  {"IN", "-o", "OUT", "--mod_type", "loud"},
                  2,
                  "bad value 'loud' for --mod_type"},
        ErrorCase{"ModeOutOfRange",
                  {"IN", "-o", "OUT", "--mod_type", "7"},
                  2,
                  "bad value '7' for --mod_type"},
        ErrorCase{"MissingValue", {"IN", "-o", "OUT", "--decay"}, 2, "needs a value"},
        ErrorCase{
            "BadBlockSize", {"IN", "-o", "OUT", "--block", "0"}, 2, "bad value '0' for --block"},
        ErrorCase{"BadSeed", {"IN", "-o", "OUT", "--seed", "-3"}, 2, "bad value '-3' for --seed"},
        ErrorCase{
            "BadTail", {"IN", "-o", "OUT", "--tail", "soon"}, 2, "bad value 'soon' for --tail"},
        ErrorCase{
            "UnknownOutputFormat", {"IN", "-o", "out.mp4"}, 2, "cannot tell the output format"},
        ErrorCase{"UnwritableOutput", {"IN", "-o", "NOFOLDER/out.wav"}, 1, "cannot write"},
        ErrorCase{
            "NotAModule", {"IN", "-o", "OUT", "--module", "BAD"}, 1, "cannot load the module"},
        ErrorCase{"MissingModule",
                  {"IN", "-o", "OUT", "--module", "MISSING"},
                  1,
                  "cannot find the module file"}),
    [](const testing::TestParamInfo<ErrorCase>& info) { return std::string(info.param.title); });

TEST(RendererOutput, ExistingOutputIsReplacedOnlyByACompleteRender)
{
    ScratchFolder folder;
    const std::string in = folder.file("in.wav");
    const std::string out = folder.file("out.wav");
    writeWav(in, noise(0.1, 2, 0.5f, 1));
    std::ofstream(out) << "previous render\n";

    const RunResult failed = runTool({in, "-o", out, "--mod_type", "loud"});
    EXPECT_NE(failed.status, 0);
    std::ifstream previous(out);
    std::string line;
    std::getline(previous, line);
    EXPECT_EQ(line, "previous render");

    const RunResult done = runTool({in, "-o", out, "-q"});
    EXPECT_EQ(done.status, 0) << done.err;
    EXPECT_GT(readAudio(out).frames(), readAudio(in).frames()); // the new render, with its tail
    EXPECT_EQ(folder.names(), (std::vector<std::string>{"in.wav", "out.wav"}));
}

TEST(RendererOutput, InterruptedRenderLeavesNoFile)
{
    ScratchFolder folder;
    const std::string in = folder.file("in.wav");
    writeWav(in, noise(0.1, 2, 0.5f, 1, 8000));
    const std::string err = folder.file("err.txt");

    // An hour of tail: the render is still running whenever the signal comes.
    std::vector<std::string> words = {SORVELL_TOOL, in,       "-o",  folder.file("out.wav"),
                                      "-q",         "--tail", "3600"};
    std::vector<char*> argv;
    for (auto& word : words)
    {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t child = 0;
    ASSERT_EQ(posix_spawn(&child, SORVELL_TOOL, &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);

    // The temporary output appears once the module is loaded and the signal handler is set.
    const auto rendering = [&] { return folder.names().size() > 2; };
    int status = 0;
    for (int i = 0; i < 2000 && !rendering() && waitpid(child, &status, WNOHANG) == 0; ++i)
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_TRUE(rendering()) << "the render never started";
    kill(child, SIGINT);
    int waited = 0;
    for (int i = 0; i < 2000 && (waited = waitpid(child, &status, WNOHANG)) == 0; ++i)
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (waited == 0)
    {
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
        FAIL() << "the render did not stop";
    }

    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 130);
    std::ifstream errors(err);
    std::stringstream text;
    text << errors.rdbuf();
    EXPECT_EQ(text.str(), "sorvell: interrupted\n");
    EXPECT_EQ(folder.names(), (std::vector<std::string>{"err.txt", "in.wav"}));
}
