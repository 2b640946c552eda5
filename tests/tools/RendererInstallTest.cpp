// `cmake --install` of the renderer component into a fresh prefix gives a renderer that finds its
// module, reads the attribute descriptions from the installed reference page without rewriting it,
// prints nothing but its own output, and has a man page.
#include "ToolTestSupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <filesystem>
#include <string>
#include <vector>

extern char** environ;

using namespace sorvell_test;

namespace
{

// Runs a program with standard output dropped and standard error into `err`; its exit status.
int runProgram(std::vector<std::string> words, const std::string& err)
{
    std::vector<char*> argv;
    for (auto& word : words)
    {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t child = -1;
    int status = -1;
    if (posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ) == 0)
    {
        waitpid(child, &status, 0);
    }
    posix_spawn_file_actions_destroy(&actions);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

TEST(RendererInstall, AnInstalledRendererFindsEverythingBesideIt)
{
    ScratchFolder folder;
    const std::string prefix = folder.file("prefix");
    ASSERT_EQ(runProgram({SORVELL_CMAKE, "--install", SORVELL_BUILD_DIR, "--component", "renderer",
                          "--prefix", prefix},
                         folder.file("install.log")),
              0)
        << bytesOf(folder.file("install.log"));
    const std::string page = prefix + "/lib/sorvell/docs/quendra.device.sorvell~.tesselref.xml";
    ASSERT_TRUE(
        std::filesystem::exists(prefix + "/lib/sorvell/externals/quendra.device.sorvell~.so"));
    ASSERT_TRUE(std::filesystem::exists(page));
    EXPECT_TRUE(std::filesystem::exists(prefix + "/share/man/man1/sorvell.1"));
    const auto pageTime = std::filesystem::last_write_time(page);

    writeWav(folder.file("in.wav"), noise(0.1, 2, 0.5f, 1));
    EXPECT_EQ(runProgram({prefix + "/bin/sorvell", folder.file("in.wav"), "-o",
                          folder.file("out.wav"), "--preset", "bell", "-q"},
                         folder.file("err")),
              0);
    EXPECT_EQ(bytesOf(folder.file("err")), "");
    EXPECT_EQ(readAudio(folder.file("out.wav")).channels, 2);
    EXPECT_EQ(std::filesystem::last_write_time(page), pageTime); // not rewritten
}
