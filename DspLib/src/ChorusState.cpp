#include "quendra/dsp/ChorusState.h"

namespace quendra::dravel::vantor
{

void ChorusState::updateIncrement() noexcept
{
    const vec4 rho = partialHz / vec4(30.0f) * rate;
    const vec4 capped = min(rho, hopRate * vec4(0.5f));
    increment = select(rho > vec4(0.0f), capped, vec4(0.01f)) / hopRate;
}

ModOut ChorusState::next() noexcept
{
    const vec4 pitch = chorusTriangle(phase);
    const vec4 ahead = phase + vec4(0.25f);
    const vec4 amplitude =
        (chorusTriangle(ahead - floor(ahead)) * vec4(0.5f) + vec4(0.5f)) * vec4(kModPeakGain);
    const vec4 advanced = phase + increment;
    phase = select(advanced >= vec4(1.0f), advanced - vec4(1.0f), advanced);
    return {amplitude, pitch};
}

} // namespace quendra::dravel::vantor
