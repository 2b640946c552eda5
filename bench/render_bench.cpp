// Cost of the renderer's host path against the bare engine, both at the heaviest settings
// (8 unison voices, 256 harmonics, Granular modulation, pitch modulation 4 semitones, decay
// 5 s) on one second of stereo noise at 48 kHz per iteration. "realtime_factor" is seconds
// of audio per second of CPU; the ratio of the two is what running the module inside our
// host (perform routine, per-sample ramps, double/float conversions) adds to the engine.
//   EngineHeaviest: Vantor's block call made directly, 64 frames at a time.
//   HostPathHeaviest: the module loaded in the headless host, 64-sample perform blocks of
//     64-bit float audio, as the renderer runs it.
//   HostOverEngine: both the above on the same audio, a tenth of a second each in turn;
//     "host_over_engine" is the host path's CPU time over the engine's (1.05 = 5% more). Taken
//     in alternation, it holds still while the separate figures move with the machine's load.
#include "BenchEngine.h"
#include "BenchHost.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <random>
#include <vector>

namespace
{

using namespace sorvell::bench;

constexpr double kSampleRate = 48000.0;
constexpr long kBlock = 64;

std::vector<double> noise(unsigned seed)
{
    std::mt19937 generator(seed);
    std::uniform_real_distribution<double> uniform(-0.5, 0.5);
    std::vector<double> samples(static_cast<std::size_t>(kSampleRate));
    for (double& sample : samples)
    {
        sample = static_cast<float>(uniform(generator));
    }
    return samples;
}

void setRealtimeFactor(benchmark::State& state)
{
    state.counters["realtime_factor"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void EngineHeaviest(benchmark::State& state)
{
    const std::vector<double> left = noise(1);
    const std::vector<double> right = noise(2);
    auto engine = engineAtDefaults(static_cast<float>(kSampleRate), 1u);
    setHeaviest(*engine);
    const std::vector<float> inLeft(left.begin(), left.end());
    const std::vector<float> inRight(right.begin(), right.end());
    std::vector<float> outLeft(left.size());
    std::vector<float> outRight(left.size());
    for (auto _ : state)
    {
        for (std::size_t at = 0; at < left.size(); at += kBlock)
        {
            const std::size_t count = std::min<std::size_t>(kBlock, left.size() - at);
            engine->process(inLeft.data() + at, inRight.data() + at, outLeft.data() + at,
                            outRight.data() + at, count);
        }
        benchmark::DoNotOptimize(outLeft.data());
        benchmark::DoNotOptimize(outRight.data());
    }
    setRealtimeFactor(state);
}
BENCHMARK(EngineHeaviest)->Unit(benchmark::kMillisecond);

void HostPathHeaviest(benchmark::State& state)
{
    tessel::host::Runtime runtime;
    auto* instance = hostInstance(state, runtime, kSampleRate, kBlock,
                                  "quendra.device.sorvell~ @voices 8 @harmonics 256 "
                                  "@mod_type 3 @pitch_mod 4 @decay 5");
    if (instance == nullptr)
        return;
    const std::vector<double> left = noise(1);
    const std::vector<double> right = noise(2);
    std::vector<double> outLeft(kBlock);
    std::vector<double> outRight(kBlock);
    for (auto _ : state)
    {
        for (std::size_t at = 0; at + kBlock <= left.size(); at += kBlock)
        {
            const double* inputs[2] = {left.data() + at, right.data() + at};
            double* outputs[2] = {outLeft.data(), outRight.data()};
            runtime.process(instance, inputs, outputs, kBlock);
            benchmark::DoNotOptimize(outLeft.data());
        }
    }
    setRealtimeFactor(state);
    runtime.freeObject(instance);
}
BENCHMARK(HostPathHeaviest)->Unit(benchmark::kMillisecond);

// The engine as the object primes it at the heaviest settings: the same seed and the same
// setter calls in the same order, so that it does the host path's work exactly (the outputs are
// compared below).
std::unique_ptr<Vantor> engineAsTheObjectPrimesIt()
{
    auto e = std::make_unique<Vantor>(static_cast<float>(kSampleRate), 1u);
    e->setFrequencySource(0);
    e->setPolyphony(0);
    e->setMix(1.0f);
    e->setInputGain(1.0f);
    e->setStretch(0.0f);
    e->setShift(0.0f);
    e->setDecay(5.0f);
    e->setHfDamp(0.0f);
    e->setLfDamp(0.0f);
    e->setUnisonAmount(0.0f);
    e->setFrequency(440.0f);
    e->setModRate(0.1f);
    e->setPitchMod(4.0f);
    e->setUnisonVoices(8);
    e->setHarmonics(256);
    e->setModType(3);
    return e;
}

void HostOverEngine(benchmark::State& state)
{
    auto engine = engineAsTheObjectPrimesIt();
    tessel::host::Runtime runtime;
    auto* instance = hostInstance(state, runtime, kSampleRate, kBlock,
                                  "quendra.device.sorvell~ @voices 8 @harmonics 256 "
                                  "@mod_type 3 @pitch_mod 4 @decay 5");
    if (instance == nullptr)
        return;
    const std::vector<double> left = noise(1);
    const std::vector<double> right = noise(2);
    const std::vector<float> inLeft(left.begin(), left.end());
    const std::vector<float> inRight(right.begin(), right.end());
    std::vector<float> engineLeft(kBlock), engineRight(kBlock);
    std::vector<double> hostLeft(kBlock), hostRight(kBlock);
    constexpr std::size_t kSlice = 4800;
    Alternation alternation;
    for (auto _ : state)
    {
        for (std::size_t slice = 0; slice + kSlice <= left.size(); slice += kSlice)
        {
            alternation.slice(
                [&]
                {
                    for (std::size_t at = slice; at < slice + kSlice; at += kBlock)
                        engine->process(inLeft.data() + at, inRight.data() + at, engineLeft.data(),
                                        engineRight.data(), kBlock);
                    benchmark::DoNotOptimize(engineLeft.data());
                },
                [&]
                {
                    for (std::size_t at = slice; at < slice + kSlice; at += kBlock)
                    {
                        const double* inputs[2] = {left.data() + at, right.data() + at};
                        double* outputs[2] = {hostLeft.data(), hostRight.data()};
                        runtime.process(instance, inputs, outputs, kBlock);
                    }
                    benchmark::DoNotOptimize(hostLeft.data());
                });
        }
    }
    if (hostLeft.back() != static_cast<double>(engineLeft.back()))
        state.SkipWithError("the host path and the engine did different work");
    state.counters["host_over_engine"] = alternation.ratio();
    runtime.freeObject(instance);
}
BENCHMARK(HostOverEngine)->Unit(benchmark::kMillisecond);

} // namespace
