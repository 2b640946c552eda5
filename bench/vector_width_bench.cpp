// The engine on each vector width this processor has, measured in one run.
//   BM_EngineVectorWidths/<setting>/<block> (setting 0 defaults, 1 heaviest, 2 heaviest at
//     40 Hz; block 0: one process() call per frame, 64: one block call per 64 frames): one
//     engine per width, each built with the width limited to it, fed the same second of audio
//     in turn, a second each per iteration; realtime_x_<lanes> is audio seconds per CPU second
//     of this thread for the engine on 4, 8 or 16 lanes (the last two only where the processor
//     has 256-bit or 512-bit vectors).
// SORVELL_VECTOR_WIDTH=4, 8 or 16 in the environment limits every other benchmark of this
// program (and profiles of it) to that many lanes.
#include "BenchEngine.h"

#include "quendra/dsp/simd/WideVectors.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

using namespace quendra::dravel::vantor;
using namespace sorvell::bench;

namespace
{
constexpr float kRate = 48000.0f;

VectorWidth widthFromEnvironment()
{
    const char* lanes = std::getenv("SORVELL_VECTOR_WIDTH");
    const std::string value = lanes != nullptr ? lanes : "";
    return value == "4"   ? VectorWidth::FourLanes
           : value == "8" ? VectorWidth::Bits256
                          : VectorWidth::Bits512;
}

// Applied before any benchmark builds an engine.
const VectorWidth kLimit = []
{
    limitVectorWidth(widthFromEnvironment());
    return widthFromEnvironment();
}();

void BM_EngineVectorWidths(benchmark::State& state)
{
    constexpr VectorWidth kWidths[] = {VectorWidth::FourLanes, VectorWidth::Bits256,
                                       VectorWidth::Bits512};
    constexpr const char* kNames[] = {"realtime_x_4", "realtime_x_8", "realtime_x_16"};
    struct Engine
    {
        std::unique_ptr<Vantor> engine;
        const char* name;
        double ns = 0.0;
    };
    std::vector<Engine> engines;
    for (int w = 0; w < 3; ++w)
    {
        if (kWidths[w] > std::min(processorVectorWidth(), kLimit))
            continue;
        limitVectorWidth(kWidths[w]);
        auto e = engineAtDefaults(kRate, 99u);
        if (state.range(0) != 0)
            setHeaviest(*e);
        if (state.range(0) == 2)
            e->setFrequency(40.0f);
        engines.push_back({std::move(e), kNames[w]});
    }
    limitVectorWidth(kLimit);

    const auto input = stereoNoise(static_cast<std::size_t>(kRate), 1u); // 1 s
    std::vector<float> left(input.size()), right(input.size());
    for (std::size_t n = 0; n < input.size(); ++n)
        left[n] = input[n].left, right[n] = input[n].right;
    const auto block = static_cast<std::size_t>(state.range(1));
    std::vector<float> outLeft(block), outRight(block);
    const auto second = [&](Vantor& engine)
    {
        if (block == 0)
            for (const auto& f : input)
                benchmark::DoNotOptimize(engine.process(f));
        else
            for (std::size_t at = 0; at + block <= left.size(); at += block)
            {
                engine.process(left.data() + at, right.data() + at, outLeft.data(), outRight.data(),
                               block);
                benchmark::DoNotOptimize(outLeft.data());
            }
    };
    for (Engine& e : engines) // ring up
        second(*e.engine);
    for (auto _ : state)
        for (Engine& e : engines)
        {
            const double start = threadCpuNs();
            second(*e.engine);
            e.ns += threadCpuNs() - start;
        }
    for (const Engine& e : engines)
        state.counters[e.name] = static_cast<double>(state.iterations()) * 1e9 / e.ns;
}
} // namespace

BENCHMARK(BM_EngineVectorWidths)->ArgsProduct({{0, 1, 2}, {0, 64}})->Unit(benchmark::kMillisecond);
