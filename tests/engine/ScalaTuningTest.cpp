// Note numbers to frequencies: equal temperament by default, a Scala scale's degrees (ratios
// and cents) with and without a keyboard mapping, and one clear line for each kind of broken
// file.
#include "quendra/dsp/ScalaTuning.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace quendra::dravel::vantor
{
namespace
{
// Five degrees, two of them in cents: 9/8, a just major third in cents, 3/2, 5/3 and the octave.
constexpr const char* kScale = "! five.scl\n"
                               "!\n"
                               "Five notes, ratios and cents\n"
                               " 5\n"
                               "!\n"
                               " 9/8\n"
                               " 386.3137139 a third\n"
                               " 3/2\n"
                               " 5/3\n"
                               " 2\n";

std::string errorOf(const char* scale, const char* map = "")
{
    try
    {
        ScalaTuning::fromText(scale, map);
    }
    catch (const ScalaError& error)
    {
        return error.what();
    }
    return "no error";
}
} // namespace

TEST(ScalaTuning, EqualTemperamentPutsA4On440Hz)
{
    const ScalaTuning tuning;
    EXPECT_DOUBLE_EQ(tuning.frequency(69), 440.0);
    EXPECT_DOUBLE_EQ(tuning.frequency(81), 880.0);
    EXPECT_NEAR(tuning.frequency(60), 261.6255653, 1e-6);
    EXPECT_EQ(tuning.frequency(128), 0.0);
    EXPECT_EQ(tuning.frequency(-1), 0.0);
}

TEST(ScalaTuning, DegreesLandOnTheirRatiosFromNote60WithA4At440Hz)
{
    const auto tuning = ScalaTuning::fromText(kScale);
    EXPECT_EQ(tuning.description(), "Five notes, ratios and cents");
    // Note 69 is degree 9: one octave and 5/3 above note 60, which is therefore 132 Hz.
    EXPECT_NEAR(tuning.frequency(69), 440.0, 1e-9);
    EXPECT_NEAR(tuning.frequency(60), 132.0, 1e-9);
    EXPECT_NEAR(tuning.frequency(61), 148.5, 1e-9);
    EXPECT_NEAR(tuning.frequency(62), 165.0, 1e-6); // 132 x 5/4, given in cents
    EXPECT_NEAR(tuning.frequency(63), 198.0, 1e-9);
    EXPECT_NEAR(tuning.frequency(65), 264.0, 1e-9);
    EXPECT_NEAR(tuning.frequency(59), 110.0, 1e-9);
    EXPECT_NEAR(tuning.frequency(50), 132.0 / 4.0, 1e-9);
}

TEST(ScalaTuning, AKeyboardMapPlacesTheDegreesLeavesKeysOutAndSetsTheReference)
{
    // Twelve keys a period; 67 (degree 4, 5/3) sounds at 400 Hz, so note 60 at 240 Hz.
    const char* map = "! map.kbm\n12\n0\n127\n60\n67\n400.0\n5\n"
                      "0\nx\n1\nx\n2\n3\nx\n4\nx\nx\nx\nx\n";
    const auto tuning = ScalaTuning::fromText(kScale, map);
    EXPECT_NEAR(tuning.frequency(67), 400.0, 1e-9);
    EXPECT_NEAR(tuning.frequency(60), 240.0, 1e-9);
    EXPECT_NEAR(tuning.frequency(62), 270.0, 1e-9);
    EXPECT_NEAR(tuning.frequency(72), 480.0, 1e-9);
    EXPECT_NEAR(tuning.frequency(55), 200.0, 1e-9);
    EXPECT_EQ(tuning.frequency(61), 0.0);
    EXPECT_EQ(tuning.frequency(70), 0.0);
    // Keys outside first .. last are left out too.
    const auto narrow = ScalaTuning::fromText(kScale, "0\n60\n72\n60\n69\n440\n0\n");
    EXPECT_EQ(narrow.frequency(59), 0.0);
    EXPECT_NEAR(narrow.frequency(69), 440.0, 1e-9);
    EXPECT_EQ(narrow.frequency(73), 0.0);
}

TEST(ScalaTuning, ABrokenFileIsOneLineSayingWhereAndWhat)
{
    EXPECT_EQ(errorOf(""), "scale file ends early: no description line");
    EXPECT_EQ(errorOf("! only a comment\ndesc\n"), "scale file ends early: no number of notes");
    EXPECT_EQ(errorOf("desc\nmany\n"),
              "scale file line 2: expected the number of notes (1 to 4096)");
    EXPECT_EQ(errorOf("desc\n3\n9/8\n5/4\n"), "scale file ends early: 2 of 3 pitches given");
    EXPECT_EQ(errorOf("desc\n2\n9/8\n-3/2\n"),
              "scale file line 4: '-3/2' is neither cents nor a ratio");
    EXPECT_EQ(errorOf("desc\n1\n0/5\n"), "scale file line 3: the ratio '0/5' is not positive");
    EXPECT_EQ(errorOf("desc\n1\n1e999.\n"), "scale file line 3: '1e999.' is not a pitch in cents");
    EXPECT_EQ(errorOf(kScale, "12\n0\n127\n"), "keyboard map ends early: no middle note");
    EXPECT_EQ(errorOf(kScale, "1\n0\n127\n60\n69\n440\n0\nx\n"),
              "keyboard map: the reference note 69 is not mapped");
    EXPECT_EQ(errorOf(kScale, "0\n0\n127\n60\n69\n-5\n0\n"),
              "keyboard map line 6: expected the reference frequency in Hz");
}

} // namespace quendra::dravel::vantor
