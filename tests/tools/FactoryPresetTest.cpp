// The factory preset table: every preset names each attribute exactly once, with a value the
// attribute accepts unclamped, and the names are unique and findable.
#include "factory_presets.h"

#include <SorvellAttributes.h>

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>

namespace
{

using sorvell_test::ExpectedAttribute;
using sorvell_test::kAttributes;

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
        ASSERT_EQ(preset.values.size(), std::size(kAttributes));
        for (std::size_t i = 0; i < std::size(kAttributes); ++i)
        {
            const ExpectedAttribute& range = kAttributes[i];
            const double value = preset.values[i].value;
            EXPECT_EQ(preset.values[i].parameter, range.name);
            EXPECT_GE(value, range.minimum) << range.name;
            EXPECT_LE(value, range.maximum) << range.name;
            if (range.integer())
            {
                EXPECT_EQ(value, std::round(value)) << range.name;
            }
        }
    }
    EXPECT_EQ(sorvell::find_factory_preset("no-such-preset"), nullptr);
}

} // namespace
