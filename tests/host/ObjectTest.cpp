// Module loading, object creation from box text, attributes and their metadata, messages,
// assist texts, the console and host settings, through the runtime and the test module.
#include "HostFixture.h"

#include <stdexcept>

using tessel::host::AttributeInfo;
using tessel::host::PortKind;
using tessel::host::Runtime;
using tessel::host::Values;

using ObjectTest = HostFixture;

TEST_F(ObjectTest, ModuleIsEnteredOncePerProcessAndItsFolderJoinsTheSearchPath)
{
    ASSERT_TRUE(mHost.loadModule(HOSTTEST_MODULE_FILE));
    ASSERT_TRUE(mHost.loadModule(std::string(HOSTTEST_MODULE_DIR) + "/./hosttest.gain~.so"));
    EXPECT_TRUE(mHost.isClassRegistered("hosttest.gain~"));
    EXPECT_FALSE(consoleHas("hosttest.gain~ registered twice"));
    auto* instance = create();
    EXPECT_EQ(mHost.getAttribute(instance, "entries"), (Values{std::int64_t{1}}));
    const auto folders = mHost.searchFolders();
    EXPECT_NE(std::find(folders.begin(), folders.end(), std::filesystem::path(HOSTTEST_MODULE_DIR)),
              folders.end());
}

TEST(ObjectCreation, UnregisteredClassIsLoadedFromTheSearchPathByName)
{
    Runtime host;
    EXPECT_THROW(Runtime second, std::logic_error);
    // Without the module's folder the class is unknown (unless an earlier test loaded it).
    if (!host.isClassRegistered("hosttest.gain~"))
    {
        EXPECT_EQ(host.createObject("hosttest.gain~"), nullptr);
        ASSERT_FALSE(host.console().empty());
        EXPECT_EQ(host.console().back().text, "no class named \"hosttest.gain~\"");
        EXPECT_TRUE(host.console().back().fromHost);
    }
    host.addSearchFolder(HOSTTEST_MODULE_DIR);
    auto* instance = host.createObject("hosttest.gain~ @gain 2");
    ASSERT_NE(instance, nullptr);
    EXPECT_EQ(host.className(instance), "hosttest.gain~");
    EXPECT_EQ(host.getAttribute(instance, "gain"), (Values{2.0}));
    EXPECT_EQ(host.createObject("nosuch.class~ 1 2"), nullptr);
    EXPECT_EQ(host.console().back().text, "no class named \"nosuch.class~\"");
}

TEST_F(ObjectTest, CreationArgumentsGoThroughTheAttributeSetters)
{
    auto* instance = create("7 eight @gain 9 @mode 2 @counter 5 @nosuch 1 @gain");
    ASSERT_NE(instance, nullptr);
    EXPECT_EQ(object(instance).gain, 4.0); // clamped by the class's own setter
    EXPECT_EQ(object(instance).mode, 2);
    EXPECT_EQ(object(instance).counter, 5); // stored in place by the host
    EXPECT_TRUE(consoleHas("no attribute named \"nosuch\""));
    EXPECT_TRUE(consoleHas("no value for attribute \"gain\""));
    EXPECT_EQ(mHost.console().front().className, "hosttest.gain~");
    EXPECT_GE(object(instance).notifyCalls, 3); // the object listens to itself
}

TEST_F(ObjectTest, FailedCreationReturnsNoInstanceAndReportsWhy)
{
    EXPECT_EQ(mHost.createObject("hosttest.gain~ fail @gain 2"), nullptr);
    const auto lines = mHost.console();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].text, "refused to start");
    EXPECT_EQ(lines[0].className, "");
    EXPECT_FALSE(lines[0].fromHost);
    EXPECT_EQ(lines[1].text, "could not create object");
    EXPECT_EQ(lines[1].className, "hosttest.gain~");
}

TEST_F(ObjectTest, AttributesSetAndGetByName)
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
        {"gain", {2.5}, true, {2.5}},
        {"gain", {std::int64_t{-3}}, true, {0.0}},
        {"mode", {1.9}, true, {std::int64_t{1}}},
        {"counter", {std::int64_t{-12}}, true, {std::int64_t{-12}}},
        {"entries", {std::int64_t{5}}, false, {std::int64_t{1}}},
        {"interval", {std::string("4n"), 0.5}, true, {std::string("4n"), 0.5}},
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

    // The module's own code may still set through the host.
    tessel_atom value;
    atom_setlong(&value, 3);
    EXPECT_EQ(object_attr_setvalueof(mHost.hostObject(instance), gensym("counter"), 1, &value),
              TESSEL_ERR_NONE);
    EXPECT_EQ(object(instance).counter, 3);
    EXPECT_EQ(object_attr_setvalueof(mHost.hostObject(instance), gensym("volume"), 1, &value),
              TESSEL_ERR_NOT_FOUND);
}

TEST_F(ObjectTest, MetadataIsReadInRegistrationOrder)
{
    const std::vector<AttributeInfo> attributes = mHost.attributes("hosttest.gain~");
    ASSERT_EQ(attributes.size(), 5u);
    EXPECT_EQ(attributes[0].name, "gain");
    EXPECT_EQ(attributes[1].name, "mode");
    EXPECT_EQ(attributes[2].name, "counter");
    EXPECT_EQ(attributes[3].name, "entries");
    EXPECT_EQ(attributes[3].flags, TESSEL_ATTR_SET_OPAQUE_USER);
    EXPECT_EQ(attributes[4].name, "interval");
    EXPECT_EQ(attributes[4].type, "time");
    EXPECT_EQ(attributes[4].text("style"), "time");
    EXPECT_EQ(attributes[4].text("label"), "Interval");

    const AttributeInfo& gain = attributes[0];
    EXPECT_EQ(gain.type, "float64");
    std::vector<std::string> keys;
    for (const auto& entry : gain.metadata)
        keys.push_back(entry.first);
    EXPECT_EQ(keys,
              (std::vector<std::string>{"label", "default", "order", "min", "max", "category"}));
    EXPECT_EQ(gain.text("label"), "Output gain");
    EXPECT_EQ(gain.text("category"), "Level");
    EXPECT_EQ(gain.number("default"), 1.0);
    EXPECT_EQ(*gain.find("order"), (Values{std::int64_t{0}}));
    EXPECT_EQ(gain.number("min"), 0.0);
    EXPECT_EQ(gain.number("max"), 4.0);
    EXPECT_EQ(gain.find("style"), nullptr);

    const auto mode = mHost.attribute("hosttest.gain~", "mode");
    ASSERT_TRUE(mode.has_value());
    EXPECT_EQ(mode->text("style"), "enumindex");
    EXPECT_EQ(*mode->find("enumvals"),
              (Values{std::string("Off"), std::string("On"), std::string("Very loud")}));
    EXPECT_TRUE(mHost.attributes("nosuch~").empty());
}

TEST_F(ObjectTest, MessagesReachTheirMethodsWithTheInletTheyArrivedAt)
{
    auto* instance = create("@gain 2");
    HostTestObject& x = object(instance);

    EXPECT_TRUE(mHost.sendMessage(instance, "scale", {1.5, std::int64_t{2}, std::string("a")}, 1));
    EXPECT_EQ(x.scaleCalls, 1);
    EXPECT_EQ(x.scaleArgc, 3);
    EXPECT_EQ(x.scaleInlet, 1);
    EXPECT_EQ(x.gain, 3.0);
    EXPECT_EQ(proxy_getinlet(&x), 0); // nothing being delivered any more

    EXPECT_TRUE(mHost.sendMessage(instance, "float", {0.5}, 0));
    EXPECT_EQ(x.lastFloat, 0.5);
    EXPECT_EQ(x.floatInlet, 0);
    // An int reaches the float method of a class without an int method, converted.
    EXPECT_TRUE(mHost.sendMessage(instance, "int", {std::int64_t{3}}, 1));
    EXPECT_EQ(x.lastFloat, 3.0);
    EXPECT_EQ(x.floatInlet, 1);
    EXPECT_EQ(x.floatCalls, 2);
    EXPECT_TRUE(mHost.console().empty());

    // Unknown and internal selectors never reach the object.
    for (const char* selector : {"bang", "dsp64", "assist", "notify"})
    {
        mHost.clearConsole();
        EXPECT_FALSE(mHost.sendMessage(instance, selector, {}));
        ASSERT_EQ(mHost.console().size(), 1u) << selector;
        EXPECT_EQ(mHost.console()[0].text, std::string("doesn't understand \"") + selector + "\"");
        EXPECT_TRUE(mHost.console()[0].fromHost);
    }
    EXPECT_EQ(x.dsp64Calls, 0);
}

TEST_F(ObjectTest, ConsoleCollectsFormattedErrorLinesUntilCleared)
{
    auto* instance = create();
    EXPECT_TRUE(mHost.sendMessage(instance, "complain", {std::string("loud"), 0.125}));
    ASSERT_EQ(mHost.console().size(), 1u);
    EXPECT_EQ(mHost.console()[0].text, "complaint 2: loud 0.12");
    EXPECT_EQ(mHost.console()[0].className, "hosttest.gain~");
    object_error(nullptr, "two\nlines %d\n", 2);
    EXPECT_EQ(mHost.console().back().text, "two lines 2");
    mHost.clearConsole();
    EXPECT_TRUE(mHost.console().empty());
}

TEST_F(ObjectTest, AssistTextsPerPort)
{
    auto* instance = create();
    EXPECT_EQ(mHost.assist(instance, PortKind::Inlet, 1), "right in");
    EXPECT_EQ(mHost.assist(instance, PortKind::Outlet, 0), "left out");
    EXPECT_EQ(mHost.assist(instance, PortKind::Outlet, 1), "right out");
    EXPECT_EQ(mHost.assist(instance, PortKind::Inlet, 2), std::nullopt);
    EXPECT_EQ(mHost.signalInletCount(instance), 2);
    EXPECT_EQ(mHost.signalOutletCount(instance), 2);
}

TEST_F(ObjectTest, SettingsReachTheModuleSideCalls)
{
    EXPECT_EQ(tesselversion(), 0x0900);
    uint32_t seed = 77;
    EXPECT_EQ(sys_getrandomseed(&seed), 0);
    EXPECT_EQ(seed, 77u);

    mHost.setHostVersion(0x0812);
    mHost.setRandomSeed(12345u);
    mHost.setSampleRate(48000.0);
    mHost.setBlockSize(256);
    EXPECT_EQ(tesselversion(), 0x0812);
    EXPECT_NE(sys_getrandomseed(&seed), 0);
    EXPECT_EQ(seed, 12345u);
    EXPECT_EQ(sys_getsr(), 48000.0);
    EXPECT_EQ(sys_getblksize(), 256);
    EXPECT_THROW(mHost.setBlockSize(0), std::invalid_argument);

    mHost.setRandomSeed(std::nullopt);
    EXPECT_EQ(sys_getrandomseed(&seed), 0);
    EXPECT_EQ(gensym("x.y"), gensym(std::string("x.y").c_str()));
    EXPECT_EQ(gensym_tr("Label"), gensym("Label"));
}
