// Locating files and folders by name and type, folder creation, absolute paths and
// modification dates, on a temporary folder tree.
#include "tessel/host/Runtime.h"
#include "tessel/tessel_api.h"

#include <ScratchFolder.h>

#include <gtest/gtest.h>

#include <fstream>

namespace fs = std::filesystem;

namespace
{

class PathsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        fs::create_directories(mRoot / "first" / "sub");
        fs::create_directories(mRoot / "second");
        for (const char* file :
             {"first/beat.wav", "second/beat.wav", "second/take.AIFF", "second/loop.flac",
              "second/song.mp3", "second/voice.m4a", "second/pad.caf",
              "second/quendra.device.sorvell~.so", "second/notes.txt"})
            std::ofstream(mRoot / file) << "x";
        mHost.addSearchFolder(mRoot / "first");
        mHost.addSearchFolder(mRoot / "second");
    }

    // Locates `name`; returns the absolute path found ("" if none) and the type.
    std::pair<std::string, tessel_fourcc> locate(const std::string& name,
                                                 std::vector<tessel_fourcc> types)
    {
        char buffer[TESSEL_PATH_MAX] = {};
        name.copy(buffer, name.size());
        short folder = 0;
        tessel_fourcc type = 0;
        if (locatefile_extended(buffer, &folder, &type, types.data(),
                                static_cast<short>(types.size())) != 0)
            return {"", 0};
        char absolute[TESSEL_PATH_MAX];
        EXPECT_EQ(path_toabsolutesystempath(folder, buffer, absolute), 0);
        return {absolute, type};
    }

    sorvell_test::ScratchFolder mScratch;
    const fs::path& mRoot = mScratch.path();
    tessel::host::Runtime mHost;
};

const std::vector<tessel_fourcc> kAudio{TESSEL_FILETYPE_WAVE, TESSEL_FILETYPE_AIFF,
                                        TESSEL_FILETYPE_FLAC, TESSEL_FILETYPE_MP3,
                                        TESSEL_FILETYPE_M4A,  TESSEL_FILETYPE_CAF};

} // namespace

TEST_F(PathsTest, LocatesByNameAndTypeInSearchOrder)
{
    struct Case
    {
        const char* name;
        std::vector<tessel_fourcc> types;
        std::string expected; // relative to the root, "" for not found
        tessel_fourcc type;
    };
    const Case cases[] = {
        {"beat.wav", kAudio, "first/beat.wav", TESSEL_FILETYPE_WAVE},
        {"take.AIFF", kAudio, "second/take.AIFF", TESSEL_FILETYPE_AIFF},
        {"loop.flac", kAudio, "second/loop.flac", TESSEL_FILETYPE_FLAC},
        {"song.mp3", kAudio, "second/song.mp3", TESSEL_FILETYPE_MP3},
        {"voice.m4a", kAudio, "second/voice.m4a", TESSEL_FILETYPE_M4A},
        {"pad.caf", kAudio, "second/pad.caf", TESSEL_FILETYPE_CAF},
        {"notes.txt", kAudio, "", 0},
        {"notes.txt", {}, "second/notes.txt", 0},
        {"quendra.device.sorvell~",
         {TESSEL_FILETYPE_MODULE},
         "second/quendra.device.sorvell~.so",
         TESSEL_FILETYPE_MODULE},
        {"quendra.device.sorvell~", kAudio, "", 0},
        {"sub", {TESSEL_FILETYPE_FOLDER}, "first/sub", TESSEL_FILETYPE_FOLDER},
        {"sub", kAudio, "", 0},
    };
    for (const Case& c : cases)
    {
        const auto [path, type] = locate(c.name, c.types);
        EXPECT_EQ(path, c.expected.empty() ? "" : (mRoot / c.expected).string()) << c.name;
        EXPECT_EQ(type, c.type) << c.name;
    }
    // A path with '/' is checked directly, not on the search path.
    EXPECT_EQ(locate((mRoot / "second" / "pad.caf").string(), kAudio).first,
              (mRoot / "second" / "pad.caf").string());
}
