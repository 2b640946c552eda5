// The reference page: the module's page byte for byte against a hand-written file (which pins
// every digest), and when the page is written, kept or reported as failing.
#include "SorvellFixture.h"

#include "korin/reference_page_update.h"

#include <ScratchFolder.h>

#include <chrono>
#include <filesystem>
#include <fstream>

using namespace sorvell_test;
namespace fs = std::filesystem;

namespace
{

const char* const kClass = "quendra.device.sorvell~";

std::string expected_page()
{
    return bytesOf(fs::path(SORVELL_TEST_DATA) / "quendra.device.sorvell~.tesselref.xml");
}

// A package tree of its own: pkg/externals/<module>, pages go to pkg/docs.
class ReferencePageUpdate : public ::testing::Test
{
protected:
    void SetUp() override
    {
        fs::create_directories(mRoot / "pkg" / "externals");
        mModule = mRoot / "pkg" / "externals" / (std::string(kClass) + ".so");
        fs::copy_file(SORVELL_MODULE_PATH, mModule);
        mPage = mRoot / "pkg" / "docs" / (std::string(kClass) + ".tesselref.xml");
        mRuntime.addSearchFolder(mModule.parent_path());
    }

    // Runs the update with a prototype; returns (stdout, stderr).
    std::pair<std::string, std::string> update(const std::string& class_name = kClass)
    {
        const sorvell prototype;
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        brindle::korin::update_reference_page(prototype, class_name);
        std::string out = testing::internal::GetCapturedStdout();
        return {out, testing::internal::GetCapturedStderr()};
    }

    void write_page(const std::string& text, fs::file_time_type when)
    {
        fs::create_directories(mPage.parent_path());
        std::ofstream(mPage, std::ios::binary) << text;
        fs::last_write_time(mPage, when);
    }

    Runtime mRuntime;
    sorvell_test::ScratchFolder mScratch;
    const fs::path& mRoot = mScratch.path();
    fs::path mModule;
    fs::path mPage;
};

} // namespace

TEST_F(SorvellTest, ModuleWritesItsPageBesideTheExternalsFolder)
{
    const fs::path page = fs::path(SORVELL_MODULE_PATH).parent_path().parent_path() / "docs" /
                          "quendra.device.sorvell~.tesselref.xml";
    ASSERT_TRUE(fs::exists(page));
    EXPECT_EQ(bytesOf(page), expected_page());
}

TEST_F(ReferencePageUpdate, MissingOrOlderPageIsWrittenNewerPageIsLeftAlone)
{
    const std::string announced = "Updating Reference Page for class quendra.device.sorvell~\n";
    ASSERT_FALSE(fs::exists(mPage.parent_path()));
    EXPECT_EQ(update(), std::make_pair(announced, std::string()));
    EXPECT_EQ(bytesOf(mPage), expected_page());
    const auto module_time = fs::last_write_time(mModule);
    write_page("stale", module_time - std::chrono::hours(1));
    EXPECT_EQ(update(), std::make_pair(announced, std::string()));
    EXPECT_EQ(bytesOf(mPage), expected_page());
    write_page("edited by hand", module_time + std::chrono::hours(1));
    EXPECT_EQ(update(), std::make_pair(std::string(), std::string()));
    EXPECT_EQ(bytesOf(mPage), "edited by hand");
}

TEST_F(ReferencePageUpdate, FailuresAreReportedAndRegistrationGoesOn)
{
    EXPECT_EQ(update("quendra.device.absent~"),
              std::make_pair(std::string(), std::string("DOC UPDATE ERROR: file not found\n")));

    // A plain file where the docs folder should be.
    std::ofstream(mRoot / "pkg" / "docs") << "not a folder";
    EXPECT_EQ(update(),
              std::make_pair(std::string(),
                             std::string("DOC UPDATE ERROR: error trying to create folder\n")));
}
