// Drives the engine with an arbitrary sequence of parameter changes and input samples,
// including NaN, infinities, denormals and huge values. Parameters are clamped to the ranges
// the attributes allow (the engine's setters take clamped values). Runs go through the
// per-frame call or the block call. The engine takes any sample it cannot use as silence, so
// every output sample must be finite whatever came in; nothing may crash or trip a sanitizer.
#include "FuzzInput.h"
#include "FuzzTargets.h"
#include "quendra/dsp/Vantor.h"

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
using sorvell::fuzz::FuzzInput;

float inRange(FuzzInput& data, float lo, float hi)
{
    return data.inRange(lo, hi);
}

void setParameter(Vantor& engine, FuzzInput& data)
{
    switch (data.integer(0, 15))
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
        engine.setUnisonVoices(data.integer(1, 8));
        break;
    case 8:
        engine.setUnisonAmount(inRange(data, 0.0f, 1.0f));
        break;
    case 9:
        engine.setHarmonics(data.integer(1, 256));
        break;
    case 10:
        engine.setFrequency(inRange(data, 20.0f, 20000.0f));
        break;
    case 11:
        engine.setModType(data.integer(-2, 5));
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

void expectFinite(StereoFrame out)
{
    if (!std::isfinite(out.left) || !std::isfinite(out.right))
        std::abort();
}

} // namespace

namespace sorvell::fuzz
{

int runEngine(const std::uint8_t* bytes, std::size_t size)
{
    FuzzInput data(bytes, size);
    static const float rates[] = {8000.0f, 22050.0f, 44100.0f, 48000.0f, 96000.0f, 384000.0f};
    const float rate = rates[data.integer(0, 5)];
    auto engine = std::make_unique<Vantor>(rate, data.word());

    while (!data.empty())
    {
        if (data.flag())
        {
            setParameter(*engine, data);
            continue;
        }
        const int run = data.integer(1, 700);
        const float left = data.sample();
        const float right = data.flag() ? left : data.sample();
        if (data.flag())
        {
            for (int i = 0; i < run; ++i)
                expectFinite(engine->process(StereoFrame{left, right}));
            continue;
        }
        static float outLeft[700], outRight[700];
        std::fill_n(outLeft, run, left);
        std::fill_n(outRight, run, right);
        engine->process(outLeft, outRight, outLeft, outRight, static_cast<std::size_t>(run));
        for (int i = 0; i < run; ++i)
            expectFinite(StereoFrame{outLeft[i], outRight[i]});
    }
    return 0;
}

} // namespace sorvell::fuzz

SORVELL_FUZZ_ENTRY(sorvell::fuzz::runEngine)
