// HostFixture.h - a test fixture that starts the headless host with the test module loaded.
#pragma once

#include "TestObject.h"
#include "tessel/host/Runtime.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

class HostFixture : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(mHost.loadModule(HOSTTEST_MODULE_FILE)); }

    tessel::host::Instance* create(const std::string& arguments = "")
    {
        tessel::host::Instance* instance = mHost.createObject("hosttest.gain~ " + arguments);
        EXPECT_NE(instance, nullptr);
        return instance;
    }

    HostTestObject& object(tessel::host::Instance* instance)
    {
        return *static_cast<HostTestObject*>(mHost.hostObject(instance));
    }

    bool consoleHas(const std::string& text) const
    {
        const auto lines = mHost.console();
        return std::any_of(lines.begin(), lines.end(),
                           [&](const auto& line) { return line.text == text; });
    }

    tessel::host::Runtime mHost;
};
