// Cost of silence after a loud burst with a 20 s decay: partial levels, rings and the limiter
// fall towards the denormal range during the following minute, which must not slow the
// processing down. Each run plays a loud second of noise, then 62 s of silence, and times
// the first two seconds of silence and the last two (block by block, 64 frames). Counters:
// early_us and late_us (mean cost per block), late_over_early (their ratio; about 1 means no
// slow-down). Measured through the host's perform routine (which flushes denormals to zero)
// and through the bare engine (which relies on its own care).
#include "BenchHost.h"

#include <quendra/dsp/Vantor.h>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <vector>

namespace
{

using quendra::dravel::vantor::StereoFrame;
using quendra::dravel::vantor::Vantor;
using sorvell::bench::hostInstance;

constexpr double kRate = 48000.0;
constexpr long kBlock = 64;
constexpr long kBlocksPerSecond = static_cast<long>(kRate) / kBlock;
constexpr long kTimedBlocks = 2 * kBlocksPerSecond;
constexpr long kUntimedBlocks = 58 * kBlocksPerSecond;

// Loud stereo noise, full scale.
std::vector<double> loudNoise(std::uint32_t seed, long frames)
{
    std::vector<double> samples(static_cast<std::size_t>(frames));
    for (auto& sample : samples)
    {
        seed = seed * 1664525u + 1013904223u;
        sample = static_cast<double>(seed >> 8) / 8388608.0 - 1.0;
    }
    return samples;
}

// Seconds spent in `blocks` calls of `block`.
double timeBlocks(const std::function<void()>& block, long blocks)
{
    const auto start = std::chrono::steady_clock::now();
    for (long i = 0; i < blocks; ++i)
        block();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Burst, early timing, a minute of silence, late timing; sets the counters.
void measure(benchmark::State& state, const std::function<void(bool loud, long at)>& block)
{
    double early = 0.0;
    double late = 0.0;
    for (auto _ : state)
    {
        for (long i = 0; i < kBlocksPerSecond; ++i)
            block(true, i * kBlock);
        long at = 0;
        early += timeBlocks([&] { block(false, at++); }, kTimedBlocks);
        for (long i = 0; i < kUntimedBlocks; ++i)
            block(false, 0);
        late += timeBlocks([&] { block(false, at++); }, kTimedBlocks);
    }
    const auto runs = static_cast<double>(state.iterations()) * kTimedBlocks;
    state.counters["early_us"] = early / runs * 1e6;
    state.counters["late_us"] = late / runs * 1e6;
    state.counters["late_over_early"] = late / early;
}

void SilenceAfterBurstBareEngine(benchmark::State& state)
{
    Vantor engine(static_cast<float>(kRate), 1u);
    engine.setFrequencySource(0);
    engine.setPolyphony(0);
    engine.setDecay(20.0f);
    const auto left = loudNoise(1u, kBlocksPerSecond * kBlock);
    const auto right = loudNoise(2u, kBlocksPerSecond * kBlock);
    measure(state,
            [&](bool loud, long at)
            {
                for (long i = 0; i < kBlock; ++i)
                {
                    const auto n = static_cast<std::size_t>(at + i);
                    const StereoFrame in = loud ? StereoFrame{static_cast<float>(left[n]),
                                                              static_cast<float>(right[n])}
                                                : StereoFrame{0.0f, 0.0f};
                    benchmark::DoNotOptimize(engine.process(in));
                }
            });
}
BENCHMARK(SilenceAfterBurstBareEngine)->Unit(benchmark::kSecond)->Iterations(1);

void SilenceAfterBurstHostPerform(benchmark::State& state)
{
    tessel::host::Runtime runtime;
    auto* instance =
        hostInstance(state, runtime, kRate, kBlock, "quendra.device.sorvell~ @decay 20");
    if (instance == nullptr)
        return;
    const auto left = loudNoise(1u, kBlocksPerSecond * kBlock);
    const auto right = loudNoise(2u, kBlocksPerSecond * kBlock);
    const std::vector<double> silence(kBlock, 0.0);
    std::vector<double> outLeft(kBlock);
    std::vector<double> outRight(kBlock);
    measure(state,
            [&](bool loud, long at)
            {
                const double* inputs[2] = {loud ? left.data() + at : silence.data(),
                                           loud ? right.data() + at : silence.data()};
                double* outputs[2] = {outLeft.data(), outRight.data()};
                runtime.process(instance, inputs, outputs, kBlock);
                benchmark::DoNotOptimize(outLeft.data());
            });
    runtime.freeObject(instance);
}
BENCHMARK(SilenceAfterBurstHostPerform)->Unit(benchmark::kSecond)->Iterations(1);

} // namespace
