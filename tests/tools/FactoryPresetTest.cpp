// The factory preset table: every preset names each attribute exactly once, with a value the
// attribute accepts unclamped, and the names are unique and findable.
#include "factory_presets.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>

namespace
{

struct attribute_range
{
    const char* name;
    double minimum;
    double maximum;
    bool integer;
};

constexpr attribute_range kRanges[] = {
    {"mix", 0.0, 1.0, false},
    {"gain", -24.0, 24.0, false},
    {"stretch", -1.0, 1.0, false},
    {"shift", -48.0, 48.0, false},
    {"decay", 0.001, 20.0, false},
    {"hf_damp", 0.0, 1.0, false},
    {"lf_damp", 0.0, 1.0, false},
    {"voices", 1.0, 8.0, true},
    {"unison", 0.0, 1.0, false},
    {"harmonics", 1.0, 256.0, true},
    {"frequency", 20.0, 20000.0, false},
    {"mod_type", 0.0, 3.0, true},
    {"mod_rate", 0.0, 1.0, false},
    {"pitch_mod", 0.0, 4.0, false},
};

TEST(FactoryPresets, EveryPresetSetsEveryAttributeWithinItsRange)
{
    ASSERT_GE(sorvell::factory_presets().size(), 6u);
    std::set<std::string> names;
    for (const sorvell::factory_preset& preset : sorvell::factory_presets())
    {
        SCOPED_TRACE(std::string(preset.name));
        EXPECT_TRUE(names.insert(std::string(preset.name)).second) << "duplicate name";
        EXPECT_EQ(preset.name.find_first_not_of("abcdefghijklmnopqrstuvwxyz-"), std::string::npos);
        EXPECT_FALSE(preset.description.empty());
        EXPECT_EQ(sorvell::find_factory_preset(preset.name), &preset);
        ASSERT_EQ(preset.values.size(), std::size(kRanges));
        for (std::size_t i = 0; i < std::size(kRanges); ++i)
        {
            const attribute_range& range = kRanges[i];
            const double value = preset.values[i].value;
            EXPECT_EQ(preset.values[i].parameter, range.name);
            EXPECT_GE(value, range.minimum) << range.name;
            EXPECT_LE(value, range.maximum) << range.name;
            if (range.integer)
            {
                EXPECT_EQ(value, std::round(value)) << range.name;
            }
        }
    }
    EXPECT_EQ(sorvell::find_factory_preset("no-such-preset"), nullptr);
}

} // namespace
