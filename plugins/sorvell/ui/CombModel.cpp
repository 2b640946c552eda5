#include "CombModel.h"

#include <quendra/dsp/PartialGroup.h>
#include <quendra/dsp/Vantor.h>

#include <algorithm>
#include <numbers>

namespace quendra::plugin::ui
{
namespace
{

using dravel::vantor::ChannelPartialBank;
using dravel::vantor::PartialGroup;
using dravel::vantor::vec4;
using sorvell::parameter_id;

constexpr auto index(parameter_id id)
{
    return static_cast<std::size_t>(id);
}

} // namespace

CombModel::CombModel(double sampleRate)
    : mSampleRate(sampleRate), mEngine(std::make_unique<dravel::vantor::Vantor>(
                                   static_cast<float>(sampleRate), ChannelPartialBank::kFixedSeed))
{
    mEngine->setFrequencySource(0);
    mEngine->setPolyphony(0);
    mPartials.reserve(2 * ChannelPartialBank::kGroupCount * 4);
}

CombModel::~CombModel() = default;

void CombModel::hop() noexcept
{
    // The banks lay out and tune their partials at the start of a hop.
    for (auto n = mEngine->samplesUntilHop(); n > 0; --n)
    {
        mEngine->process({0.0f, 0.0f});
    }
}

void CombModel::update(const Values& values)
{
    const auto rows = sorvell::parameters();
    Values clamped{};
    for (std::size_t i = 0; i < values.size(); ++i)
    {
        clamped[i] = std::clamp(values[i], rows[i].minimum, rows[i].maximum);
        sorvell::apply(*mEngine, i, clamped[i]);
    }
    hop();
    // A harmonic limit reaches only the partials in use when it is set: set it again now
    // that a new voice count has its partials.
    sorvell::apply(*mEngine, index(parameter_id::harmonics),
                   clamped[index(parameter_id::harmonics)]);

    // Damping as level: the engine's retention with the damping over that without it.
    const vec4 hfDamp(static_cast<float>(clamped[index(parameter_id::hf_damp)]));
    const vec4 lfDamp(static_cast<float>(clamped[index(parameter_id::lf_damp)]));
    const float shiftRatio = mEngine->shiftFactor() * mEngine->shiftFactor();

    mPartials.clear();
    for (int side = 0; side < 2; ++side)
    {
        const ChannelPartialBank& bank = mEngine->bank(side);
        const float hzPerOmega = bank.hopRate() / (2.0f * std::numbers::pi_v<float>);
        for (std::size_t g = 0; g < bank.activeGroupCount(); ++g)
        {
            const PartialGroup& group = bank.group(g);
            if (!group.mVoiceActive)
            {
                continue;
            }
            const vec4 active = group.activeLanes() & vec4(1.0f);
            const vec4 level = PartialGroup::retentionFor(group.harmonic(), 1.0f, hfDamp, lfDamp);
            for (int lane = 0; lane < 4; ++lane)
            {
                if (active[lane] == 0.0f)
                {
                    continue;
                }
                const float hz = group.omega()[lane] * hzPerOmega;
                mPartials.push_back({hz, hz * shiftRatio, level[lane],
                                     static_cast<std::uint8_t>(side),
                                     static_cast<std::uint16_t>(group.harmonic()[lane]),
                                     static_cast<std::uint8_t>(group.mUnison[lane])});
            }
        }
    }
}

} // namespace quendra::plugin::ui
