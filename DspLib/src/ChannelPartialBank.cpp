#include "quendra/dsp/ChannelPartialBank.h"

#include <algorithm>

namespace quendra::dravel::vantor
{

void ChannelPartialBank::prepare(float, const Complex*, Complex* outputSpectrum, int, RandomDevice&)
{
    mpOutputSpectrum = outputSpectrum;
}

void ChannelPartialBank::reset() noexcept { frameStart(); }

void ChannelPartialBank::tick() noexcept {}

void ChannelPartialBank::frameStart() noexcept
{
    std::fill_n(mpOutputSpectrum, kNumBins, Complex{0.0f, 0.0f});
}

void ChannelPartialBank::setFrequency(float) noexcept {}
void ChannelPartialBank::setStretch(float) noexcept {}
void ChannelPartialBank::setShiftRatio(float) noexcept {}
void ChannelPartialBank::setDecay(float) noexcept {}
void ChannelPartialBank::setHfDamp(float) noexcept {}
void ChannelPartialBank::setLfDamp(float) noexcept {}
void ChannelPartialBank::setUnisonVoices(int) noexcept {}
void ChannelPartialBank::setUnisonSpread(float) noexcept {}
void ChannelPartialBank::setHarmonics(float) noexcept {}
void ChannelPartialBank::setModType(std::uint32_t) noexcept {}
void ChannelPartialBank::setModRate(float) noexcept {}
void ChannelPartialBank::setPitchMod(float) noexcept {}
void ChannelPartialBank::setFrequencySource(std::uint32_t) noexcept {}
void ChannelPartialBank::setPolyphony(std::uint32_t) noexcept {}

} // namespace quendra::dravel::vantor
