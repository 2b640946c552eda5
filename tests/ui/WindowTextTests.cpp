// Value texts, note names, control travel, the frequency axis and the controls of the window.
#include "ControlLayout.h"
#include "FrequencyAxis.h"
#include "ParameterScale.h"
#include "SorvellProcessor.h"
#include "ValueText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace
{

using namespace quendra::plugin;
using namespace quendra::plugin::ui;
using quendra::sorvell::parameter_id;

constexpr std::size_t at(parameter_id id)
{
    return static_cast<std::size_t>(id);
}

TEST(ValueText, EveryParameterInItsUnit)
{
    using enum parameter_id;
    struct Case
    {
        std::size_t index;
        double value;
        const char* text;
    };
    const std::vector<Case> cases{
        {at(mix), 1.0, "100 %"},
        {at(mix), 0.254, "25 %"},
        {at(gain), 0.0, "+0.0 dB"},
        {at(gain), -6.02, "-6.0 dB"},
        {at(gain), -0.04, "+0.0 dB"},
        {at(gain), 24.0, "+24.0 dB"},
        {at(stretch), 0.0, "+0.000"},
        {at(stretch), -0.5, "-0.500"},
        {at(shift), 7.0, "+7.00 st"},
        {at(shift), -48.0, "-48.00 st"},
        {at(shift), -0.001, "+0.00 st"},
        {at(decay), 0.001, "1.0 ms"},
        {at(decay), 0.222, "222 ms"},
        {at(decay), 2.5, "2.50 s"},
        {at(decay), 20.0, "20.0 s"},
        {at(hf_damp), 0.6, "60 %"},
        {at(lf_damp), 0.0, "0 %"},
        {at(voices), 1.0, "1 voice"},
        {at(voices), 8.0, "8 voices"},
        {at(unison), 0.5, "0.50 st"},
        {at(harmonics), 256.0, "256"},
        {at(harmonics), 1.0, "1"},
        {at(frequency), 440.0, "440 Hz  A4"},
        {at(frequency), 20.0, "20.0 Hz  D#0"},
        {at(frequency), 261.63, "262 Hz  C4"},
        {at(frequency), 12000.0, "12.00 kHz  F#9"},
        {at(mod_type), 0.0, "None"},
        {at(mod_type), 1.0, "Chorus"},
        {at(mod_type), 2.0, "Wandering"},
        {at(mod_type), 3.0, "Granular"},
        {at(mod_rate), 0.1, "10 %"},
        {at(pitch_mod), 4.0, "4.00 st"},
        {kBypassIndex, 0.0, "Off"},
        {kBypassIndex, 1.0, "On"},
        {kFreezeIndex, 0.0, "Off"},
        {kFreezeIndex, 1.0, "On"},
        {kPitchSourceIndex, 0.0, "Frequency"},
        {kPitchSourceIndex, 1.0, "MIDI"},
        {kPitchSourceIndex, 2.0, "Chord"},
    };
    for (const auto& c : cases)
    {
        EXPECT_EQ(valueText(c.index, c.value), c.text) << c.index << " at " << c.value;
    }
    // Every parameter has a label and a text at its ends and its default.
    for (std::size_t i = 0; i < kParameterCount; ++i)
    {
        const auto range = parameterRange(i);
        EXPECT_FALSE(controlLabel(i).empty()) << i;
        for (const double v : {range.minimum, range.defaultValue, range.maximum})
        {
            EXPECT_FALSE(valueText(i, v).empty()) << i << " at " << v;
        }
    }
}

TEST(ValueText, NearestNoteAndCents)
{
    struct Case
    {
        double hz;
        const char* name;
        int cents;
    };
    for (const auto& c : std::vector<Case>{{440.0, "A4", 0},
                                           {452.0, "A4", 47},
                                           {16.3516, "C0", 0},
                                           {8.1758, "C-1", 0},
                                           {1046.5, "C6", 0},
                                           {466.16, "A#4", 0},
                                           {430.0, "A4", -40}})
    {
        const auto note = nearestNote(c.hz);
        EXPECT_EQ(note.name, c.name) << c.hz;
        EXPECT_EQ(note.cents, c.cents) << c.hz;
    }
}

TEST(ParameterScale, TravelRoundTripsAndIsLogarithmicWhereTheParameterIs)
{
    for (std::size_t i = 0; i < kParameterCount; ++i)
    {
        const auto range = parameterRange(i);
        EXPECT_EQ(toPosition(range, range.minimum), 0.0) << i;
        EXPECT_EQ(toPosition(range, range.maximum), 1.0) << i;
        EXPECT_NEAR(fromPosition(range, toPosition(range, range.defaultValue)), range.defaultValue,
                    1e-9 * std::abs(range.maximum))
            << i;
        EXPECT_EQ(fromPosition(range, -1.0), range.minimum) << i;
        EXPECT_EQ(fromPosition(range, 2.0), range.maximum) << i;
    }
    const auto frequency = parameterRange(at(parameter_id::frequency));
    EXPECT_NEAR(fromPosition(frequency, 0.5), 632.4555, 1e-3); // sqrt(20 x 20000)
    const auto voices = parameterRange(at(parameter_id::voices));
    EXPECT_EQ(fromPosition(voices, 0.49), 4.0); // 1 + 0.49 x 7 = 4.43
    EXPECT_TRUE(parameterRange(at(parameter_id::gain)).bipolar);
    EXPECT_FALSE(parameterRange(at(parameter_id::mix)).bipolar);
}

TEST(FrequencyAxis, LogScaleAndNoteMarks)
{
    const FrequencyAxis axis(20.0, 20000.0, 100.0, 1100.0);
    EXPECT_DOUBLE_EQ(axis.x(20.0), 100.0);
    EXPECT_DOUBLE_EQ(axis.x(20000.0), 1100.0);
    // Every octave is the same width: 1000 px over log2(1000) octaves.
    EXPECT_NEAR(axis.x(880.0) - axis.x(440.0), 1000.0 / std::log2(1000.0), 1e-9);
    EXPECT_NEAR(axis.hz(axis.x(1234.5)), 1234.5, 1e-9);

    const auto marks = axis.noteMarks();
    std::vector<std::string> cs;
    for (std::size_t i = 0; i < marks.size(); ++i)
    {
        EXPECT_TRUE(axis.contains(marks[i].hz));
        EXPECT_DOUBLE_EQ(marks[i].x, axis.x(marks[i].hz));
        if (i > 0)
        {
            EXPECT_GT(marks[i].x, marks[i - 1].x);
        }
        if (marks[i].major)
        {
            cs.push_back(marks[i].label);
        }
    }
    EXPECT_EQ(cs, (std::vector<std::string>{"C1", "C2", "C3", "C4", "C5", "C6", "C7", "C8", "C9",
                                            "C10"}));
    EXPECT_EQ(marks.size(), 20u); // A0 (27.5 Hz) to A9 (14080 Hz) between them
}

} // namespace

// Every parameter has one control; bypass and freeze are toggles, freeze in the BODY panel.
TEST(ControlLayout, EveryParameterHasOneControlAndFreezeIsAToggleOfTheBody)
{
    ControlLayout layout;
    layout.layOut(1000.0, 600.0);
    for (std::size_t i = 0; i < kParameterCount; ++i)
    {
        EXPECT_EQ(std::count_if(layout.controls().begin(), layout.controls().end(),
                                [&](const Control& c) { return c.index == i; }),
                  1)
            << i;
    }
    for (const Group& group : layout.groups())
    {
        const bool body = std::string(group.title) == "BODY";
        EXPECT_EQ(group.selector == static_cast<int>(kFreezeIndex), body) << group.title;
    }
    const auto freeze = std::find_if(layout.controls().begin(), layout.controls().end(),
                                     [](const Control& c) { return c.index == kFreezeIndex; });
    ASSERT_NE(freeze, layout.controls().end());
    EXPECT_EQ(freeze->kind, ControlKind::toggle);
    EXPECT_EQ(layout.controlAt(freeze->box.x + 1.0, freeze->box.y + 1.0), &*freeze);
}
