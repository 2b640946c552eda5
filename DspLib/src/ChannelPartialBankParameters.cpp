// The bank's parameters: each setter records the change and what it makes stale, for the next
// frame start or group update to take up.
#include "quendra/dsp/ChannelPartialBank.h"

#include "quendra/dsp/FastExp2.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>

namespace quendra::dravel::vantor
{

void ChannelPartialBank::setFrequency(float hz) noexcept
{
    mFundamentalHz = hz;
    mFlags.frequency = true;
}

void ChannelPartialBank::setStretch(float stretch) noexcept
{
    mStretch = vec4(stretch);
    mFlags.tuning = true;
}

void ChannelPartialBank::setShiftRatio(float ratio) noexcept
{
    mShiftRatio = vec4(ratio);
}

void ChannelPartialBank::setDecay(float seconds) noexcept
{
    mDecaySeconds = seconds;
    markGroupsStale();
}

void ChannelPartialBank::setHfDamp(float amount) noexcept
{
    mHfDamp = vec4(amount);
    markGroupsStale();
}

void ChannelPartialBank::setLfDamp(float amount) noexcept
{
    mLfDamp = vec4(amount);
    markGroupsStale();
}

void ChannelPartialBank::setUnisonVoices(int voices) noexcept
{
    mUnisonVoices = static_cast<std::uint64_t>(std::max(voices, 1));
    reseed();
    if (mUnisonVoices == 1)
        for (std::size_t g = 0; g < kGroupCount; ++g)
            groups()[g].drawPhases();
    updateSize();
}

void ChannelPartialBank::setUnisonSpread(float spread) noexcept
{
    mSpread = vec4(spread);
    mFlags.tuning = true;
}

void ChannelPartialBank::setHarmonics(float limit) noexcept
{
    // Only the groups in use now; later joiners keep the limit they last received.
    for (PartialGroup* g = groups(); g != mpEnd; ++g)
        g->setHarmonicLimit(limit);
}

void ChannelPartialBank::setModType(std::uint32_t mode) noexcept
{
    mModMode = mode;
    reseed();
    for (std::size_t g = 0; g < kGroupCount; ++g)
        groups()[g].selectMode(static_cast<ModMode>(mode));
}

void ChannelPartialBank::setModRate(float rate) noexcept
{
    // The intervals depend on the rate and the hop rate only: work them out once.
    const vec4 hopRate(mHopRate);
    const auto wander = WanderState::timingFor(hopRate, rate);
    const auto granular = GranularTiming::forRate(hopRate, rate);
    for (std::size_t g = 0; g < kGroupCount; ++g)
        groups()[g].setModRate(rate, wander, granular);
}

void ChannelPartialBank::setPitchMod(float semitones) noexcept
{
    // 2^(z) - 1 from the fastExp2 quartic applied to z directly.
    mPitchDepth = vec4(exp2Polynomial(semitones / 12.0f) - 1.0f);
    markGroupsStale();
}

void ChannelPartialBank::setFrequencySource(std::uint32_t source) noexcept
{
    mFrequencySource = source;
    mFlags.frequency = true;
    mFlags.layout = true;
    mFlags.enable = true;
}

void ChannelPartialBank::setFreeze(bool frozen) noexcept
{
    mFreezeTarget = frozen ? 1.0f : 0.0f;
}

void ChannelPartialBank::setPolyphony(std::uint32_t polyphony) noexcept
{
    mPolyphony = polyphony;
    mFlags.layout = true;
    mFlags.enable = true;
    updateSize();
}

} // namespace quendra::dravel::vantor
