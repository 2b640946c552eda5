// Pieces the benchmark programs share: the noise they feed the engine, and an engine set up
// the way the host object sets up a fresh one.
#pragma once

#include "quendra/dsp/Vantor.h"

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <memory>
#include <random>
#include <vector>

namespace sorvell::bench
{

using quendra::dravel::vantor::StereoFrame;
using quendra::dravel::vantor::Vantor;

// Uniform stereo noise in [-0.5, 0.5), the same frames for the same seed.
inline std::vector<StereoFrame> stereoNoise(std::size_t frames, std::uint32_t seed)
{
    std::mt19937 generator(seed);
    std::uniform_real_distribution<float> uniform(-0.5f, 0.5f);
    std::vector<StereoFrame> noise(frames);
    for (StereoFrame& frame : noise)
        frame = {uniform(generator), uniform(generator)};
    return noise;
}

// The attributes that the benchmarks vary, at their defaults.
struct Attributes
{
    float decay = 0.222f;
    float pitchMod = 0.0f;
    float frequency = 440.0f;
    int voices = 1;
    int harmonics = 256;
    int modType = 0;
};
// voices 8, harmonics 256, Granular, pitch_mod 4, decay 5 s.
inline constexpr Attributes kHeaviestAttributes{
    .decay = 5.0f, .pitchMod = 4.0f, .voices = 8, .modType = 3};

// What the host object sends after building an engine: the prepare callback, then every
// attribute, the smoothed ones first and the queued ones after them, in the object's order.
// The same seed then gives the same work, bit for bit, as the object inside our host.
inline std::unique_ptr<Vantor> engineAsTheObjectPrimesIt(float sampleRate, std::uint32_t seed,
                                                         const Attributes& a = {})
{
    auto e = std::make_unique<Vantor>(sampleRate, seed);
    e->setFrequencySource(0);
    e->setPolyphony(0);
    e->setMix(1.0f);
    e->setInputGain(1.0f);
    e->setStretch(0.0f);
    e->setShift(0.0f);
    e->setDecay(a.decay);
    e->setHfDamp(0.0f);
    e->setLfDamp(0.0f);
    e->setUnisonAmount(0.0f);
    e->setFrequency(a.frequency);
    e->setModRate(0.1f);
    e->setPitchMod(a.pitchMod);
    e->setUnisonVoices(a.voices);
    e->setHarmonics(a.harmonics);
    e->setModType(a.modType);
    return e;
}

inline std::unique_ptr<Vantor> engineAtDefaults(float sampleRate, std::uint32_t seed)
{
    return engineAsTheObjectPrimesIt(sampleRate, seed);
}

// The heaviest settings: voices 8, harmonics 256, Granular, pitch_mod 4, decay 5 s.
inline void setHeaviest(Vantor& engine)
{
    engine.setUnisonVoices(8);
    engine.setHarmonics(256);
    engine.setModType(3);
    engine.setPitchMod(4.0f);
    engine.setDecay(5.0f);
}

// CPU time of this thread, so that a measurement is not charged for time the scheduler gave to
// other processes.
inline double threadCpuNs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e9 + static_cast<double>(t.tv_nsec);
}

// Two ways of doing the same work measured in alternation, a slice each in turn, so that
// whatever else the machine does weighs on both alike: the CPU time of each, summed.
struct Alternation
{
    double firstNs = 0.0;
    double secondNs = 0.0;

    template <typename First, typename Second>
    void slice(First&& first, Second&& second)
    {
        double start = threadCpuNs();
        first();
        firstNs += threadCpuNs() - start;
        start = threadCpuNs();
        second();
        secondNs += threadCpuNs() - start;
    }
    double ratio() const { return secondNs / firstNs; }
};

} // namespace sorvell::bench
