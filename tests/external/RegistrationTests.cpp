// Class registration, attribute metadata and instance creation through the headless host.
#include "SorvellFixture.h"

#include <SorvellAttributes.h>

#include <algorithm>
#include <dlfcn.h>
#include <thread>

using namespace sorvell_test;

TEST_F(SorvellTest, ClassRegistersOnceWithTheFourteenAttributesAndTheirMetadata)
{
    ASSERT_TRUE(mRuntime.isClassRegistered("quendra.device.sorvell~"));

    // A second ext_main registers nothing more and reports nothing.
    void* module = dlopen(SORVELL_MODULE_PATH, RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(module, nullptr);
    auto ext_main = reinterpret_cast<void (*)(void*)>(dlsym(module, "ext_main"));
    ASSERT_NE(ext_main, nullptr);
    testing::internal::CaptureStderr();
    ext_main(nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    dlclose(module);
    EXPECT_TRUE(console_texts().empty());

    const auto attributes = mRuntime.attributes("quendra.device.sorvell~");
    ASSERT_EQ(attributes.size(), std::size(kAttributes));
    for (std::size_t i = 0; i < attributes.size(); ++i)
    {
        const auto& info = attributes[i];
        const auto& expected = kAttributes[i];
        SCOPED_TRACE(expected.name);
        EXPECT_EQ(info.name, expected.name);
        EXPECT_EQ(info.type, expected.type);
        EXPECT_EQ(info.text("label"), expected.label);
        EXPECT_EQ(info.number("default"), expected.defaultValue);
        EXPECT_EQ(info.number("order"), 0.0);
        EXPECT_EQ(info.find("category") != nullptr, expected.modulationCategory);
        EXPECT_EQ(info.text("category"), expected.modulationCategory ? "Modulation" : "");
        if (info.name == "mod_type")
        {
            EXPECT_EQ(info.text("style"), "enumindex");
            ASSERT_NE(info.find("enumvals"), nullptr);
            EXPECT_EQ(*info.find("enumvals"), (Values{"None", "Chorus", "Wandering", "Granular"}));
            EXPECT_EQ(info.find("min"), nullptr);
        }
        else
        {
            EXPECT_EQ(info.find("style"), nullptr);
            EXPECT_EQ(info.number("min"), expected.minimum);
            EXPECT_EQ(info.number("max"), expected.maximum);
        }
    }
}

TEST_F(SorvellTest, CreationArgumentsPassThroughTheNormalSetters)
{
    Instance* instance = create("@harmonics 64 @decay 2 @gain 30 @mod_type granular");
    ASSERT_NE(instance, nullptr);
    EXPECT_EQ(number(instance, "harmonics"), 64.0);
    EXPECT_EQ(number(instance, "decay"), 2.0);
    EXPECT_EQ(number(instance, "gain"), 24.0);
    EXPECT_EQ(number(instance, "mod_type"), 3.0);
    // The queued values wait for the first block: creation pushed harmonics and mod_type.
    EXPECT_EQ(object_of(instance).queue().size(), 2u);
}

TEST_F(SorvellTest, OldHostRefusesTheInstanceWithAConsoleMessage)
{
    for (const long version : {0x0100L, 0x08FFL, 0x0900L, 0x10900L})
    {
        mRuntime.setHostVersion(version);
        mRuntime.clearConsole();
        const bool refused = version < 0x0900;
        EXPECT_EQ(create() == nullptr, refused) << std::hex << version;
        const auto texts = console_texts();
        EXPECT_EQ(
            std::count(texts.begin(), texts.end(), "Quendra DSP objects require Tessel 9 or later"),
            refused ? 1 : 0);
    }
}

TEST_F(SorvellTest, AssistTextsAndOutOfRangePorts)
{
    using tessel::host::PortKind;
    Instance* instance = create();
    ASSERT_NE(instance, nullptr);
    for (const auto kind : {PortKind::Inlet, PortKind::Outlet})
    {
        EXPECT_EQ(mRuntime.assist(instance, kind, 0), "left channel");
        EXPECT_EQ(mRuntime.assist(instance, kind, 1), "right channel");
        EXPECT_EQ(mRuntime.assist(instance, kind, 2), std::nullopt);
        EXPECT_EQ(mRuntime.assist(instance, kind, -1), std::nullopt);
    }
}

TEST_F(SorvellTest, FreshInstanceKeepsItsDefaultsThroughFloatAndIntFromAnyThread)
{
    Instance* instance = create();
    ASSERT_NE(instance, nullptr);
    auto send_numbers = [&]
    {
        for (const long inlet : {0L, 1L})
        {
            EXPECT_TRUE(mRuntime.sendMessage(instance, "float", {0.5}, inlet));
            EXPECT_TRUE(mRuntime.sendMessage(instance, "int", {std::int64_t{3}}, inlet));
        }
    };
    send_numbers();
    const auto pending = mRuntime.pendingMainQueueItems();
    std::thread(send_numbers).join(); // off the main thread they run later on the main thread
    EXPECT_EQ(mRuntime.pendingMainQueueItems(), pending + 4);
    EXPECT_EQ(mRuntime.serviceMainQueue(), pending + 4);
    EXPECT_TRUE(console_texts().empty());
    for (const auto& expected : kAttributes)
        EXPECT_EQ(number(instance, expected.name), expected.defaultValue) << expected.name;
    EXPECT_EQ(mRuntime.signalInletCount(instance), 2);
    EXPECT_EQ(mRuntime.signalOutletCount(instance), 2);
    // Internal hooks cannot be sent from a patch.
    EXPECT_FALSE(mRuntime.sendMessage(instance, "dspsetup", {48000.0, std::int64_t{64}}));
}
