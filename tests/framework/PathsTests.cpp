// Locating, creating and dating files and folders through the host's search path.
#include "korin/error.h"
#include "korin/paths.h"

#include <ScratchFolder.h>

#include <tessel/host/Runtime.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace brindle::korin;
namespace fs = std::filesystem;

namespace
{

class PathsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        fs::create_directories(mRoot / "search");
        std::ofstream(mRoot / "search" / "take.wav") << "RIFF";
        std::ofstream(mRoot / "search" / "notes.txt") << "text";
        mRuntime.addSearchFolder(mRoot / "search");
    }

    static std::string error_text(const std::function<void()>& action)
    {
        try
        {
            action();
        }
        catch (const error& failure)
        {
            return failure.what();
        }
        return "no error";
    }

    tessel::host::Runtime mRuntime;
    sorvell_test::ScratchFolder mScratch;
    const fs::path& mRoot = mScratch.path();
};

} // namespace

TEST_F(PathsTest, LocatesCreatesAndDatesAndReportsEachFailure)
{
    const path_record take = locate("take.wav", path_kind::audio);
    EXPECT_EQ(take.type, TESSEL_FILETYPE_WAVE);
    EXPECT_FALSE(take.is_folder);
    EXPECT_EQ(fs::path(absolute_system_path(take)), mRoot / "search" / "take.wav");
    EXPECT_GT(modification_date(take), 0u);
    EXPECT_EQ(locate("notes.txt", path_kind::any).name, "notes.txt");

    const fs::path docs = mRoot / "docs";
    for (int pass = 0; pass < 2; ++pass) // created once, then found
    {
        const path_record folder = locate(docs.string(), path_kind::folder, true);
        EXPECT_TRUE(fs::is_directory(docs));
        EXPECT_EQ(folder.type, TESSEL_FILETYPE_FOLDER);
        EXPECT_EQ(fs::path(absolute_system_path(folder)), docs);
        EXPECT_GT(modification_date(folder), 0u);
    }

    struct failure_case
    {
        std::function<void()> action;
        const char* text;
    };
    const fs::path deeper = mRoot / "none" / "deeper";
    for (const auto& c :
         {
             failure_case{[] { locate("notes.txt", path_kind::audio); }, "file not found"},
             failure_case{[] { locate("missing.wav", path_kind::audio); }, "file not found"},
             failure_case{[] { locate("missing.wav", path_kind::audio, true); },
                          "can only create folders, not files"},
             failure_case{[] { locate("missing.so", path_kind::external, true); },
                          "can only create folders, not files"},
             failure_case{[&] { locate(deeper.string(), path_kind::folder, true); },
                          "error trying to create folder"},
             failure_case{[] {
                              modification_date(path_record{"gone.wav", 1, 0, false});
                          },
                          "failed to get date modified"},
         })
        EXPECT_EQ(error_text(c.action), c.text);
}
