// WanderState: per lane, a value that ramps linearly to a random target in [-1, 1) over a
// random number of hops, then picks a new target. Pitch follows a lane's own value,
// amplitude its neighbour's (lane l + 1), so level and pitch wander independently.
// Units: steps in hops, values dimensionless. Draws from the bank's random state only
// when a lane reaches its target. No allocation.
#pragma once

#include "quendra/dsp/ModOut.h"
#include "quendra/dsp/PartialRandom.h"

namespace quendra::dravel::vantor
{

struct WanderState
{
    // Step bounds for one mod rate; the same for every group of a bank.
    struct Timing
    {
        vec4 minSteps;
        vec4 maxSteps;
    };

    vec4 hopRate;
    vec4 minSteps{1.0f};
    vec4 maxSteps{2.0f};
    vec4 value{0.0f};
    vec4 target{0.0f};
    vec4 slope{0.0f};
    vec4 direction{1.0f}; // +1 rising, -1 falling
    PartialRandom* mpRng;

    WanderState(float hopRateHz, PartialRandom* rng) noexcept : hopRate(hopRateHz), mpRng(rng) {}

    // Intervals from the mod rate: 10..20 s at rate 0, 10..20 ms at rate 1, at least 1 hop.
    void setRate(float rate) noexcept { setTiming(timingFor(hopRate, rate)); }
    static Timing timingFor(vec4 hopRate, float rate) noexcept;
    // New bounds; a ramp in progress keeps its proportion to the maximum.
    void setTiming(const Timing& timing) noexcept;

    ModOut next() noexcept;
};

} // namespace quendra::dravel::vantor
