// Parameters as every format declares them, and fuzzed: random values at, between and
// outside the bounds on every block, in every modulation mode, never give a non-finite,
// subnormal or unbounded block; values read back are clamped; value/text round-trips; freeze
// holds the resonance.
#include "Checks.h"
#include "SymbolTable.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace sorvell::conformance
{
namespace
{

struct Random
{
    uint32_t state;
    uint32_t next()
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
    double unit() { return next() / 4294967296.0; }
};

// A value at a bound, between them, or outside them.
double fuzzValue(const ParameterInfo& info, Random& random)
{
    const double span = info.maximum - info.minimum;
    switch (random.next() % 6)
    {
    case 0:
        return info.minimum;
    case 1:
        return info.maximum;
    case 2:
        return info.minimum - span * (0.01 + random.unit());
    case 3:
        return info.maximum + span * (0.01 + random.unit());
    default:
    {
        const double value = info.minimum + span * random.unit();
        return info.integer ? std::round(value) : value;
    }
    }
}

bool sameValue(double a, double b)
{
    return std::fabs(a - b) <= 1e-5 * (1.0 + std::fabs(b));
}

// Texts agree when equal, or when both are numbers equal within single precision (wrappers
// keep values as floats, so the last printed digit may move once).
bool sameText(const std::string& a, const std::string& b)
{
    if (a == b)
    {
        return true;
    }
    char* endA = nullptr;
    char* endB = nullptr;
    const double x = std::strtod(a.c_str(), &endA);
    const double y = std::strtod(b.c_str(), &endB);
    return endA != a.c_str() && endB != b.c_str() && std::string(endA) == std::string(endB) &&
           std::fabs(x - y) <= 4e-7 * std::max(1.0, std::fabs(x));
}

} // namespace

void checkParameters(Context& context)
{
    context.report.run(context.name("parameters", "declared symbols"),
                       [&]
                       {
                           auto instance = context.make();
                           std::string found;
                           for (const ParameterInfo& info : instance->parameters())
                           {
                               found += (found.empty() ? "" : " ") + info.symbol;
                           }
                           std::string declared;
                           for (const std::string& symbol : declaredSymbols())
                           {
                               declared += (declared.empty() ? "" : " ") + symbol;
                           }
                           return expect(found == declared, found);
                       });

    context.report.run(
        context.name("parameters", "gain reduction meter"),
        [&]
        {
            // Driven into the limiter the meter falls below 0 dB, and it comes back to 0 once
            // the sound has rung out; every reading within the declared range.
            auto instance = context.make(48000.0, 512);
            std::string found;
            for (const MeterInfo& meter : instance->meters())
            {
                found += (found.empty() ? "" : " ") + meter.symbol;
            }
            if (instance->meters().size() != declaredMeters().size() ||
                found != declaredMeters().front())
            {
                return fail("meters: " + found);
            }
            const MeterInfo& meter = instance->meters().front();
            set(*instance, "gain", 24.0);
            const Stereo loud = noise(48000, 0.5f, 5);
            const std::vector<float> zeros(512, 0.0f);
            Stereo output(512);
            float* out[2] = {output.left.data(), output.right.data()};
            double deepest = 0.0;
            double last = 0.0;
            int outOfRange = 0;
            for (size_t block = 0; block < 4 * 48000 / 512; ++block)
            {
                const size_t at = block * 512;
                const bool inBurst = at + 512 <= loud.left.size();
                const float* in[2] = {inBurst ? loud.left.data() + at : zeros.data(),
                                      inBurst ? loud.right.data() + at : zeros.data()};
                instance->process(in, out, 512);
                last = instance->meterValue(0).value_or(last);
                outOfRange += last < meter.minimum || last > meter.maximum ? 1 : 0;
                deepest = std::min(deepest, last);
            }
            return expect(deepest < -1.0 && last > -0.01 && outOfRange == 0,
                          "deepest " + std::to_string(deepest) + " dB, after 3 s of silence " +
                              std::to_string(last) + " dB, " + std::to_string(outOfRange) +
                              " readings out of range");
        });

    context.report.run(
        context.name("parameters", "freeze holds the resonance"),
        [&]
        {
            // Half a second of noise, then silence for two seconds: frozen at the end of the
            // noise the resonance keeps its level (within 1 dB); free it has died away.
            const auto levelsAfterNoise = [&](double freeze)
            {
                auto instance = context.make(48000.0, 512);
                set(*instance, "decay", 0.5);
                const Stereo loud = noise(24000, 0.5f, 9);
                const std::vector<float> zeros(512, 0.0f);
                Stereo output(512);
                float* out[2] = {output.left.data(), output.right.data()};
                std::vector<double> power; // mean square of each block of silence
                for (size_t block = 0; block < 2 * 48000 / 512 + 24000 / 512; ++block)
                {
                    const size_t at = block * 512;
                    const bool inNoise = at + 512 <= loud.left.size();
                    if (!inNoise && power.empty())
                    {
                        set(*instance, "freeze", freeze);
                    }
                    const float* in[2] = {inNoise ? loud.left.data() + at : zeros.data(),
                                          inNoise ? loud.right.data() + at : zeros.data()};
                    instance->process(in, out, 512);
                    if (!inNoise)
                    {
                        double sum = 0.0;
                        for (const float x : output.left)
                        {
                            sum += double(x) * x;
                        }
                        power.push_back(sum / 512.0);
                    }
                }
                const auto level = [&](size_t first)
                {
                    double sum = 0.0;
                    for (size_t b = first; b < first + 20; ++b)
                    {
                        sum += power[b];
                    }
                    return 10.0 * std::log10(sum / 20.0 + 1e-30);
                };
                return std::pair{level(20), level(power.size() - 20)};
            };
            const auto [frozenEarly, frozenLate] = levelsAfterNoise(1.0);
            const auto [freeEarly, freeLate] = levelsAfterNoise(0.0);
            return expect(std::fabs(frozenLate - frozenEarly) < 1.0 && frozenEarly > -60.0 &&
                              freeLate < freeEarly - 40.0,
                          "frozen " + std::to_string(frozenEarly) + " then " +
                              std::to_string(frozenLate) + " dB, free " +
                              std::to_string(freeEarly) + " then " + std::to_string(freeLate) +
                              " dB");
        });

    context.report.run(context.name("parameters", "enumerations"),
                       [&]
                       {
                           auto instance = context.make();
                           const auto& all = instance->parameters();
                           const int mode = instance->indexOf("mod_type");
                           const int source = instance->indexOf("pitch_source");
                           if (mode < 0 || source < 0)
                           {
                               return fail("mod_type or pitch_source missing");
                           }
                           const auto& modes = all[static_cast<size_t>(mode)].labels;
                           const auto& sources = all[static_cast<size_t>(source)].labels;
                           std::string text;
                           for (const auto& label : modes)
                           {
                               text += label + "/";
                           }
                           text += " ";
                           for (const auto& label : sources)
                           {
                               text += label + "/";
                           }
                           return expect(
                               modes == modulationNames() && sources == pitchSourceNames(), text);
                       });

    context.report.run(
        context.name("parameters", "defaults as declared"),
        [&]
        {
            auto instance = context.make();
            std::string wrong;
            const auto& all = instance->parameters();
            for (uint32_t i = 0; i < all.size(); ++i)
            {
                const double value = instance->parameterValue(i);
                const ParameterInfo& info = all[i];
                if (!sameValue(value, info.defaultValue) || info.defaultValue < info.minimum ||
                    info.defaultValue > info.maximum)
                {
                    wrong += " " + info.symbol + "=" + std::to_string(value) + " (declared " +
                             std::to_string(info.defaultValue) + ")";
                }
            }
            return expect(wrong.empty(), wrong.empty() ? "every parameter starts at its default"
                                                       : "wrong:" + wrong);
        });

    context.report.run(
        context.name("parameters", "value/text round trip"),
        [&]
        {
            auto instance = context.make();
            std::string wrong;
            const auto& all = instance->parameters();
            int checked = 0;
            for (uint32_t i = 0; i < all.size(); ++i)
            {
                const ParameterInfo& info = all[i];
                for (double fraction : {0.0, 0.25, 0.5, 1.0})
                {
                    double value = info.minimum + fraction * (info.maximum - info.minimum);
                    if (info.integer)
                    {
                        value = std::round(value);
                    }
                    const std::string text = instance->valueToText(i, value);
                    const std::optional<double> back = instance->textToValue(i, text);
                    const std::string again =
                        back ? instance->valueToText(i, *back) : std::string("<refused>");
                    ++checked;
                    const bool recovered =
                        back && std::fabs(*back - value) <= 0.005 * (info.maximum - info.minimum);
                    if (text.empty() || !recovered || !sameText(again, text))
                    {
                        wrong += " " + info.symbol + ": " + std::to_string(value) + " -> \"" +
                                 text + "\" -> \"" + again + "\"";
                    }
                }
            }
            return expect(wrong.empty(), wrong.empty()
                                             ? std::to_string(checked) + " values round-trip"
                                             : "not round-tripping:" + wrong);
        });

    context.report.run(
        context.name("parameters", "read back clamped"),
        [&]
        {
            if (context.format == Format::Lv2)
            {
                return pass("LV2 control ports are host memory: nothing to read back");
            }
            auto instance = context.make();
            std::string wrong;
            const auto& all = instance->parameters();
            for (double side : {-1.0, 1.0})
            {
                for (uint32_t i = 0; i < all.size(); ++i)
                {
                    const double span = all[i].maximum - all[i].minimum;
                    instance->setParameter(i, side < 0 ? all[i].minimum - span
                                                       : all[i].maximum + span);
                }
                const Stereo input = noise(256, 0.1f, 1);
                render(*instance, input, fixedBlocks(256, 256));
                for (uint32_t i = 0; i < all.size(); ++i)
                {
                    const double value = instance->parameterValue(i);
                    const double bound = side < 0 ? all[i].minimum : all[i].maximum;
                    if (!sameValue(value, bound))
                    {
                        wrong += " " + all[i].symbol + "=" + std::to_string(value);
                    }
                }
            }
            return expect(wrong.empty(), wrong.empty() ? "every value read back at its bound"
                                                       : "not clamped:" + wrong);
        });

    for (int mode = 0; mode < 4; ++mode)
    {
        context.report.run(
            context.name("parameters", "fuzz mod_type " + std::to_string(mode)),
            [&]
            {
                constexpr uint32_t kBlock = 32;
                constexpr int kBlocks = 1500;
                auto instance = context.make(44100.0, kBlock);
                const auto& all = instance->parameters();
                const int modeIndex = instance->indexOf("mod_type");
                const int bypassIndex = instance->indexOf("bypass");
                Random random{0x9e3779b9u + static_cast<uint32_t>(mode)};
                const Stereo input =
                    noise(kBlock * kBlocks, 0.5f, 40 + static_cast<uint32_t>(mode));
                Stereo output(kBlock);
                for (int block = 0; block < kBlocks; ++block)
                {
                    for (uint32_t i = 0; i < all.size(); ++i)
                    {
                        if (static_cast<int>(i) == modeIndex ||
                            static_cast<int>(i) == bypassIndex || random.next() % 4 != 0)
                        {
                            continue;
                        }
                        instance->setParameter(i, fuzzValue(all[i], random),
                                               random.next() % kBlock);
                    }
                    instance->setParameter(static_cast<uint32_t>(modeIndex), mode);
                    const float* in[2] = {input.left.data() + block * kBlock,
                                          input.right.data() + block * kBlock};
                    float* out[2] = {output.left.data(), output.right.data()};
                    instance->process(in, out, kBlock);
                    const Health h = health(output, 0, kBlock);
                    if (!h.finite || h.subnormal || h.peak > kPeakBound)
                    {
                        std::string values;
                        for (uint32_t i = 0; i < all.size(); ++i)
                        {
                            char text[64];
                            std::snprintf(text, sizeof text, " %s=%g", all[i].symbol.c_str(),
                                          instance->parameterValue(i));
                            values += text;
                        }
                        return fail("block " + std::to_string(block) + ": " + describe(h) +
                                    "; values" + values);
                    }
                }
                return pass(std::to_string(kBlocks) + " blocks finite, no subnormals, peak <= " +
                            std::to_string(static_cast<int>(kPeakBound)));
            });
    }
}

} // namespace sorvell::conformance
