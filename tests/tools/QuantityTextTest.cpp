// The renderer's reading of numbers with units, the shapes of breakpoint glides and the
// freeze track.
#include "QuantityText.h"

#include "AttributeTrack.h"
#include "FreezeTrack.h"
#include "ToolError.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>
#include <vector>

using namespace quendra::renderer;

namespace
{

double valueOf(const std::string& text, Quantity quantity)
{
    const QuantityReading reading = readQuantity(text, quantity);
    EXPECT_TRUE(reading.value) << text << ": " << reading.problem;
    return reading.value.value_or(NAN);
}

} // namespace

TEST(QuantityText, EveryUnitFormReadsAsThePlainNumber)
{
    struct Case
    {
        Quantity quantity;
        double plain;
        std::vector<std::string> forms;
    };
    const std::vector<Case> cases = {
        {Quantity::Frequency, 110.0, {"110", "110hz", "110Hz", "110HZ", "0.11khz", "A2", "45m"}},
        {Quantity::Frequency, 2500.0, {"2500", "2.5khz", "2.5kHz", "2500hz", "+2.5khz"}},
        {Quantity::Time, 0.5, {"0.5", "500ms", "0.5s", "500MS", "5e2ms", "0.5sec"}},
        {Quantity::Time, 2.0, {"2", "2s", "2000ms"}},
        {Quantity::Level, -3.0, {"-3", "-3db", "-3dB", "-3dbfs", "-3dBFS"}},
        {Quantity::Interval, 7.0, {"7", "+7st", "7st", "7ST", "7semitones"}},
        {Quantity::Interval, -12.0, {"-12", "-12st"}},
        {Quantity::Fraction, 0.5, {"0.5", "50%", "+50%"}},
        {Quantity::Fraction, -0.25, {"-0.25", "-25%"}},
        {Quantity::Plain, 3.0, {"3", "+3"}},
    };
    for (const auto& c : cases)
    {
        for (const auto& form : c.forms)
        {
            EXPECT_DOUBLE_EQ(valueOf(form, c.quantity), c.plain) << form;
        }
    }
}

TEST(QuantityText, WrongUnitsAreRefusedWithTheirReason)
{
    struct Case
    {
        std::string text;
        Quantity quantity;
        std::string problem; // the start of it
    };
    const std::vector<Case> cases = {
        {"110hz", Quantity::Time, "'hz' makes a frequency, but this takes a time"},
        {"2s", Quantity::Frequency, "'s' makes a time, but this takes a frequency"},
        {"-3db", Quantity::Fraction, "'db' makes a level, but this takes a share"},
        {"50%", Quantity::Level, "'%' makes a share, but this takes a level"},
        {"7st", Quantity::Plain, "'st' makes an interval, but this takes a plain number"},
        {"3furlongs", Quantity::Time, "unknown unit 'furlongs'"},
        {"hz", Quantity::Frequency, "expected hertz"},
        {"1.2.3s", Quantity::Time, "expected seconds"},
        {"", Quantity::Level, "expected decibels"},
        {"H2", Quantity::Frequency, "expected hertz (110, 110hz, 2.5khz), a note name"},
        {"A2", Quantity::Time, "expected seconds"}, // note names are frequencies only
        {"nanms", Quantity::Time, "expected seconds"},
    };
    for (const auto& c : cases)
    {
        const QuantityReading reading = readQuantity(c.text, c.quantity);
        EXPECT_FALSE(reading.value) << c.text;
        EXPECT_EQ(reading.problem.rfind(c.problem, 0), 0u) << c.text << ": " << reading.problem;
    }
}

TEST(QuantityText, ParametersTakeTheQuantityOfTheirUnit)
{
    EXPECT_EQ(quantityOfUnit("Hz", false), Quantity::Frequency);
    EXPECT_EQ(quantityOfUnit("s", false), Quantity::Time);
    EXPECT_EQ(quantityOfUnit("dB", false), Quantity::Level);
    EXPECT_EQ(quantityOfUnit("st", false), Quantity::Interval);
    EXPECT_EQ(quantityOfUnit("", true), Quantity::Fraction);
    EXPECT_EQ(quantityOfUnit("", false), Quantity::Plain);
}

// A pitch sweep moves in equal ratios: from A2 to A3 over 4 s it passes the geometric middle,
// 155.6 Hz (a quarter tone under E3), at 2 s, where a straight line in hertz would pass 165.
TEST(AttributeTracks, PitchAndTimeGlideInEqualRatiosTheRestLinearly)
{
    AttributeTrack pitch{"frequency", TrackShape::Geometric, {{0.0, 110.0}, {4.0, 220.0}}};
    EXPECT_NEAR(pitch.valueAt(2.0), 155.563, 0.001);
    EXPECT_NEAR(pitch.valueAt(1.0), 110.0 * std::pow(2.0, 0.25), 1e-9);
    EXPECT_DOUBLE_EQ(pitch.valueAt(0.0), 110.0);
    EXPECT_DOUBLE_EQ(pitch.valueAt(4.0), 220.0);
    EXPECT_DOUBLE_EQ(pitch.valueAt(9.0), 220.0); // held after the last point

    AttributeTrack decay{"decay", TrackShape::Geometric, {{0.0, 0.1}, {1.0, 10.0}, {2.0, 0.1}}};
    EXPECT_NEAR(decay.valueAt(0.5), 1.0, 1e-12);
    EXPECT_NEAR(decay.valueAt(1.5), 1.0, 1e-12);

    AttributeTrack mix{"mix", TrackShape::Linear, {{0.0, 0.0}, {4.0, 1.0}}};
    EXPECT_DOUBLE_EQ(mix.valueAt(1.0), 0.25);
    AttributeTrack voices{"voices", TrackShape::Rounded, {{0.0, 1.0}, {1.0, 8.0}}};
    EXPECT_DOUBLE_EQ(voices.valueAt(0.5), 5.0);
    AttributeTrack mode{"mod_type", TrackShape::Stepped, {{0.0, 0.0}, {1.0, 3.0}}};
    EXPECT_DOUBLE_EQ(mode.valueAt(0.99), 0.0);
}

TEST(AttributeTracks, BreakpointTimesTakeUnits)
{
    const auto points = splitBreakpoints("0:A2 500ms:110hz, 2s:3", "--x");
    ASSERT_EQ(points.size(), 3u);
    EXPECT_DOUBLE_EQ(points[1].first, 0.5);
    EXPECT_EQ(points[1].second, "110hz");
    EXPECT_DOUBLE_EQ(points[2].first, 2.0);
}

TEST(FreezeTracks, OnOffOrBreakpointsOffBeforeTheFirst)
{
    const AttributeTrack held = parseFreezeTrack("2:1 6s:0");
    EXPECT_EQ(held.shape, TrackShape::Stepped);
    for (const auto& [seconds, value] : std::vector<std::pair<double, double>>{
             {0.0, 0.0}, {1.9, 0.0}, {2.0, 1.0}, {5.9, 1.0}, {6.0, 0.0}, {9.0, 0.0}})
    {
        EXPECT_EQ(held.valueAt(seconds), value) << seconds;
    }
    EXPECT_TRUE(engagesFreeze(held));
    EXPECT_EQ(parseFreezeTrack("ON").valueAt(0.0), 1.0);
    EXPECT_EQ(parseFreezeTrack("0:1 1:off").valueAt(0.0), 1.0);
    EXPECT_FALSE(engagesFreeze(parseFreezeTrack("off")));
    EXPECT_THROW(parseFreezeTrack("maybe"), ToolError);
    EXPECT_THROW(parseFreezeTrack("1:0.5"), ToolError);
}
