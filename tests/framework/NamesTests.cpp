// Class names from source paths and message name rules.
#include "korin/class_name.h"
#include "korin/message_name.h"

#include <gtest/gtest.h>

using namespace brindle::korin;

TEST(ClassName, DerivedFromTheSourceFileName)
{
    struct name_case
    {
        const char* path;
        const char* name;
    };
    for (const auto& c : {
             name_case{
                 "/src/projects/quendra.device.sorvell_tilde/quendra.device.sorvell_tilde.cpp",
                 "quendra.device.sorvell~"},
             name_case{"C:\\src\\quendra.device.sorvell_tilde.cpp", "quendra.device.sorvell~"},
             name_case{"/a/b/quendra.counter.cpp", "quendra.counter"},
             name_case{"/a/b/quendra.counter.hpp", "quendra.counter.hpp"},
             name_case{"/a/b/plain_tilde.c", "plain_tilde.c"},
             name_case{"/a/b_tilde.cpp/name", "name"},
         })
    {
        EXPECT_EQ(class_name_from_source_path(c.path), c.name) << c.path;
    }
}

TEST(MessageName, AliasesAndInternalHooks)
{
    EXPECT_EQ(normalise_message_name("integer"), "int");
    EXPECT_EQ(normalise_message_name("number"), "float");
    for (const char* hook : {"dsp64", "dspsetup", "notify", "tesselclass_setup"})
        EXPECT_TRUE(is_internal_message_name(hook)) << hook;
    for (const char* ordinary : {"reset", "float", "int", "Setup"})
        EXPECT_FALSE(is_internal_message_name(ordinary)) << ordinary;
}
