// Box text parsing and value text of the host runtime.
#include "tessel/host/Runtime.h"

#include <gtest/gtest.h>

using tessel::host::parseValues;
using tessel::host::toText;
using tessel::host::Values;

TEST(BoxText, SplitsIntoIntegersFloatsAndSymbolsAndReadsBackItsOwnText)
{
    struct Case
    {
        const char* text;
        Values expected;
    };
    const Case cases[] = {
        {"quendra.device.sorvell~ @harmonics 64 @decay 2",
         {std::string("quendra.device.sorvell~"), std::string("@harmonics"), std::int64_t{64},
          std::string("@decay"), std::int64_t{2}}},
        {"  -3 +4 0.5 -2.25 1e3 2. .5  ",
         {std::int64_t{-3}, std::int64_t{4}, 0.5, -2.25, 1000.0, 2.0, 0.5}},
        {"- + . e 1-2 nan inf 3x",
         {std::string("-"), std::string("+"), std::string("."), std::string("e"),
          std::string("1-2"), std::string("nan"), std::string("inf"), std::string("3x")}},
        {"\"None\" \"Very loud\" \"12\" \"\"",
         {std::string("None"), std::string("Very loud"), std::string("12"), std::string("")}},
        {"99999999999999999999", {1e20}},
        {"", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(parseValues(c.text), c.expected) << c.text;
    const Values values{std::int64_t{-7}, 2.0, 0.1, 1e-300, std::string("two words"),
                        std::string("42")};
    EXPECT_EQ(toText(values), "-7 2.0 0.1 1e-300 \"two words\" \"42\"");
    EXPECT_EQ(parseValues(toText(values)), values);
}
