// The four-lane bank against a plain scalar formulation of one partial, kept apart from the
// four-lane code, on seeded random spectra over many random settings: every output bin, level
// and phase must agree bit for bit. Group-wide decisions (listen, any lane active, any lane
// audible) are made here over the four reference partials of a group.
#include "quendra/dsp/ChannelPartialBank.h"
#include "quendra/dsp/FastExp2.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <memory>
#include <random>
#include <vector>

using namespace quendra::dravel::vantor;

namespace
{
constexpr float kPi = 3.1415927f;
constexpr float kTwoPi = 6.2831855f;

float sinp(float x)
{
    const float x2 = x * x;
    return x * (0.99999833f + x2 * (-0.16664949f + x2 * (0.008304825f + x2 * -0.00018284567f)));
}

float exp2Unfused(float x) // the fastExp2 quartic with separate multiplies and adds
{
    const float t = std::clamp(x + 127.0f, 0.0f, 255.0f);
    const auto i = static_cast<std::uint32_t>(t);
    const float f = t - static_cast<float>(i);
    return (1.0f + f * (0.6930501f + f * (0.24128748f + f * (0.0521745f + f * 0.013487903f)))) *
           std::bit_cast<float>(i << 23);
}

float triangle(float z)
{
    return 1.0f - std::fabs(2.0f - std::fabs(4.0f * z - 3.0f));
}

struct Partial
{
    float harmonic, unison, limit, omega, modOmega, minOmega, maxOmega, retention, depth, phase;
    float level = 0.0f, re = 0.0f, im = 0.0f;
    bool chorus;
    float lfoPhase, lfoIncrement;

    bool belowLimit() const { return harmonic < limit; }
    bool inBand() const { return minOmega <= omega && omega <= maxOmega; }
    bool active() const { return belowLimit() && inBand(); }

    float excitation(const Complex* in, float shiftRatio) const
    {
        const float p = omega * 0.31830987f * shiftRatio;
        if (p < 0.0f || p > 511.0f)
            return 0.0f;
        const auto k = static_cast<int>(p);
        const float a = p - static_cast<float>(k);
        const float m0 =
            k == 0 ? std::hypot(in[0].re * 0.5f, in[0].im * 0.5f) : std::hypot(in[k].re, in[k].im);
        return std::hypot(in[k + 1].re, in[k + 1].im) * a + m0 * (1.0f - a);
    }

    void modulate(float& amplitude, float& pitch) // (amplitude factor, pitch factor) of a hop
    {
        amplitude = 1.0f;
        pitch = 0.0f;
        if (!chorus)
            return;
        pitch = triangle(lfoPhase);
        const float ahead = lfoPhase + 0.25f;
        amplitude = (triangle(ahead - std::floor(ahead)) * 0.5f + 0.5f) * 1.4125376f;
        const float next = lfoPhase + lfoIncrement;
        lfoPhase = next >= 1.0f ? next - 1.0f : next;
    }

    void follow(float e)
    {
        level = !active() ? 0.0f : e < level ? (1.0f - retention) * e + retention * level : e;
    }

    void oscillate(float amplitude)
    {
        re = amplitude * sinp(1.5707964f - std::fabs(phase));
        im = amplitude * sinp(1.5707964f - std::fabs(kPi - std::fabs(phase + 1.5707964f)));
        const float y = (phase + modOmega) / kTwoPi + 0.5f;
        phase = (y - std::floor(y) - 0.5f) * kTwoPi;
    }

    void synthesise(Complex* out, const KernelTable& kernel) const
    {
        const float x = modOmega * 1024.0f / (kTwoPi * 512.0f);
        if (!(x > -508.0f && x <= 516.0f)) // every tap above bin 512 or folded past it
            return;
        const float c = std::ceil(x);
        const float q = 4.0f * (c - x);
        const float f = q - std::floor(q);
        const auto tap = static_cast<std::size_t>(std::floor(q));
        for (int j = 0; j < 8; ++j)
        {
            const int k = static_cast<int>(c) - 4 + j;
            const auto j4 = static_cast<std::size_t>(4 * j);
            const float w = (1.0f - f) * kernel[tap + j4] + f * kernel[tap + j4 + 1];
            if (k >= 513)
                continue;
            if (k == 0)
                out[0].re += 2.0f * re * w;
            else
            {
                out[std::abs(k)].re += re * w;
                out[std::abs(k)].im += k > 0 ? im * w : -(im * w); // below bin 0: conjugate
            }
        }
    }
};

float pitchDepth(float semitones)
{
    const float z = semitones / 12.0f;
    float p = std::fma(z, 0.013487903f, 0.0521745f);
    p = std::fma(z, p, 0.24128748f);
    p = std::fma(z, p, 0.6930501f);
    return std::fma(z, p, 1.0f) - 1.0f;
}
} // namespace

TEST(ReferencePartial, GroupsMatchScalarReferenceOverRandomSettings)
{
    std::mt19937 rng(2024);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    for (int trial = 0; trial < 24; ++trial)
    {
        SCOPED_TRACE(trial);
        const float rates[] = {44100.0f, 48000.0f, 96000.0f};
        const float sampleRate = rates[rng() % 3];
        const int side = static_cast<int>(rng() % 2);
        const float hz0 = 20.0f * std::pow(100.0f, unit(rng));
        const float stretch = unit(rng) * 2.0f - 1.0f;
        const float spread = 1.0f - fastExp2(unit(rng) * 2.0f);
        const auto voices = 1 + rng() % 8;
        const auto harmonics = static_cast<float>(1 + rng() % 256);
        const float decay = 0.001f + unit(rng) * 3.0f;
        const float hfDamp = unit(rng) < 0.3f ? 0.0f : unit(rng);
        const float lfDamp = unit(rng) < 0.3f ? 0.0f : unit(rng);
        const float shiftRatio = fastExp2(-(unit(rng) * 48.0f - 24.0f) / 12.0f);
        const float pitchMod = unit(rng) * 4.0f;
        const float modRate = unit(rng);
        const bool chorus = rng() % 2 == 1;

        std::vector<Complex> input(kNumBins), output(kNumBins), expected(kNumBins);
        auto bank = std::make_unique<ChannelPartialBank>();
        RandomDevice device(static_cast<std::uint32_t>(trial));
        bank->prepare(sampleRate, input.data(), output.data(), side, device);
        bank->setFrequencySource(0);
        bank->setPolyphony(0);
        bank->setModType(chorus ? 1 : 0);
        bank->setModRate(modRate);
        bank->setPitchMod(pitchMod);
        bank->setUnisonVoices(static_cast<int>(voices));
        bank->setFrequency(hz0);
        bank->setStretch(stretch);
        bank->setUnisonSpread(spread);
        bank->setShiftRatio(shiftRatio);
        bank->frameStart();
        bank->setHarmonics(harmonics);
        bank->setDecay(decay);
        bank->setHfDamp(hfDamp);
        bank->setLfDamp(lfDamp);

        const std::size_t groups = bank->activeGroupCount();
        std::vector<Partial> partials(4 * groups);
        for (std::size_t i = 0; i < partials.size(); ++i)
        {
            Partial& p = partials[i];
            p.harmonic = static_cast<float>(i / voices);
            p.unison = static_cast<float>(i % voices);
            p.limit = harmonics;
            const float hopRate = bank->hopRate();
            p.omega = (1.0f + (1.0f + stretch) * p.harmonic) *
                      (1.0f + (side == 0 ? -1.0f : 1.0f) * spread * p.unison) *
                      (2.0f * hz0 * kPi / hopRate);
            p.modOmega = p.omega;
            p.minOmega = 125.66371f / hopRate;
            p.maxOmega = 125663.71f / hopRate;
            const float rho = p.omega * hopRate / kTwoPi / 30.0f * modRate;
            p.lfoIncrement = (rho > 0.0f ? std::min(rho, hopRate * 0.5f) : 0.01f) / hopRate;
            const float x = std::min(p.harmonic / 255.0f, 1.0f);
            const float k = 10.0f * (2.0f * hfDamp - 1.0f);
            const float tilt = hfDamp <= 0.5f ? 1.0f - 2.0f * hfDamp * x
                               : std::fabs(k) > 0.001f
                                   ? (exp2Unfused(1.442695f * (k * (1.0f - x))) - 1.0f) /
                                         (exp2Unfused(1.442695f * k) - 1.0f)
                                   : 1.0f - x;
            const float low = std::clamp(1.0f + 0.02f * p.harmonic - 0.2f * lfDamp, 0.0f, 1.0f);
            p.retention = std::clamp(tilt, 0.0f, 1.0f) * low *
                          fastExp2(-6.9077554f / (hopRate * decay) * 1.442695f);
            p.depth = pitchDepth(pitchMod);
            p.chorus = chorus;
            p.lfoPhase = side == 0 ? 0.25f : 0.0f;
            p.phase = bank->group(i / 4).phase()[static_cast<int>(i % 4)]; // random start phase
        }

        std::normal_distribution<float> noise(0.0f, 100.0f);
        for (int hop = 0; hop < 6; ++hop)
        {
            // Loud hops, then silence so that levels ring out.
            for (auto& bin : input)
                bin = hop < 3 ? Complex{noise(rng), noise(rng)} : Complex{0.0f, 0.0f};
            bank->frameStart(); // the new spectrum has arrived
            std::fill(expected.begin(), expected.end(), Complex{0.0f, 0.0f});
            for (std::size_t g = 0; g < groups; ++g)
            {
                Partial* lane = &partials[4 * g];
                bool someBelow = false, someInBand = false, someActive = false, audible = false;
                float amplitude[4], pitch[4];
                for (int l = 0; l < 4; ++l)
                {
                    someBelow = someBelow || lane[l].belowLimit();
                    someInBand = someInBand || lane[l].inBand();
                    someActive = someActive || lane[l].active();
                    lane[l].modulate(amplitude[l], pitch[l]);
                }
                for (int l = 0; l < 4 && someActive; ++l)
                {
                    lane[l].modOmega = lane[l].omega * (1.0f + pitch[l] * lane[l].depth);
                    const bool listens = someBelow && someInBand;
                    lane[l].follow(listens ? lane[l].excitation(input.data(), shiftRatio) : 0.0f);
                    audible = audible || lane[l].level >= 0.001f;
                }
                for (int l = 0; l < 4 && audible; ++l)
                    lane[l].oscillate(amplitude[l] * lane[l].level);
                for (int l = 0; l < 4 && audible; ++l)
                    lane[l].synthesise(expected.data(), bank->kernel());
            }
            for (std::size_t n = 0; n < kHopSize; ++n)
                bank->tick();

            for (std::size_t i = 0; i < partials.size(); ++i)
            {
                const PartialGroup& g = bank->group(i / 4);
                const int l = static_cast<int>(i % 4);
                ASSERT_EQ(g.omega()[l], partials[i].omega) << i;
                ASSERT_EQ(g.retention()[l], partials[i].retention) << i;
                ASSERT_EQ(g.level()[l], partials[i].level) << "hop " << hop << " partial " << i;
                ASSERT_EQ(g.phase()[l], partials[i].phase) << "hop " << hop << " partial " << i;
            }
            for (std::size_t k = 0; k < kNumBins; ++k)
            {
                ASSERT_EQ(output[k].re, expected[k].re) << "hop " << hop << " bin " << k;
                ASSERT_EQ(output[k].im, expected[k].im) << "hop " << hop << " bin " << k;
            }
        }
    }
}
