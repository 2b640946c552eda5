// Shared set-up for the external's tests: a headless host runtime with the module loaded,
// helpers to render audio through an instance, and white-box access to the instance that the
// host object block holds.
#pragma once

#include "sorvell.h"

#include <tessel/host/Runtime.h>
#include <tessel/tessel_audio.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace sorvell_test
{

using tessel::host::Instance;
using tessel::host::Runtime;
using tessel::host::Values;

struct stereo_signal
{
    std::vector<double> left;
    std::vector<double> right;
};

// Deterministic test input: two detuned tones plus a little noise, different per channel.
inline stereo_signal test_input(std::size_t frames)
{
    stereo_signal signal{std::vector<double>(frames), std::vector<double>(frames)};
    std::uint32_t state = 12345u;
    for (std::size_t i = 0; i < frames; ++i)
    {
        state = state * 1664525u + 1013904223u;
        const double noise = static_cast<double>(state >> 8) / 16777216.0 - 0.5;
        const double t = static_cast<double>(i);
        signal.left[i] = 0.4 * std::sin(0.031 * t) + 0.05 * noise;
        signal.right[i] = 0.3 * std::sin(0.047 * t) - 0.05 * noise;
    }
    return signal;
}

inline stereo_signal silence(std::size_t frames)
{
    return {std::vector<double>(frames, 0.0), std::vector<double>(frames, 0.0)};
}

class SorvellTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        mRuntime.setRandomSeed(20261206u);
        mRuntime.setSampleRate(48000.0);
        mRuntime.setBlockSize(64);
        ASSERT_TRUE(mRuntime.loadModule(SORVELL_MODULE_PATH));
        mRuntime.clearConsole();
    }

    Instance* create(const std::string& arguments = {})
    {
        return mRuntime.createObject("quendra.device.sorvell~" +
                                     (arguments.empty() ? std::string() : " " + arguments));
    }

    // The class instance inside the host block (same layout as the module's).
    sorvell& object_of(Instance* instance)
    {
        return *reinterpret_cast<sorvell*>(static_cast<char*>(mRuntime.hostObject(instance)) +
                                           sizeof(tessel_signal_object));
    }

    stereo_signal render(Instance* instance, const stereo_signal& input)
    {
        const auto frames = input.left.size();
        stereo_signal output{std::vector<double>(frames), std::vector<double>(frames)};
        const double* ins[] = {input.left.data(), input.right.data()};
        double* outs[] = {output.left.data(), output.right.data()};
        EXPECT_TRUE(mRuntime.process(instance, ins, outs, static_cast<long>(frames)));
        return output;
    }

    double number(Instance* instance, const std::string& name)
    {
        const auto values = mRuntime.getAttribute(instance, name);
        if (!values || values->empty())
            return NAN;
        if (const auto* integer = std::get_if<std::int64_t>(&values->front()))
            return static_cast<double>(*integer);
        return std::get<double>(values->front());
    }

    std::vector<std::string> console_texts()
    {
        std::vector<std::string> texts;
        for (const auto& line : mRuntime.console())
            texts.push_back(line.text);
        return texts;
    }

    Runtime mRuntime;
};

} // namespace sorvell_test
