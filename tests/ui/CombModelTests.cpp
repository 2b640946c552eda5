// The comb the window draws against the partials of a running plugin engine, set the same way.
#include "CombModel.h"
#include "SorvellProcessor.h"

#include <quendra/dsp/PartialGroup.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <numbers>
#include <vector>

namespace
{

using quendra::dravel::vantor::vec4;
using quendra::plugin::SorvellProcessor;
using quendra::plugin::ui::CombModel;
using quendra::plugin::ui::CombPartial;
using quendra::sorvell::parameter_id;

constexpr double kRate = 48000.0;

struct Setting
{
    const char* name;
    std::map<parameter_id, double> values;
};

CombModel::Values valuesOf(const Setting& setting)
{
    CombModel::Values values{};
    for (std::size_t i = 0; i < values.size(); ++i)
    {
        values[i] = quendra::sorvell::parameters()[i].default_value;
    }
    for (const auto& [id, value] : setting.values)
    {
        values[static_cast<std::size_t>(id)] = value;
    }
    return values;
}

// The plugin's own engine after a second of audio at these settings.
std::unique_ptr<SorvellProcessor> runningPlugin(const CombModel::Values& values)
{
    auto processor = std::make_unique<SorvellProcessor>(kRate);
    for (std::size_t i = 0; i < values.size(); ++i)
    {
        processor->setParameter(i, values[i]);
    }
    processor->activate();
    std::vector<float> left(512, 0.0f);
    std::vector<float> right(512, 0.0f);
    const float* in[2] = {left.data(), right.data()};
    float* out[2] = {left.data(), right.data()};
    for (int block = 0; block < 94; ++block)
    {
        processor->process(in, out, 512);
    }
    return processor;
}

// Every partial the engine lets sound: in use, below the harmonic limit, inside the band.
std::vector<CombPartial> enginePartials(const SorvellProcessor& processor, float damping[2])
{
    auto& engine = const_cast<SorvellProcessor&>(processor).engine();
    std::vector<CombPartial> partials;
    for (int side = 0; side < 2; ++side)
    {
        const auto& bank = engine.bank(side);
        for (std::size_t g = 0; g < bank.activeGroupCount(); ++g)
        {
            const auto& group = bank.group(g);
            const vec4 active = group.activeLanes() & vec4(1.0f);
            for (int lane = 0; lane < 4; ++lane)
            {
                if (group.mVoiceActive && active[lane] != 0.0f)
                {
                    const float hz =
                        group.omega()[lane] * bank.hopRate() / (2.0f * std::numbers::pi_v<float>);
                    partials.push_back({hz, 0.0f, group.retention()[lane] / damping[side],
                                        static_cast<std::uint8_t>(side),
                                        static_cast<std::uint16_t>(group.harmonic()[lane]),
                                        static_cast<std::uint8_t>(group.mUnison[lane])});
                }
            }
        }
    }
    return partials;
}

TEST(CombModel, PartialsAreWhereTheRunningEngineHasThem)
{
    using enum parameter_id;
    const std::vector<Setting> settings{
        {"defaults", {}},
        {"low stretched unison", {{frequency, 55.0}, {stretch, 0.35}, {voices, 3}, {unison, 0.7}}},
        {"compressed, few harmonics", {{frequency, 300.0}, {stretch, -0.4}, {harmonics, 12}}},
        {"eight voices, damped, shifted",
         {{frequency, 180.0},
          {voices, 8},
          {unison, 1.0},
          {hf_damp, 0.8},
          {lf_damp, 0.6},
          {shift, -7.0},
          {decay, 1.5}}},
        {"high: the band ends at 20 kHz", {{frequency, 4186.0}, {voices, 2}, {unison, 0.2}}},
    };
    CombModel model(kRate);
    for (const auto& setting : settings)
    {
        SCOPED_TRACE(setting.name);
        const auto values = valuesOf(setting);
        model.update(values);

        // The undamped retention of the same decay, to read the damping out of the engine's.
        auto undampedValues = values;
        undampedValues[static_cast<std::size_t>(hf_damp)] = 0.0;
        undampedValues[static_cast<std::size_t>(lf_damp)] = 0.0;
        const auto undamped = runningPlugin(undampedValues);
        float base[2] = {undamped->engine().bank(0).group(0).retention()[0],
                         undamped->engine().bank(1).group(0).retention()[0]};
        const auto expected = enginePartials(*runningPlugin(values), base);

        const auto partials = model.partials();
        ASSERT_EQ(partials.size(), expected.size());
        const double shiftRatio = std::exp2(-values[static_cast<std::size_t>(shift)] / 12.0);
        for (std::size_t i = 0; i < partials.size(); ++i)
        {
            EXPECT_FLOAT_EQ(partials[i].hz, expected[i].hz) << i;
            EXPECT_EQ(partials[i].side, expected[i].side) << i;
            EXPECT_EQ(partials[i].harmonic, expected[i].harmonic) << i;
            EXPECT_EQ(partials[i].voice, expected[i].voice) << i;
            EXPECT_NEAR(partials[i].level, expected[i].level, 1e-5f) << i;
            EXPECT_NEAR(partials[i].listenHz / partials[i].hz, shiftRatio, 1e-3 * shiftRatio);
            EXPECT_GE(partials[i].hz, 20.0f);
            EXPECT_LE(partials[i].hz, 20000.0f);
        }
    }
}

} // namespace
