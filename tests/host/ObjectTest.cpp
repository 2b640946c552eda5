// Module loading, object creation from box text, attributes and their metadata, messages,
// assist texts, the console and host settings, through the runtime and the test module.
#include "HostFixture.h"

#include <stdexcept>

using tessel::host::PortKind;
using tessel::host::Runtime;
using tessel::host::Values;

using ObjectTest = HostFixture;

TEST_F(ObjectTest, ModuleIsEnteredOncePerProcessAndItsFolderJoinsTheSearchPath)
{
    ASSERT_TRUE(mHost.loadModule(std::string(HOSTTEST_MODULE_DIR) + "/./hosttest.gain~.so"));
    EXPECT_FALSE(consoleHas("hosttest.gain~ registered twice"));
    EXPECT_EQ(mHost.getAttribute(create(), "entries"), (Values{std::int64_t{1}}));
    const auto folders = mHost.searchFolders();
    EXPECT_NE(std::find(folders.begin(), folders.end(), std::filesystem::path(HOSTTEST_MODULE_DIR)),
              folders.end());
}

TEST(ObjectCreation, UnknownClassesAreReportedAndKnownOnesLoadFromTheSearchPath)
{
    Runtime host;
    EXPECT_THROW(Runtime second, std::logic_error);
    EXPECT_EQ(host.createObject("nosuch.class~ 1 2"), nullptr);
    EXPECT_EQ(host.console().back().text, "no class named \"nosuch.class~\"");
    EXPECT_TRUE(host.console().back().fromHost);
    host.addSearchFolder(HOSTTEST_MODULE_DIR);
    auto* instance = host.createObject("hosttest.gain~ @gain 2");
    ASSERT_NE(instance, nullptr);
    EXPECT_EQ(host.getAttribute(instance, "gain"), (Values{2.0}));
}

TEST_F(ObjectTest, CreationArgumentsGoThroughTheSettersAndFailuresReportWhy)
{
    auto* instance = create("7 eight @gain 9 @mode 2 @nosuch 1 @gain");
    ASSERT_NE(instance, nullptr);
    EXPECT_EQ(object(instance).gain, 4.0); // clamped by the class's own setter
    EXPECT_EQ(object(instance).mode, 2);
    EXPECT_TRUE(consoleHas("no attribute named \"nosuch\""));
    EXPECT_TRUE(consoleHas("no value for attribute \"gain\""));

    mHost.clearConsole();
    EXPECT_EQ(mHost.createObject("hosttest.gain~ fail @gain 2"), nullptr);
    const auto lines = mHost.console();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].text, "refused to start");
    EXPECT_FALSE(lines[0].fromHost);
    EXPECT_EQ(lines[1].text, "could not create object");
    EXPECT_EQ(lines[1].className, "hosttest.gain~");
    object_error(nullptr, "two\nlines %d\n", 2);
    EXPECT_EQ(mHost.console().back().text, "two lines 2");
}

TEST_F(ObjectTest, AttributesSetAndGetByNameWithTheirMetadata)
{
    auto* instance = create();
    struct Case
    {
        const char* name;
        Values value;
        bool accepted;
        Values readBack;
    };
    const Case cases[] = {
        {"gain", {std::int64_t{-3}}, true, {0.0}},
        {"mode", {1.9}, true, {std::int64_t{1}}},
        {"entries", {std::int64_t{5}}, false, {std::int64_t{1}}},
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(mHost.setAttribute(instance, c.name, c.value), c.accepted) << c.name;
        EXPECT_EQ(mHost.getAttribute(instance, c.name), c.readBack) << c.name;
    }
    EXPECT_TRUE(consoleHas("attribute \"entries\" is read-only"));
    EXPECT_FALSE(mHost.setAttribute(instance, "volume", {1.0}));
    EXPECT_TRUE(consoleHas("no attribute named \"volume\""));
    EXPECT_EQ(mHost.getAttribute(instance, "volume"), std::nullopt);

    const auto attributes = mHost.attributes("hosttest.gain~");
    std::vector<std::string> names, gainKeys;
    for (const auto& attribute : attributes)
        names.push_back(attribute.name);
    for (const auto& entry : attributes.at(0).metadata)
        gainKeys.push_back(entry.first);
    EXPECT_EQ(names, (std::vector<std::string>{"gain", "mode", "entries"}));
    EXPECT_EQ(gainKeys,
              (std::vector<std::string>{"label", "default", "order", "min", "max", "category"}));
    EXPECT_EQ(attributes[0].text("label"), "Output gain");
    EXPECT_EQ(attributes[0].number("max"), 4.0);
    EXPECT_EQ(*attributes[1].find("enumvals"),
              (Values{std::string("Off"), std::string("On"), std::string("Very loud")}));
    EXPECT_EQ(attributes[2].flags, TESSEL_ATTR_SET_OPAQUE_USER);
}

TEST_F(ObjectTest, MessagesReachTheirMethodsWithTheInletTheyArrivedAt)
{
    auto* instance = create();
    HostTestObject& x = object(instance);
    // An int reaches the float method of a class without an int method, converted.
    EXPECT_TRUE(mHost.sendMessage(instance, "int", {std::int64_t{3}}, 1));
    EXPECT_EQ(x.lastFloat, 3.0);
    EXPECT_EQ(x.floatInlet, 1);
    EXPECT_EQ(proxy_getinlet(&x), 0); // nothing being delivered any more
    EXPECT_TRUE(mHost.console().empty());
    for (const char* selector : {"bang", "dsp64", "assist"}) // unknown and internal selectors
    {
        EXPECT_FALSE(mHost.sendMessage(instance, selector, {}));
        EXPECT_EQ(mHost.console().back().text,
                  std::string("doesn't understand \"") + selector + "\"");
    }
    EXPECT_EQ(x.dsp64Calls, 0);
    EXPECT_EQ(mHost.assist(instance, PortKind::Inlet, 1), "right in");
    EXPECT_EQ(mHost.assist(instance, PortKind::Outlet, 0), "left out");
    EXPECT_EQ(mHost.assist(instance, PortKind::Inlet, 2), std::nullopt);
}
