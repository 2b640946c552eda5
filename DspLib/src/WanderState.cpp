#include "quendra/dsp/WanderState.h"

namespace quendra::dravel::vantor
{

WanderState::Timing WanderState::timingFor(vec4 hopRateHz, float rate) noexcept
{
    const vec4 r(rate);
    const vec4 rest = vec4(1.0f) - r;
    return {max(hopRateHz / (vec4(100.0f) * r + vec4(0.1f) * rest), vec4(1.0f)),
            max(hopRateHz / (vec4(50.0f) * r + vec4(0.05f) * rest), vec4(1.0f))};
}

void WanderState::setTiming(const Timing& timing) noexcept
{
    minSteps = timing.minSteps;
    // Keep a ramp in progress proportionate to the new time scale.
    slope = slope * maxSteps / timing.maxSteps;
    maxSteps = timing.maxSteps;
}

ModOut WanderState::next() noexcept
{
    value += slope;
    const vec4 reached = direction * target <= direction * value;
    if (any(reached))
    {
        const vec4 u = uniform(mpRng->draw());
        const vec4 steps = floor((vec4(1.0f) - u) * minSteps + u * maxSteps);
        const vec4 newTarget = bipolar(mpRng->draw());
        const vec4 previous = value;
        value = select(reached, target, value);
        target = select(reached, newTarget, target);
        slope = select(reached, (newTarget - previous) / steps, slope);
        direction = select(slope >= vec4(0.0f), vec4(1.0f), vec4(-1.0f));
    }
    // Amplitude of lane l follows the value of lane (l + 1) mod 4.
    alignas(16) float v[4];
    value.store(v);
    const vec4 neighbour(v[1], v[2], v[3], v[0]);
    const vec4 amplitude = (neighbour * vec4(0.5f) + vec4(0.5f)) * vec4(kModPeakGain);
    return {amplitude, value};
}

} // namespace quendra::dravel::vantor
