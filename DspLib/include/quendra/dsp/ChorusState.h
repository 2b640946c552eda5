// ChorusState: a triangle LFO per partial whose rate follows the partial's own frequency
// (1/30 of it times the mod rate, at most half the hop rate, 0.01 Hz at rate 0).
// Pitch follows the triangle, amplitude the triangle a quarter period ahead.
// Units: Hz for frequencies, hops for time, LFO phase in cycles [0, 1). No allocation.
#pragma once

#include "quendra/dsp/ModOut.h"

namespace quendra::dravel::vantor
{

struct ChorusState
{
    vec4 hopRate;   // hops per second
    vec4 partialHz; // the partial's frequency
    vec4 rate;      // mod rate r
    vec4 phase;     // LFO phase p in [0, 1)
    vec4 increment; // LFO phase advance per hop

    explicit ChorusState(float hopRateHz) noexcept : hopRate(hopRateHz) {}

    // Recomputes the increment from partialHz, rate and hopRate.
    void updateIncrement() noexcept;

    // One hop: (amplitude, pitch) at the current phase, then the phase advances.
    ModOut next() noexcept;
};

// Triangle in [-1, 1] over one cycle: 0 at z = 0, +1 at 0.25, 0 at 0.5, -1 at 0.75.
inline vec4 chorusTriangle(vec4 z) noexcept
{
    return vec4(1.0f) - abs(vec4(2.0f) - abs(z * vec4(4.0f) - vec4(3.0f)));
}

} // namespace quendra::dravel::vantor
