// State: saved, loaded into a fresh instance, the output is identical to an instance set up
// by hand (also when another build of the plugin saved it); empty, truncated and random state
// is refused or leaves every parameter in range, and the instance keeps working.
#include "Checks.h"

#include <cmath>

namespace sorvell::conformance
{
namespace
{

const Settings& changedSettings()
{
    static const Settings settings{{"mod_type", 0.0},  {"voices", 1.0}, {"harmonics", 12.0},
                                   {"gain", 3.0},      {"decay", 1.5},  {"frequency", 330.0},
                                   {"mix", 0.7},       {"shift", -5.0}, {"hf_damp", 0.3},
                                   {"pitch_mod", 0.0}, {"stretch", 0.2}};
    return settings;
}

// Every number in a saved state replaced by a huge one: a well-formed state with wild values.
std::vector<uint8_t> withHugeNumbers(const std::vector<uint8_t>& state)
{
    std::vector<uint8_t> out;
    bool inNumber = false;
    for (uint8_t byte : state)
    {
        const bool digit = byte >= '0' && byte <= '9';
        if (digit && !inNumber)
        {
            for (char c : std::string("999999999"))
            {
                out.push_back(static_cast<uint8_t>(c));
            }
        }
        else if (!digit)
        {
            out.push_back(byte);
        }
        inNumber = digit;
    }
    return out;
}

std::vector<uint8_t> randomBytes(size_t size, uint32_t seed)
{
    std::vector<uint8_t> out(size);
    uint32_t state = seed * 2246822519u + 1u;
    for (uint8_t& byte : out)
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        byte = static_cast<uint8_t>(state >> 24);
    }
    return out;
}

} // namespace

void checkState(Context& context)
{
    const size_t frames = 8192;
    const Stereo input = noise(frames, 0.5f, 31);
    const auto blocks = fixedBlocks(frames, 512);
    std::vector<uint8_t> saved;
    auto savedState = [&]
    {
        if (saved.empty())
        {
            auto source = context.make();
            set(*source, changedSettings());
            render(*source, input, blocks);
            saved = source->saveState().value_or(std::vector<uint8_t>{});
        }
        return saved;
    };

    context.report.run(context.name("state", "save, load into a fresh instance"),
                       [&]
                       {
                           auto source = context.make();
                           set(*source, changedSettings());
                           render(*source, input, blocks);
                           const auto state = source->saveState();
                           if (!state)
                           {
                               return fail("save refused");
                           }
                           saved = *state;
                           auto restored = context.make();
                           if (!restored->loadState(saved))
                           {
                               return fail("load refused its own state");
                           }
                           std::string wrong;
                           for (const auto& [symbol, value] : changedSettings())
                           {
                               const auto index = static_cast<uint32_t>(restored->indexOf(symbol));
                               const double back = restored->parameterValue(index);
                               if (std::fabs(back - value) > 1e-4 * (1.0 + std::fabs(value)))
                               {
                                   wrong += " " + symbol + "=" + std::to_string(back);
                               }
                           }
                           auto byHand = context.make();
                           set(*byHand, changedSettings());
                           const Stereo expected = render(*byHand, input, blocks);
                           const Stereo actual = render(*restored, input, blocks);
                           const size_t differ = firstDifference(expected, actual);
                           return expect(
                               wrong.empty() && differ == frames,
                               std::to_string(saved.size()) + " bytes" +
                                   (wrong.empty() ? "" : ", values lost:" + wrong) +
                                   (differ == frames
                                        ? ", output identical to an instance set by hand"
                                        : ", output differs from frame " + std::to_string(differ)));
                       });

    if (!context.stateSource.empty())
    {
        context.report.run(
            context.name("state", "saved by " + context.stateSource + ", loaded here"),
            [&]
            {
                const Context other{context.format, context.stateSource, context.report};
                auto source = other.make();
                set(*source, changedSettings());
                render(*source, input, blocks);
                const auto state = source->saveState();
                auto restored = context.make();
                if (!state || !restored->loadState(*state))
                {
                    return fail("the state did not move between the builds");
                }
                bool sameParameters = source->parameters().size() == restored->parameters().size();
                for (size_t i = 0; sameParameters && i < source->parameters().size(); ++i)
                {
                    const ParameterInfo& a = source->parameters()[i];
                    const ParameterInfo& b = restored->parameters()[i];
                    sameParameters = a.symbol == b.symbol && a.minimum == b.minimum &&
                                     a.maximum == b.maximum && a.defaultValue == b.defaultValue;
                }
                auto byHand = context.make();
                set(*byHand, changedSettings());
                const size_t differ = firstDifference(render(*byHand, input, blocks),
                                                      render(*restored, input, blocks));
                return expect(
                    sameParameters && differ == frames,
                    std::string(sameParameters ? "same parameters" : "the parameters differ") +
                        (differ == frames
                             ? ", output identical to an instance set by hand"
                             : ", output differs from frame " + std::to_string(differ)));
            });
    }

    const std::vector<uint8_t> good = savedState();
    const std::vector<std::pair<std::string, std::vector<uint8_t>>> bad{
        {"empty", {}},
        {"truncated", std::vector<uint8_t>(good.begin(), good.begin() + good.size() / 2)},
        {"huge values", withHugeNumbers(good)},
        {"random 16 bytes", randomBytes(16, 1)},
        {"random 4 KiB", randomBytes(4096, 2)},
    };
    for (const auto& [label, bytes] : bad)
    {
        context.report.run(
            context.name("state", label),
            [&]
            {
                auto instance = context.make();
                const bool accepted = instance->loadState(bytes);
                std::string outOfRange;
                const auto& all = instance->parameters();
                // LV2 state restores into host-owned ports; only the plugin's output can tell.
                if (accepted && context.format != Format::Lv2)
                {
                    for (uint32_t i = 0; i < all.size(); ++i)
                    {
                        const double value = instance->parameterValue(i);
                        if (!(value >= all[i].minimum && value <= all[i].maximum))
                        {
                            outOfRange += " " + all[i].symbol + "=" + std::to_string(value);
                        }
                    }
                }
                const Stereo out = render(*instance, input, blocks);
                const Health h = health(out, 0, frames);
                const bool healthy = h.finite && !h.subnormal && h.peak <= kPeakBound;
                return expect(outOfRange.empty() && healthy,
                              std::string(accepted ? "accepted" : "refused") +
                                  (outOfRange.empty() ? "" : ", out of range:" + outOfRange) +
                                  ", then " + describe(h));
            });
    }
}

} // namespace sorvell::conformance
