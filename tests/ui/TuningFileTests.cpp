// The window's tuning files and the tuning the plugin keeps as state: a file that does not
// read is refused with its name and reason and leaves the tuning as it was; a keyboard mapping
// that arrives before its scale (hosts restore state keys in their own order) waits for it.
#include "TuningFile.h"
#include "TuningState.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

namespace
{

using namespace quendra::plugin;
using namespace quendra::plugin::ui;

const std::string kScale = "! third.scl\nthirds\n2\n5/4\n2/1\n";
const std::string kKeymap = "0\n0\n127\n60\n60\n300.0\n0\n";

class TuningFiles : public ::testing::Test
{
protected:
    std::string write(const std::string& name, const std::string& text)
    {
        const auto path = mDirectory / name;
        std::ofstream(path, std::ios::binary) << text;
        return path.string();
    }
    void TearDown() override { std::filesystem::remove_all(mDirectory); }

    std::filesystem::path mDirectory = []
    {
        auto dir = std::filesystem::temp_directory_path() /
                   ("sorvell-tuning-files-" +
                    std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
        std::filesystem::create_directories(dir);
        return dir;
    }();
};

TEST_F(TuningFiles, AGoodScaleIsTakenABrokenOneIsRefusedWithItsReasonAndTheOldOneKept)
{
    TuningState tuning;
    const auto good = chooseTuningFile(tuning, kTuningScaleKey, write("third.scl", kScale));
    ASSERT_TRUE(good.accepted) << good.error;
    EXPECT_EQ(good.text, kScale);
    EXPECT_EQ(tuning.text(kTuningScaleKey), kScale);
    EXPECT_EQ(tuning.description(), "thirds");

    const auto broken = chooseTuningFile(tuning, kTuningScaleKey,
                                         write("broken.scl", "! broken\nbroken\n3\n100.0\nx\n"));
    EXPECT_FALSE(broken.accepted);
    EXPECT_EQ(broken.error, "broken.scl: scale file line 5: 'x' is neither cents nor a ratio");
    EXPECT_EQ(tuning.text(kTuningScaleKey), kScale);

    const auto missing =
        chooseTuningFile(tuning, kTuningScaleKey, (mDirectory / "no.scl").string());
    EXPECT_EQ(missing.error, "no.scl: cannot be read as a Scala file");
    const auto binary =
        chooseTuningFile(tuning, kTuningScaleKey, write("bin.scl", std::string("a\0b\n", 4)));
    EXPECT_EQ(binary.error, "bin.scl: not a text file");
    const auto huge =
        chooseTuningFile(tuning, kTuningScaleKey, write("huge.scl", std::string(2 << 20, '!')));
    EXPECT_EQ(huge.error, "huge.scl: cannot be read as a Scala file");
    EXPECT_EQ(tuning.text(kTuningScaleKey), kScale);
}

TEST(TuningState, AMappingBeforeItsScaleWaitsForItAndEmptyTextsAreEqualTemperament)
{
    TuningState tuning;
    const auto mapOnly = tuning.replace(kTuningKeymapKey, kKeymap);
    ASSERT_TRUE(mapOnly.tuning);
    EXPECT_NEAR(mapOnly.tuning->frequency(69), 440.0, 1e-9);
    EXPECT_EQ(tuning.text(kTuningKeymapKey), kKeymap);

    const auto both = tuning.replace(kTuningScaleKey, kScale);
    ASSERT_TRUE(both.tuning);
    EXPECT_NEAR(both.tuning->frequency(60), 300.0, 1e-9);
    EXPECT_NEAR(both.tuning->frequency(61), 375.0, 1e-9);
    EXPECT_NEAR(both.tuning->frequency(62), 600.0, 1e-9);

    EXPECT_FALSE(tuning.replace("tuning_scale", kScale).tuning);
    const auto equal = tuning.replace(kTuningScaleKey, "");
    ASSERT_TRUE(equal.tuning);
    EXPECT_NEAR(equal.tuning->frequency(60), 261.6255653, 1e-6);
    EXPECT_EQ(tuning.description(), "equal temperament, A4 = 440 Hz");
}

} // namespace
