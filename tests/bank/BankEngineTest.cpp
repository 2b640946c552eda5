// The partial banks seen through the whole engine: resynthesis level, channel symmetry,
// reproducibility with a seed, independence of the seed when nothing is random, and no heap
// use while processing with the banks busy.
#include "AllocationCounter.h"

#include "quendra/dsp/Vantor.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <memory>
#include <random>
#include <vector>

using namespace quendra::dravel::vantor;

namespace
{
// An engine as the host object leaves it after its prepare callback.
std::unique_ptr<Vantor> makeEngine(float sampleRate, std::uint32_t seed)
{
    auto engine = std::make_unique<Vantor>(sampleRate, seed);
    engine->setFrequencySource(0);
    engine->setPolyphony(0);
    return engine;
}

// Busy settings: long ring, several voices, full modulation.
void setHeavy(Vantor& engine, int mode)
{
    engine.setModType(mode);
    engine.setUnisonVoices(4);
    engine.setUnisonAmount(0.3f);
    engine.setDecay(2.0f);
    engine.setHfDamp(0.7f);
    engine.setLfDamp(0.4f);
    engine.setPitchMod(3.0f);
    engine.setModRate(0.8f);
    engine.setStretch(0.1f);
    engine.setShift(-3.0f);
    engine.setFrequency(97.0f);
}

std::vector<StereoFrame> noise(std::size_t n, unsigned seed, bool sameInBoth)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> d(-0.5f, 0.5f);
    std::vector<StereoFrame> frames(n);
    for (auto& f : frames)
    {
        f.left = d(rng);
        f.right = sameInBoth ? f.left : d(rng);
    }
    return frames;
}

std::vector<StereoFrame> run(Vantor& engine, const std::vector<StereoFrame>& input)
{
    std::vector<StereoFrame> out;
    out.reserve(input.size());
    for (const auto& f : input)
        out.push_back(engine.process(f));
    return out;
}

bool bitEqual(StereoFrame a, StereoFrame b)
{
    return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

constexpr int kModes[] = {0, 1, 2, 3};
} // namespace

TEST(BankEngine, SineOnABinComesBackAtItsAmplitude)
{
    const float sampleRate = 44100.0f;
    for (int bin : {10, 37})
    {
        auto engine = makeEngine(sampleRate, 1);
        // The fundamental sits on the bin, so partial 0 listens exactly there.
        const double hz = bin * sampleRate / 1024.0;
        engine->setFrequency(static_cast<float>(hz));
        engine->setHarmonics(1);
        const float amplitude = 0.25f;
        double sumSquares = 0.0;
        const int total = 40 * 512;
        const int measured = 8 * 1024;
        for (int n = 0; n < total; ++n)
        {
            const auto x = static_cast<float>(
                amplitude * std::sin(2.0 * 3.141592653589793 * hz * n / sampleRate));
            const StereoFrame out = engine->process({x, x});
            if (n >= total - measured)
                sumSquares += static_cast<double>(out.left) * out.left;
        }
        const double peak = std::sqrt(2.0 * sumSquares / measured);
        EXPECT_NEAR(peak, amplitude, amplitude * 0.002) << bin;
    }
}

TEST(BankEngine, OneVoiceAndIdenticalInputsGiveIdenticalChannels)
{
    auto engine = makeEngine(48000.0f, 7);
    engine->setDecay(1.5f);
    engine->setHfDamp(0.6f);
    engine->setStretch(0.2f);
    engine->setShift(2.0f);
    engine->setUnisonAmount(0.5f); // no effect with one voice
    engine->setHarmonics(100);
    const auto out = run(*engine, noise(12 * 512, 3, true));
    bool sound = false;
    for (const auto& f : out)
    {
        ASSERT_TRUE(bitEqual(f, {f.right, f.left}));
        sound = sound || f.left != 0.0f;
    }
    EXPECT_TRUE(sound);
}

TEST(BankEngine, SameSeedSameOutputForEveryModeAndInvalidModesChangeNothing)
{
    const auto input = noise(10 * 512, 5, false);
    for (int mode : kModes)
    {
        auto a = makeEngine(48000.0f, 1234);
        auto b = makeEngine(48000.0f, 1234);
        setHeavy(*a, mode);
        setHeavy(*b, mode);
        b->setModType(4); // out of range: nothing changes
        b->setModType(-1);
        const auto outA = run(*a, input);
        const auto outB = run(*b, input);
        for (std::size_t n = 0; n < input.size(); ++n)
        {
            ASSERT_TRUE(bitEqual(outA[n], outB[n])) << mode << " " << n;
        }
    }
}

TEST(BankEngine, UnmodulatedSingleVoiceOutputIgnoresTheSeed)
{
    const auto input = noise(10 * 512, 9, false);
    auto a = makeEngine(44100.0f, 1);
    auto b = makeEngine(44100.0f, 0xDEADBEEF);
    for (Vantor* e : {a.get(), b.get()})
    {
        e->setDecay(0.8f);
        e->setModType(2); // modulate, then back to none: the fixed seed again
        e->setModType(0);
    }
    const auto outA = run(*a, input);
    const auto outB = run(*b, input);
    bool differsFromSilence = false;
    for (std::size_t n = 0; n < input.size(); ++n)
    {
        ASSERT_TRUE(bitEqual(outA[n], outB[n])) << n;
        differsFromSilence = differsFromSilence || outA[n].left != 0.0f;
    }
    EXPECT_TRUE(differsFromSilence);
}

TEST(BankEngine, ProcessingWithBusyBanksNeverAllocates)
{
    const auto input = noise(6 * 512, 13, false);
    for (int mode : kModes)
    {
        auto engine = makeEngine(48000.0f, 21);
        setHeavy(*engine, mode);
        engine->setUnisonVoices(8);
        sorvell::testing::AllocationCounter counter;
        for (std::size_t n = 0; n < input.size(); ++n)
        {
            // Setters arrive on the audio thread between samples, some every sample.
            engine->setFrequency(97.0f + static_cast<float>(n % 64));
            engine->setStretch(0.1f + 0.0001f * static_cast<float>(n % 100));
            if (n == 700)
            {
                engine->setModType((mode + 1) % 4);
                engine->setUnisonVoices(3);
                engine->setHarmonics(40);
                engine->setDecay(0.5f);
                engine->setModRate(0.2f);
                engine->setPitchMod(1.0f);
                engine->setInputGain(0.5f);
                engine->setMix(0.3f);
            }
            engine->process(input[n]);
        }
        engine->reset();
        EXPECT_EQ(counter.allocations(), 0u) << mode;
    }
}
