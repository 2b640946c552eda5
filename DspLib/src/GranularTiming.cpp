#include "quendra/dsp/GranularTiming.h"

namespace quendra::dravel::vantor
{

GranularTiming GranularTiming::forRate(vec4 hopRateHz, float rate) noexcept
{
    const vec4 r(rate);
    return {max(hopRateHz / (vec4(5.0f) * r + vec4(0.005f) * (vec4(1.0f) - r)), vec4(1.0f)),
            max(hopRateHz / (vec4(50.0f) * r + vec4(0.05f) * (vec4(1.0f) - r)), vec4(1.0f))};
}

} // namespace quendra::dravel::vantor
