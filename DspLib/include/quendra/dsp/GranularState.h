// GranularState: per lane, a countdown that fires a grain at random intervals (between a
// long and a short interval); a grain sets the envelope to 2 (+6 dB), which then falls by
// the partial's own retention per hop. Amplitude and pitch follow the envelope.
// Units: intervals and countdowns in hops. Draws from the bank's random state only when a
// lane fires (and once when built). No allocation.
#pragma once

#include "quendra/dsp/ModOut.h"
#include "quendra/dsp/PartialRandom.h"

namespace quendra::dravel::vantor
{

#include "quendra/dsp/simd/GrainMath.inl"

struct GranularState
{
    // Intervals for one mod rate; the same for every group of a bank.
    struct Timing
    {
        vec4 longInterval;
        vec4 shortInterval;
    };

    vec4 peak{2.0f};
    vec4 pulse{0.0f};
    vec4 hopRate;
    vec4 longInterval;
    vec4 shortInterval;
    vec4 countdown;
    vec4 release{0.0f}; // the group's retention, written together with it
    vec4 envelope{0.0f};
    vec4 pitchScale{1.0f};
    PartialRandom* mpRng;

    // Timing for a mod rate of 0.5, and a first countdown drawn from rng.
    GranularState(float hopRateHz, PartialRandom* rng) noexcept;
    // The same timing without the draw, for an owner that draws other values first; it then
    // calls drawCountdown().
    struct DrawLater
    {
    };
    GranularState(float hopRateHz, PartialRandom* rng, DrawLater) noexcept;
    void drawCountdown() noexcept;

    // Intervals from the mod rate; a running countdown is rescaled to the new short interval.
    void setRate(float rate) noexcept { setTiming(timingFor(hopRate, rate)); }
    static Timing timingFor(vec4 hopRate, float rate) noexcept;
    void setTiming(const Timing& timing) noexcept;

    ModOut next() noexcept; // once per hop; inline, as the group update calls it by name

private:
    static vec4 longFor(vec4 hopRate, vec4 rate) noexcept;
    static vec4 shortFor(vec4 hopRate, vec4 rate) noexcept;
};

inline ModOut GranularState::next() noexcept
{
    pulse = vec4(0.0f);
    countdown -= vec4(1.0f);
    const vec4 firing = countdown < vec4(1.0f);
    if (any(firing))
    {
        const vec4 u = uniform(mpRng->draw());
        countdown = select(firing, grainInterval(u, longInterval, shortInterval), countdown);
        pulse = select(firing, peak, pulse);
    }
    envelope = grainEnvelope(pulse, envelope, release);
    return {envelope, pitchScale * envelope};
}

} // namespace quendra::dravel::vantor
