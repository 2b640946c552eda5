// Shared pieces of the fuzz targets that drive the real module through the headless host:
// one host runtime for the whole process with the module loaded (the host allows one runtime
// at a time, and the fuzzer calls a target many times), atom lists read off fuzz input, and
// a render step that checks every output sample is finite. Main thread only; allocates.
#pragma once

#include "FuzzInput.h"

#include <tessel/host/Runtime.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace sorvell::fuzz
{

inline constexpr const char* kClassName = "quendra.device.sorvell~";

inline tessel::host::Runtime& hostRuntime()
{
    static tessel::host::Runtime runtime;
    static const bool loaded = []
    {
        runtime.setRandomSeed(20261206u);
        runtime.setSampleRate(48000.0);
        runtime.setBlockSize(64);
        return runtime.loadModule(SORVELL_MODULE_PATH);
    }();
    if (!loaded)
        std::abort();
    runtime.clearConsole();
    return runtime;
}

// Attribute names the class registered, with a few that it did not.
inline const std::vector<std::string>& attributeNames()
{
    static const std::vector<std::string> names = []
    {
        std::vector<std::string> all;
        for (const auto& info : hostRuntime().attributes(kClassName))
            all.push_back(info.name);
        for (const char* other : {"", "nonsense", "reset", "float", "MIX", "mod_type "})
            all.emplace_back(other);
        return all;
    }();
    return names;
}

inline std::string attributeName(FuzzInput& input)
{
    const auto& names = attributeNames();
    if (input.byte() == 0xFFu)
        return input.text(16);
    return names[input.byte() % names.size()];
}

inline tessel::host::Value atom(FuzzInput& input)
{
    static const std::array<const char*, 10> symbols = {
        "None", "Chorus", "Wandering", "Granular", "Wander", "none", "", "@mix", "reset", "-"};
    switch (input.byte() % 6u)
    {
    case 0:
        return std::int64_t{input.integer(-3, 300)};
    case 1:
        return static_cast<std::int64_t>((static_cast<std::uint64_t>(input.word()) << 32) |
                                         input.word());
    case 2:
        return static_cast<double>(input.inRange(-50.0f, 25000.0f));
    case 3:
        return input.anyDouble();
    case 4:
        return std::string(symbols[input.byte() % symbols.size()]);
    default:
        return input.text(12);
    }
}

inline tessel::host::Values atoms(FuzzInput& input, int maxCount)
{
    tessel::host::Values values;
    const int count = input.integer(0, maxCount);
    for (int i = 0; i < count; ++i)
        values.push_back(atom(input));
    return values;
}

// Stereo audio through an instance. Inputs are ordinary audio unless `awkward`, in which case
// they may hold NaN, infinities, denormals and huge values. The engine takes any sample it
// cannot use as silence, so every output sample must be finite whatever came in before:
// aborts on the first one that is not.
class Renderer
{
public:
    void render(tessel::host::Runtime& runtime, tessel::host::Instance* instance, FuzzInput& input,
                long frames, bool awkward)
    {
        mLeft.assign(static_cast<std::size_t>(frames), 0.0);
        mRight.assign(static_cast<std::size_t>(frames), 0.0);
        mOutLeft.assign(static_cast<std::size_t>(frames), 0.0);
        mOutRight.assign(static_cast<std::size_t>(frames), 0.0);
        const float left = awkward ? input.sample() : input.inRange(-1.0f, 1.0f);
        const float right = awkward ? input.sample() : input.inRange(-1.0f, 1.0f);
        for (std::size_t i = 0; i < mLeft.size(); ++i)
        {
            const auto phase = static_cast<float>(i) * 0.05f;
            mLeft[i] = static_cast<double>(left * std::sin(phase));
            mRight[i] = static_cast<double>(right * std::cos(phase));
        }
        const double* ins[] = {mLeft.data(), mRight.data()};
        double* outs[] = {mOutLeft.data(), mOutRight.data()};
        if (!runtime.process(instance, ins, outs, frames))
            return;
        for (std::size_t i = 0; i < mOutLeft.size(); ++i)
        {
            if (!std::isfinite(mOutLeft[i]) || !std::isfinite(mOutRight[i]))
                std::abort();
        }
    }

private:
    std::vector<double> mLeft, mRight, mOutLeft, mOutRight;
};

} // namespace sorvell::fuzz
