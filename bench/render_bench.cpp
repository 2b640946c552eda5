// Cost of the renderer's host path against the bare engine, both at the heaviest settings
// (8 unison voices, 256 harmonics, Granular modulation, pitch modulation 4 semitones, decay
// 5 s), on one second of stereo noise at 48 kHz per iteration: Vantor's block call made
// directly, 64 frames at a time, and the module loaded in the headless host, in 64-sample
// perform blocks of 64-bit audio, as the renderer runs it. The two run a tenth of a second each
// in turn, so that the machine's load weighs on both alike.
//   host_over_engine   the host path's CPU time over the engine's (1.05 = 5% more): what the
//                      perform routine, the ramps and the double/float conversions add
//   engine_realtime_x, host_realtime_x   seconds of audio per CPU second of each
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

void HostOverEngine(benchmark::State& state)
{
    // The same seed and calls as the object's engine: the same work (the outputs are compared
    // below).
    auto engine =
        engineAsTheObjectPrimesIt(static_cast<float>(kSampleRate), 1u, kHeaviestAttributes);
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
    // Seconds of audio per CPU second, each path on its own.
    const double audioSeconds = static_cast<double>(state.iterations()) *
                                static_cast<double>(left.size() / kSlice * kSlice) / kSampleRate;
    state.counters["engine_realtime_x"] = audioSeconds / (alternation.firstNs * 1e-9);
    state.counters["host_realtime_x"] = audioSeconds / (alternation.secondNs * 1e-9);
    runtime.freeObject(instance);
}
BENCHMARK(HostOverEngine)->Unit(benchmark::kMillisecond);

} // namespace
