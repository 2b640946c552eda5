// Attribute sets through the host: clamping, the enumeration, invalid input, the parameter
// queue and the main-thread hand-over of mod_type.
#include "SorvellFixture.h"

#include <algorithm>
#include <thread>

using namespace sorvell_test;

namespace
{

bool mentions(const std::vector<std::string>& texts, const std::string& word)
{
    return std::any_of(texts.begin(), texts.end(),
                       [&](const std::string& text)
                       { return text.find(word) != std::string::npos; });
}

} // namespace

TEST_F(SorvellTest, ValuesAreClampedNeverRefused)
{
    Instance* instance = create();
    ASSERT_NE(instance, nullptr);
    struct clamp_case
    {
        const char* name;
        tessel::host::Value given;
        double stored;
    };
    for (const auto& c :
         {clamp_case{"gain", -100.0, -24.0}, clamp_case{"voices", std::int64_t{9}, 8.0},
          clamp_case{"harmonics", std::int64_t{1000}, 256.0}, clamp_case{"harmonics", 63.9, 63.0},
          clamp_case{"decay", 0.0, 0.001}, clamp_case{"frequency", 1e9, 20000.0},
          clamp_case{"pitch_mod", std::int64_t{5}, 4.0},
          clamp_case{"mod_type", std::int64_t{7}, 3.0},
          clamp_case{"mod_type", std::int64_t{-1}, 0.0},
          clamp_case{"mod_type", std::string("CHORUS"), 1.0},
          clamp_case{"mod_type", std::string("wandering"), 2.0}})
    {
        EXPECT_TRUE(mRuntime.setAttribute(instance, c.name, {c.given}));
        EXPECT_EQ(number(instance, c.name), c.stored)
            << c.name << " " << tessel::host::toText(c.given);
    }
    EXPECT_TRUE(console_texts().empty());
}

TEST_F(SorvellTest, InvalidSetsPostAnErrorAndChangeNothing)
{
    Instance* instance = create("@gain 6 @mod_type 2");
    ASSERT_NE(instance, nullptr);
    struct invalid_case
    {
        const char* name;
        Values given;
        std::vector<std::string> words;
    };
    for (const auto& c : {invalid_case{"gain", {}, {"gain"}},
                          invalid_case{"gain", {std::string("loud")}, {"gain", "loud"}},
                          invalid_case{"gain", {std::nan("")}, {"gain", "NaN"}},
                          invalid_case{"voices", {std::string("many")}, {"voices"}},
                          invalid_case{"mod_type",
                                       {std::string("Wander")},
                                       {"mod_type", "None", "Chorus", "Wandering", "Granular"}},
                          invalid_case{"mod_type", {}, {"mod_type"}}})
    {
        mRuntime.clearConsole();
        const auto queued = object_of(instance).queue().size();
        mRuntime.setAttribute(instance, c.name, c.given);
        const auto texts = console_texts();
        ASSERT_FALSE(texts.empty()) << c.name;
        for (const auto& word : c.words)
            EXPECT_TRUE(mentions(texts, word)) << texts.back() << " lacks " << word;
        EXPECT_EQ(object_of(instance).queue().size(), queued) << c.name;
    }
    EXPECT_EQ(number(instance, "gain"), 6.0);
    EXPECT_EQ(number(instance, "mod_type"), 2.0);
    EXPECT_EQ(number(instance, "voices"), 1.0);
}

TEST_F(SorvellTest, SmoothedGetReturnsTheTargetWhileTheRampRuns)
{
    Instance* instance = create();
    ASSERT_NE(instance, nullptr);
    ASSERT_TRUE(mRuntime.buildDsp(instance));
    auto& object = object_of(instance);
    const auto& decay = *object.smoothed()[4];
    EXPECT_TRUE(mRuntime.setAttribute(instance, "decay", {5.0}));
    render(instance, silence(10));
    EXPECT_EQ(number(instance, "decay"), 5.0);
    EXPECT_EQ(decay.remaining(), 240u - 1u - 10u);

    // Setting the value it already has starts nothing.
    const auto& frequency = *object.smoothed()[8];
    EXPECT_TRUE(mRuntime.setAttribute(instance, "frequency", {440.0}));
    render(instance, silence(1));
    EXPECT_EQ(frequency.remaining(), 0u);
    EXPECT_EQ(frequency.ramp_state(), brindle::quendra::smooth_attribute<0>::state::idle);
}

TEST_F(SorvellTest, FullQueueDropsTheChangeButKeepsTheStoredValue)
{
    Instance* instance = create();
    ASSERT_NE(instance, nullptr);
    ASSERT_TRUE(mRuntime.buildDsp(instance));
    auto& object = object_of(instance);
    render(instance, silence(0)); // a block of no frames still drains
    ASSERT_EQ(object.queue().size(), 0u);
    for (int i = 0; i < 600; ++i)
        mRuntime.setAttribute(instance, "harmonics", {std::int64_t{1 + i % 200}});
    EXPECT_EQ(object.queue().size(), 512u);
    EXPECT_EQ(number(instance, "harmonics"), 1.0 + 599 % 200);
    EXPECT_TRUE(console_texts().empty());
    render(instance, silence(0));
    EXPECT_EQ(object.queue().size(), 0u);
}

TEST_F(SorvellTest, ModTypeSetOffTheMainThreadRunsLaterOnTheMainThread)
{
    Instance* instance = create();
    ASSERT_NE(instance, nullptr);
    auto& object = object_of(instance);
    const auto queued = object.queue().size();
    std::thread(
        [&]
        {
            mRuntime.setAttribute(instance, "mod_type", {std::int64_t{1}});
            mRuntime.setAttribute(instance, "mod_type", {std::string("Granular")});
            mRuntime.setAttribute(instance, "voices", {std::int64_t{4}}); // any thread
        })
        .join();
    EXPECT_EQ(number(instance, "mod_type"), 0.0);
    EXPECT_EQ(number(instance, "voices"), 4.0);
    EXPECT_EQ(object.queue().size(), queued + 1);

    mRuntime.serviceMainQueue();
    EXPECT_EQ(number(instance, "mod_type"), 3.0);
    EXPECT_EQ(object.queue().size(), queued + 2); // the overwritten set never ran
    EXPECT_TRUE(console_texts().empty());
}
