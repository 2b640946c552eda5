#include "quendra/dsp/GranularState.h"

namespace quendra::dravel::vantor
{

vec4 GranularState::longFor(vec4 hopRateHz, vec4 r) noexcept
{
    return max(hopRateHz / (vec4(5.0f) * r + vec4(0.005f) * (vec4(1.0f) - r)), vec4(1.0f));
}

vec4 GranularState::shortFor(vec4 hopRateHz, vec4 r) noexcept
{
    return max(hopRateHz / (vec4(50.0f) * r + vec4(0.05f) * (vec4(1.0f) - r)), vec4(1.0f));
}

GranularState::GranularState(float hopRateHz, PartialRandom* rng) noexcept
    : GranularState(hopRateHz, rng, DrawLater{})
{
    drawCountdown();
}

GranularState::GranularState(float hopRateHz, PartialRandom* rng, DrawLater) noexcept
    : hopRate(hopRateHz), longInterval(longFor(hopRate, vec4(0.5f))),
      shortInterval(shortFor(hopRate, vec4(0.5f))), mpRng(rng)
{
}

void GranularState::drawCountdown() noexcept
{
    const vec4 u = uniform(mpRng->draw());
    countdown = (vec4(1.0f) - u) * longInterval + u * shortInterval;
}

GranularState::Timing GranularState::timingFor(vec4 hopRateHz, float rate) noexcept
{
    const vec4 r(rate);
    return {longFor(hopRateHz, r), shortFor(hopRateHz, r)};
}

void GranularState::setTiming(const Timing& timing) noexcept
{
    longInterval = timing.longInterval;
    countdown = countdown * timing.shortInterval / shortInterval;
    shortInterval = timing.shortInterval;
}

} // namespace quendra::dravel::vantor
