// The four-lane bank against the scalar reference partial, on seeded random spectra and
// many random settings: every output bin, level and phase must agree bit for bit.
#include "ReferencePartial.h"

#include "quendra/dsp/ChannelPartialBank.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>
#include <vector>

using namespace quendra::dravel::vantor;

namespace
{
struct Settings
{
    float sampleRate;
    int side;
    float fundamental;
    float stretch;
    float spread;
    int voices;
    float harmonics;
    float decay;
    float hfDamp;
    float lfDamp;
    float shiftRatio;
    float pitchMod;
    float modRate;
    bool chorus;
};

Settings randomSettings(std::mt19937& rng)
{
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    const float rates[] = {44100.0f, 48000.0f, 96000.0f};
    Settings s;
    s.sampleRate = rates[rng() % 3];
    s.side = static_cast<int>(rng() % 2);
    s.fundamental = 20.0f * std::pow(100.0f, unit(rng));
    s.stretch = unit(rng) * 2.0f - 1.0f;
    s.spread = 1.0f - fastExp2(unit(rng) * 2.0f);
    s.voices = 1 + static_cast<int>(rng() % 8);
    s.harmonics = static_cast<float>(1 + rng() % 256);
    s.decay = 0.001f + unit(rng) * 3.0f;
    s.hfDamp = unit(rng) < 0.3f ? 0.0f : unit(rng);
    s.lfDamp = unit(rng) < 0.3f ? 0.0f : unit(rng);
    s.shiftRatio = fastExp2(-(unit(rng) * 48.0f - 24.0f) / 12.0f);
    s.pitchMod = unit(rng) * 4.0f;
    s.modRate = unit(rng);
    s.chorus = rng() % 2 == 1;
    return s;
}

float pitchDepth(float semitones)
{
    const float z = semitones / 12.0f;
    float p = std::fma(z, 0.013487903f, 0.0521745f);
    p = std::fma(z, p, 0.24128748f);
    p = std::fma(z, p, 0.6930501f);
    p = std::fma(z, p, 1.0f);
    return p - 1.0f;
}
} // namespace

TEST(ReferencePartial, GroupsMatchScalarReferenceOverRandomSettings)
{
    std::mt19937 rng(2024);
    for (int trial = 0; trial < 24; ++trial)
    {
        const Settings s = randomSettings(rng);
        SCOPED_TRACE(trial);

        std::vector<Complex> input(kNumBins), output(kNumBins), expected(kNumBins);
        auto bank = std::make_unique<ChannelPartialBank>();
        RandomDevice device(static_cast<std::uint32_t>(trial));
        bank->prepare(s.sampleRate, input.data(), output.data(), s.side, device);
        bank->setFrequencySource(0);
        bank->setPolyphony(0);
        bank->setModType(s.chorus ? 1 : 0);
        bank->setModRate(s.modRate);
        bank->setPitchMod(s.pitchMod);
        bank->setUnisonVoices(s.voices);
        bank->setFrequency(s.fundamental);
        bank->setStretch(s.stretch);
        bank->setUnisonSpread(s.spread);
        bank->setShiftRatio(s.shiftRatio);
        bank->frameStart();
        bank->setHarmonics(s.harmonics);
        bank->setDecay(s.decay);
        bank->setHfDamp(s.hfDamp);
        bank->setLfDamp(s.lfDamp);

        const std::size_t groups = bank->activeGroupCount();
        const auto voices = static_cast<std::size_t>(s.voices);
        const float hopRate = bank->hopRate();
        std::vector<reference::Partial> partials(4 * groups);
        for (std::size_t i = 0; i < partials.size(); ++i)
        {
            auto& p = partials[i];
            p.harmonic = static_cast<float>(i / voices);
            p.unison = static_cast<float>(i % voices);
            p.limit = s.harmonics;
            p.tune(hopRate, s.fundamental, s.stretch, s.spread, s.side, s.modRate);
            p.computeRetention(hopRate, s.decay, s.hfDamp, s.lfDamp);
            p.depth = pitchDepth(s.pitchMod);
            p.chorus = s.chorus;
            p.lfoPhase = s.side == 0 ? 0.25f : 0.0f;
            p.phase = bank->group(i / 4).mPhase[static_cast<int>(i % 4)];
        }

        std::normal_distribution<float> noise(0.0f, 100.0f);
        const KernelTable& kernel = bank->kernel();
        for (int hop = 0; hop < 6; ++hop)
        {
            // Loud hops, then silence so that levels ring out.
            for (auto& bin : input)
                bin = hop < 3 ? Complex{noise(rng), noise(rng)} : Complex{0.0f, 0.0f};
            bank->frameStart(); // the new spectrum has arrived
            std::fill(expected.begin(), expected.end(), Complex{0.0f, 0.0f});

            for (std::size_t g = 0; g < groups; ++g)
            {
                reference::Partial* lane = &partials[4 * g];
                bool listens = false, someBelow = false, someInBand = false, someActive = false;
                for (int l = 0; l < 4; ++l)
                {
                    someBelow = someBelow || lane[l].belowLimit();
                    someInBand = someInBand || lane[l].inBand();
                    someActive = someActive || lane[l].active();
                }
                listens = someBelow && someInBand;
                float amplitude[4], pitch[4];
                for (int l = 0; l < 4; ++l)
                    lane[l].modulate(amplitude[l], pitch[l]);
                if (!someActive)
                    continue;
                bool audible = false;
                for (int l = 0; l < 4; ++l)
                {
                    lane[l].modOmega = lane[l].omega * (1.0f + pitch[l] * lane[l].depth);
                    lane[l].follow(listens ? lane[l].excitation(input.data(), s.shiftRatio) : 0.0f);
                    audible = audible || lane[l].level >= 0.001f;
                }
                if (!audible)
                    continue;
                for (int l = 0; l < 4; ++l)
                    lane[l].oscillate(amplitude[l] * lane[l].level);
                for (int l = 0; l < 4; ++l)
                    lane[l].synthesise(expected.data(), kernel);
            }

            for (std::size_t n = 0; n < kHopSize; ++n)
                bank->tick();

            for (std::size_t i = 0; i < partials.size(); ++i)
            {
                const PartialGroup& g = bank->group(i / 4);
                const int l = static_cast<int>(i % 4);
                ASSERT_EQ(g.mOmega[l], partials[i].omega) << i;
                ASSERT_EQ(g.mRetention[l], partials[i].retention) << i;
                ASSERT_EQ(g.mLevel[l], partials[i].level) << "hop " << hop << " partial " << i;
                ASSERT_EQ(g.mPhase[l], partials[i].phase) << "hop " << hop << " partial " << i;
            }
            for (std::size_t k = 0; k < kNumBins; ++k)
            {
                ASSERT_EQ(output[k].re, expected[k].re) << "hop " << hop << " bin " << k;
                ASSERT_EQ(output[k].im, expected[k].im) << "hop " << hop << " bin " << k;
            }
        }
    }
}
