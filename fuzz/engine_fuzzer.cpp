// Drives the engine with an arbitrary sequence of parameter changes and input samples,
// including NaN, infinities, denormals and huge values. Parameters are clamped to the ranges
// the attributes allow (the engine's setters take clamped values). Checks that nothing
// crashes or trips a sanitizer, and that finite input after a non-finite burst gives finite
// output again once the burst has left every buffer.
#include "quendra/dsp/Vantor.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <memory>

namespace
{

using quendra::dravel::vantor::StereoFrame;
using quendra::dravel::vantor::Vantor;

float sampleFrom(FuzzedDataProvider& data)
{
    switch (data.ConsumeIntegralInRange<int>(0, 7))
    {
    case 0:
        return std::numeric_limits<float>::quiet_NaN();
    case 1:
        return std::numeric_limits<float>::infinity();
    case 2:
        return -std::numeric_limits<float>::infinity();
    case 3:
        return std::numeric_limits<float>::denorm_min() * data.ConsumeIntegral<std::uint8_t>();
    case 4:
        return data.ConsumeFloatingPoint<float>(); // anything, huge values included
    default:
        return data.ConsumeFloatingPointInRange<float>(-1.0f, 1.0f);
    }
}

float inRange(FuzzedDataProvider& data, float lo, float hi)
{
    return data.ConsumeFloatingPointInRange<float>(lo, hi);
}

void setParameter(Vantor& engine, FuzzedDataProvider& data)
{
    switch (data.ConsumeIntegralInRange<int>(0, 15))
    {
    case 0:
        engine.setMix(inRange(data, 0.0f, 1.0f));
        break;
    case 1:
        engine.setInputGain(Vantor::gainFromDecibels(inRange(data, -24.0f, 24.0f)));
        break;
    case 2:
        engine.setStretch(inRange(data, -1.0f, 1.0f));
        break;
    case 3:
        engine.setShift(inRange(data, -48.0f, 48.0f));
        break;
    case 4:
        engine.setDecay(inRange(data, 0.001f, 20.0f));
        break;
    case 5:
        engine.setHfDamp(inRange(data, 0.0f, 1.0f));
        break;
    case 6:
        engine.setLfDamp(inRange(data, 0.0f, 1.0f));
        break;
    case 7:
        engine.setUnisonVoices(data.ConsumeIntegralInRange<int>(1, 8));
        break;
    case 8:
        engine.setUnisonAmount(inRange(data, 0.0f, 1.0f));
        break;
    case 9:
        engine.setHarmonics(data.ConsumeIntegralInRange<int>(1, 256));
        break;
    case 10:
        engine.setFrequency(inRange(data, 20.0f, 20000.0f));
        break;
    case 11:
        engine.setModType(data.ConsumeIntegral<int>());
        break; // out of range is ignored
    case 12:
        engine.setModRate(inRange(data, 0.0f, 1.0f));
        break;
    case 13:
        engine.setPitchMod(inRange(data, 0.0f, 4.0f));
        break;
    case 14:
        engine.reset();
        break;
    default:
        engine.setFrequencySource(0);
        engine.setPolyphony(0);
        break;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size)
{
    FuzzedDataProvider data(bytes, size);
    static const float rates[] = {8000.0f, 22050.0f, 44100.0f, 48000.0f, 96000.0f, 384000.0f};
    const float rate = rates[data.ConsumeIntegralInRange<int>(0, 5)];
    auto engine = std::make_unique<Vantor>(rate, data.ConsumeIntegral<std::uint32_t>());

    while (data.remaining_bytes() > 0)
    {
        if (data.ConsumeBool())
        {
            setParameter(*engine, data);
            continue;
        }
        const int run = data.ConsumeIntegralInRange<int>(1, 700);
        const float left = sampleFrom(data);
        const float right = data.ConsumeBool() ? left : sampleFrom(data);
        for (int i = 0; i < run; ++i)
            engine->process(StereoFrame{left, right});
    }

    // Finite, moderate input long enough for a non-finite burst to leave the rings, the
    // partials and the limiter: the output must be finite again.
    engine->reset();
    StereoFrame out{};
    for (int i = 0; i < 4096; ++i)
        out = engine->process(StereoFrame{0.25f, -0.25f});
    if (!std::isfinite(out.left) || !std::isfinite(out.right))
        std::abort();
    return 0;
}
