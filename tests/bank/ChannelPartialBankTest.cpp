// The channel partial bank: layout and frequency rule, the tick schedule, frame start and its
// change flags, the setters, start phases and the order of the preparation's random draws.
#include "quendra/dsp/ChannelPartialBank.h"
#include "quendra/dsp/FastExp2.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <random>
#include <vector>

using namespace quendra::dravel::vantor;

namespace
{
using Lanes = std::array<float, 4>;

Lanes lanes(vec4 v)
{
    return {v[0], v[1], v[2], v[3]};
}

// A bank as the engine holds it, with its two spectra, after the host's prepare callback.
struct Channel
{
    std::vector<Complex> input = std::vector<Complex>(kNumBins, Complex{0.0f, 0.0f});
    std::vector<Complex> output = std::vector<Complex>(kNumBins, Complex{0.0f, 0.0f});
    std::unique_ptr<ChannelPartialBank> bank = std::make_unique<ChannelPartialBank>();

    explicit Channel(int side, std::uint32_t deviceSeed = 1)
    {
        RandomDevice device(deviceSeed);
        bank->prepare(44100.0f, input.data(), output.data(), side, device);
        bank->setFrequencySource(0);
        bank->setPolyphony(0);
        bank->frameStart();
    }

    // A new input spectrum, as the engine delivers it: right before a frame start.
    void newSpectrum(unsigned seed)
    {
        std::mt19937 rng(seed);
        std::normal_distribution<float> d(0.0f, 50.0f);
        for (auto& bin : input)
            bin = {d(rng), d(rng)};
        bank->frameStart();
    }

    void ticks(int n)
    {
        for (int i = 0; i < n; ++i)
            bank->tick();
    }

    const PartialGroup& group(std::size_t g) const { return bank->group(g); }
    float omega(std::size_t partial) const { return group(partial / 4).omega()[partial % 4]; }
    bool flagsClear() const
    {
        const auto f = bank->changeFlags();
        return !f.frequency && !f.layout && !f.enable && !f.tuning;
    }
};
} // namespace

TEST(ChannelPartialBank, OneVoiceLayoutAndStretchMinusOne)
{
    Channel c(0);
    EXPECT_EQ(c.bank->activeGroupCount(), 64u);
    EXPECT_EQ(c.bank->chunk(), 1u);
    EXPECT_TRUE(c.flagsClear());
    EXPECT_EQ(c.omega(0), 2.0f * 110.0f * 3.1415927f / c.bank->hopRate());
    for (std::size_t i = 0; i < 256; ++i)
        ASSERT_EQ(c.omega(i), (1.0f + static_cast<float>(i)) * c.omega(0)); // harmonic h at h + 1
    c.bank->setStretch(-1.0f); // every harmonic on the fundamental
    c.bank->frameStart();
    for (std::size_t i = 0; i < 256; ++i)
        ASSERT_EQ(c.omega(i), c.omega(0)) << i;
}

TEST(ChannelPartialBank, UnisonCopiesAreNeighboursDetunedOppositeWaysInTheTwoBanks)
{
    for (int side : {0, 1})
    {
        Channel c(side);
        c.bank->setUnisonVoices(3);
        c.bank->setUnisonSpread(1.0f - fastExp2(1.0f / 12.0f)); // one semitone
        c.bank->frameStart();
        EXPECT_EQ(c.bank->activeGroupCount(), 192u);
        EXPECT_EQ(lanes(c.group(0).harmonic()), (Lanes{0, 0, 0, 1})); // h0u0, h0u1, h0u2, h1u0
        EXPECT_EQ(lanes(c.group(0).mUnison), (Lanes{0, 1, 2, 0}));
        EXPECT_EQ(lanes(c.group(191).harmonic()), (Lanes{254, 255, 255, 255}));
        c.bank->setUnisonVoices(2);
        c.bank->frameStart();
        for (std::size_t h = 0; h < 256; h += 17)
            EXPECT_NEAR(c.omega(2 * h + 1) / c.omega(2 * h), side == 0 ? 1.0594631f : 0.9405369f,
                        2e-5f)
                << h;
    }
}

TEST(ChannelPartialBank, EveryVoiceCountLaysPartialIOutAsVoiceIModUOfHarmonicIOverU)
{
    Channel c(0);
    for (int voices : {8, 3, 5, 1, 7, 2, 6, 4})
    {
        c.bank->setUnisonVoices(voices);
        c.bank->frameStart();
        const auto u = static_cast<std::size_t>(voices);
        ASSERT_EQ(c.bank->activeGroupCount(), 64u * u);
        for (std::size_t i = 0; i < 256 * u; ++i)
        {
            const PartialGroup& g = c.group(i / 4);
            ASSERT_EQ(g.mUnison[i % 4], static_cast<float>(i % u)) << voices << " " << i;
            ASSERT_EQ(g.harmonic()[i % 4], static_cast<float>(i / u)) << voices << " " << i;
        }
    }
}

TEST(ChannelPartialBank, TwentyHertzBoundIsInclusive)
{
    for (int side : {0, 1})
    {
        Channel c(side);
        c.bank->setFrequency(20.0f);
        c.bank->setUnisonVoices(2);
        c.bank->setUnisonSpread(1.0f - fastExp2(1.0f / 12.0f));
        c.bank->frameStart();
        const PartialGroup& g = c.group(0);
        EXPECT_EQ(g.omega()[0], g.minOmega()[0]);
        EXPECT_NEAR(g.omega()[1] * c.bank->hopRate() / 6.2831855f, side == 0 ? 21.19f : 18.81f,
                    0.01f);
        alignas(16) float mask[4];
        g.activeLanes().store(mask);
        EXPECT_TRUE(std::isnan(mask[0])); // all bits set: active
        EXPECT_EQ(std::isnan(mask[1]), side == 0);
    }
}

TEST(ChannelPartialBank, HarmonicLimitSilencesHigherHarmonicsFromTheNextTick)
{
    Channel c(1);
    c.newSpectrum(1);
    c.ticks(512);
    c.bank->frameStart();
    c.bank->setHarmonics(16.0f);
    for (std::size_t g = 0; g < 64; ++g)
        EXPECT_EQ(any(c.group(g).activeLanes()), g < 4) << g;
    c.ticks(512);
    for (std::size_t g = 0; g < 64; ++g)
    {
        EXPECT_EQ(c.group(g).audible(), g < 4) << g;
        EXPECT_EQ(c.group(g).excitation()[0] != 0.0f, g < 4) << g;
    }
}

TEST(ChannelPartialBank, DeferredSettersApplyAtFrameStartWithTheLastValue)
{
    Channel c(0);
    c.newSpectrum(2);
    const float before = c.omega(1);
    for (int n = 0; n < 511; ++n)
    {
        c.bank->setFrequency(100.0f + static_cast<float>(n));
        c.bank->setStretch(0.001f * static_cast<float>(n));
        c.bank->setUnisonSpread(-0.001f * static_cast<float>(n));
        c.bank->tick();
        ASSERT_EQ(c.omega(1), before);
        ASSERT_TRUE(c.bank->changeFlags().frequency && c.bank->changeFlags().tuning);
    }
    ASSERT_TRUE(
        std::any_of(c.output.begin(), c.output.end(), [](Complex b) { return b.re != 0.0f; }));
    c.bank->frameStart();
    EXPECT_TRUE(c.flagsClear());
    for (const auto& bin : c.output)
        ASSERT_TRUE(bin.re == 0.0f && bin.im == 0.0f);
    const float omega0 = 2.0f * 610.0f * 3.1415927f / c.bank->hopRate();
    EXPECT_EQ(c.omega(1), (1.0f + (1.0f + 0.001f * 510.0f) * 1.0f) * omega0);
}

// A new retention or pitch depth reaches each active group by its next update, within the hop.
TEST(ChannelPartialBank, SettersReachEveryGroupWithinTheHop)
{
    Channel c(0);
    c.bank->setDecay(1.0f);
    c.bank->setPitchMod(4.0f);
    c.ticks(512);
    EXPECT_NEAR(c.group(63).retention()[3], 0.9229f, 5e-5f); // the last active group
    EXPECT_NEAR(c.group(63).pitchDepth()[2], 0.2599253f, 1e-7f);
    c.bank->setPitchMod(0.0f);
    c.bank->frameStart();
    c.ticks(1);
    EXPECT_EQ(c.group(0).pitchDepth()[0], 0.0f);
}

TEST(ChannelPartialBank, MoreVoicesTakeEffectAtTheNextFrameStart)
{
    Channel c(0);
    c.newSpectrum(3);
    c.ticks(100);
    c.bank->setUnisonVoices(2);
    c.ticks(412); // the hop in progress still ticks the first 64 groups only
    EXPECT_EQ(c.bank->cursorIndex(), 64u);
    c.bank->frameStart();
    EXPECT_EQ(c.bank->endIndex(), 128u);
    EXPECT_EQ(lanes(c.group(127).mUnison), (Lanes{0, 1, 0, 1}));
    c.ticks(512);
    EXPECT_EQ(c.bank->cursorIndex(), 128u);
}

TEST(ChannelPartialBank, SelectingAModeTwiceGivesTheSameStartPhases)
{
    for (std::uint32_t mode : {1u, 2u, 3u})
    {
        Channel c(0, 1234);
        c.bank->setModType(mode);
        std::vector<Lanes> first;
        for (std::size_t g = 0; g < 512; ++g)
            first.push_back(lanes(c.group(g).phase()));
        c.newSpectrum(4);
        c.ticks(512); // phases move on
        c.bank->setModType(mode);
        for (std::size_t g = 0; g < 512; ++g)
            ASSERT_EQ(lanes(c.group(g).phase()), first[g]) << mode << " " << g;
    }
}

TEST(ChannelPartialBank, UnmodulatedSingleVoiceBanksShareTheirPhases)
{
    Channel left(0, 1);
    Channel right(1, 987654);
    left.bank->setUnisonVoices(2); // two voices then back to one: the same phases again
    left.bank->setUnisonVoices(1);
    right.bank->setModType(0);
    for (std::size_t g = 0; g < 512; ++g)
        ASSERT_EQ(lanes(left.group(g).phase()), lanes(right.group(g).phase())) << g;
    // With modulation each bank follows its own stored seed.
    left.bank->setModType(1);
    right.bank->setModType(1);
    EXPECT_NE(lanes(left.group(0).phase()), lanes(right.group(0).phase()));
}
