// `cmake --install` of the renderer component into a fresh prefix gives a renderer that finds its
// module, reads the attribute descriptions from the installed reference page without rewriting it,
// prints nothing but its own output, and has a man page.
#include "ToolTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

using namespace sorvell_test;

TEST(RendererInstall, AnInstalledRendererFindsEverythingBesideIt)
{
    ScratchFolder folder;
    const std::string prefix = folder.file("prefix");
    const RunResult install = runProgram({SORVELL_CMAKE, "--install", SORVELL_BUILD_DIR,
                                          "--component", "renderer", "--prefix", prefix});
    ASSERT_EQ(install.status, 0) << install.err;
    const std::string page = prefix + "/lib/sorvell/docs/quendra.device.sorvell~.tesselref.xml";
    ASSERT_TRUE(
        std::filesystem::exists(prefix + "/lib/sorvell/externals/quendra.device.sorvell~.so"));
    ASSERT_TRUE(std::filesystem::exists(page));
    EXPECT_TRUE(std::filesystem::exists(prefix + "/share/man/man1/sorvell.1"));
    const auto pageTime = std::filesystem::last_write_time(page);

    writeWav(folder.file("in.wav"), noise(0.1, 2, 0.5f, 1));
    const RunResult run = runProgram({prefix + "/bin/sorvell", folder.file("in.wav"), "-o",
                                      folder.file("out.wav"), "--preset", "bell", "-q"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(readAudio(folder.file("out.wav")).channels, 2);
    const RunResult list = runProgram({prefix + "/bin/sorvell", "--list"});
    EXPECT_NE(list.out.find("Set the decay length in seconds"), std::string::npos) << list.out;
    EXPECT_EQ(std::filesystem::last_write_time(page), pageTime); // not rewritten
}
