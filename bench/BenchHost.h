// An instance of the module in the headless host, for the benchmarks that run the host path.
#pragma once

#include <tessel/host/Runtime.h>

#include <benchmark/benchmark.h>

namespace sorvell::bench
{

// Loads the module and creates the object from `boxText` with its dsp chain built at
// `sampleRate` and `blockSize` (random seed 1). Null, with the benchmark marked as failed,
// when any step fails.
inline tessel::host::Instance* hostInstance(benchmark::State& state, tessel::host::Runtime& runtime,
                                            double sampleRate, long blockSize, const char* boxText)
{
    runtime.setSampleRate(sampleRate);
    runtime.setBlockSize(blockSize);
    runtime.setRandomSeed(1u);
    if (!runtime.loadModule(SORVELL_MODULE_FILE))
    {
        state.SkipWithError("cannot load the module");
        return nullptr;
    }
    tessel::host::Instance* instance = runtime.createObject(boxText);
    if (instance == nullptr || !runtime.buildDsp(instance))
    {
        runtime.freeObject(instance);
        state.SkipWithError("cannot create the object");
        return nullptr;
    }
    return instance;
}

} // namespace sorvell::bench
