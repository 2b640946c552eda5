// The channel partial bank: preparation, layout and frequency rule, retention, the tick
// schedule, frame start and its change flags, and the parameter setters.
#include "quendra/dsp/ChannelPartialBank.h"
#include "quendra/dsp/FastExp2.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <memory>
#include <random>
#include <vector>

using namespace quendra::dravel::vantor;

namespace
{
constexpr float kSampleRate = 44100.0f;

// A bank as the engine holds it, with its two spectra, after the host's prepare callback.
struct Channel
{
    std::vector<Complex> input = std::vector<Complex>(kNumBins, Complex{0.0f, 0.0f});
    std::vector<Complex> output = std::vector<Complex>(kNumBins, Complex{0.0f, 0.0f});
    std::unique_ptr<ChannelPartialBank> bank = std::make_unique<ChannelPartialBank>();

    explicit Channel(int side, std::uint32_t deviceSeed = 1, float sampleRate = kSampleRate)
    {
        RandomDevice device(deviceSeed);
        bank->prepare(sampleRate, input.data(), output.data(), side, device);
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

    void hop()
    {
        for (std::size_t n = 0; n < kHopSize; ++n)
            bank->tick();
        bank->frameStart();
    }

    const PartialGroup& group(std::size_t g) const { return bank->group(g); }
    float omega(std::size_t partial) const { return group(partial / 4).mOmega[partial % 4]; }
    bool allFlagsClear() const
    {
        const auto f = bank->changeFlags();
        return !f.frequency && !f.layout && !f.enable && !f.tuning;
    }
};

std::array<float, 4> lanes(vec4 v)
{
    return {v[0], v[1], v[2], v[3]};
}
} // namespace

TEST(ChannelPartialBank, PreparedBankIsLaidOutForOneVoice)
{
    Channel c(0);
    EXPECT_EQ(c.bank->activeGroupCount(), 64u);
    EXPECT_EQ(c.bank->chunk(), 1u);
    EXPECT_EQ(c.bank->endIndex(), 64u);
    EXPECT_EQ(c.bank->cursorIndex(), 0u);
    EXPECT_TRUE(c.allFlagsClear());
    const float omega0 = 2.0f * 110.0f * 3.1415927f / c.bank->hopRate();
    for (std::size_t g = 0; g < 64; ++g)
        for (int l = 0; l < 4; ++l)
        {
            const float h = static_cast<float>(4 * g + static_cast<std::size_t>(l));
            ASSERT_EQ(c.group(g).mHarmonic[l], h);
            ASSERT_EQ(c.group(g).mUnison[l], 0.0f);
            ASSERT_EQ(c.group(g).mOmega[l], (1.0f + h) * omega0);
            ASSERT_EQ(c.group(g).mRetention[l], 0.0f);
        }
}

TEST(ChannelPartialBank, UnisonCopiesAreNeighboursDetunedOppositeWays)
{
    const float spread = 1.0f - fastExp2(1.0f / 12.0f);
    for (int side : {0, 1})
    {
        Channel c(side);
        c.bank->setUnisonVoices(3);
        c.bank->setUnisonSpread(spread);
        c.bank->frameStart();
        EXPECT_EQ(c.bank->activeGroupCount(), 192u);
        // h0u0, h0u1, h0u2, h1u0, ...
        EXPECT_EQ(lanes(c.group(0).mHarmonic), (std::array<float, 4>{0, 0, 0, 1}));
        EXPECT_EQ(lanes(c.group(0).mUnison), (std::array<float, 4>{0, 1, 2, 0}));
        EXPECT_EQ(lanes(c.group(191).mHarmonic), (std::array<float, 4>{254, 255, 255, 255}));

        c.bank->setUnisonVoices(2);
        c.bank->frameStart();
        const float up = fastExp2(1.0f / 12.0f);
        for (std::size_t h = 0; h < 256; h += 17)
        {
            const float ratio = c.omega(2 * h + 1) / c.omega(2 * h);
            EXPECT_NEAR(ratio, side == 0 ? up : 2.0f - up, 2e-6f) << h;
        }
        EXPECT_NEAR(side == 0 ? up : 2.0f - up, side == 0 ? 1.0594631f : 0.9405369f, 2e-5f);
    }
}

TEST(ChannelPartialBank, StretchMinusOnePutsEveryHarmonicOnTheFundamental)
{
    Channel c(0);
    c.bank->setStretch(-1.0f);
    c.bank->frameStart();
    for (std::size_t i = 0; i < 256; ++i)
        ASSERT_EQ(c.omega(i), c.omega(0)) << i;
    c.bank->setStretch(1.0f); // spacing doubles: ratio 1 + 2h
    c.bank->frameStart();
    EXPECT_FLOAT_EQ(c.omega(10) / c.omega(0), 21.0f);
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
        EXPECT_EQ(g.mOmega[0], g.mMinOmega[0]);
        const vec4 active = g.activeLanes();
        const float hz1 = g.mOmega[1] * c.bank->hopRate() / 6.2831855f;
        EXPECT_NEAR(hz1, side == 0 ? 21.19f : 18.81f, 0.01f);
        alignas(16) float mask[4];
        active.store(mask);
        EXPECT_TRUE(std::isnan(mask[0])); // all bits set
        EXPECT_EQ(std::isnan(mask[1]), side == 0);
    }
}

TEST(ChannelPartialBank, HarmonicLimitSilencesHigherHarmonicsFromTheNextTick)
{
    Channel c(1);
    c.newSpectrum(1);
    c.hop();
    c.bank->setHarmonics(16.0f);
    for (std::size_t g = 0; g < 64; ++g)
    {
        EXPECT_EQ(c.group(g).mExcite, g < 4) << g;
        EXPECT_EQ(any(c.group(g).activeLanes()), g < 4) << g;
    }
    // Groups outside the active range keep the limit they had.
    EXPECT_EQ(c.group(64).mHarmonicLimit[0], 256.0f);
    c.hop();
    for (std::size_t g = 0; g < 64; ++g)
    {
        EXPECT_EQ(c.group(g).mAudible, g < 4) << g;
        EXPECT_EQ(c.group(g).mExcitation[0] != 0.0f, g < 4) << g;
    }
}

TEST(ChannelPartialBank, DeferredSettersApplyOncePerHopWithTheLastValue)
{
    Channel c(0);
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
    c.bank->frameStart();
    EXPECT_TRUE(c.allFlagsClear());
    const float omega0 = 2.0f * 610.0f * 3.1415927f / c.bank->hopRate();
    EXPECT_EQ(c.group(0).mFundamental[0], omega0);
    const float stretch = 0.001f * 510.0f;
    EXPECT_EQ(c.omega(1), (1.0f + (1.0f + stretch) * 1.0f) * omega0);
}

TEST(ChannelPartialBank, ImmediateSettersActAtOnce)
{
    Channel c(0);
    c.bank->setDecay(1.0f);
    const float base = fastExp2(-6.9077554f / (c.bank->hopRate() * 1.0f) * 1.442695f);
    EXPECT_EQ(c.group(511).mRetention[3], base); // all 512 groups
    c.bank->setLfDamp(1.0f);
    EXPECT_FLOAT_EQ(c.group(0).mRetention[0], 0.8f * base);
    c.bank->setPitchMod(0.0f);
    EXPECT_EQ(c.group(0).mPitchDepth[0], 0.0f);
    c.bank->setPitchMod(4.0f);
    EXPECT_NEAR(c.group(511).mPitchDepth[2], 0.2599253f, 1e-7f);
    c.bank->setModRate(1.0f);
    EXPECT_EQ(c.group(100).mWander.minSteps[0], 1.0f);
}

TEST(ChannelPartialBank, FrequencyChangeRecomputesRetentionOnlyWhenDamped)
{
    Channel c(0);
    c.bank->setDecay(2.0f);
    c.bank->setHfDamp(0.3f);
    const vec4 retention = c.group(7).mRetention;
    c.bank->setFrequency(300.0f);
    c.bank->frameStart();
    EXPECT_EQ(lanes(c.group(7).mRetention), lanes(retention));
}

TEST(ChannelPartialBank, FrameStartClearsFlagsAndOutput)
{
    Channel c(0);
    c.newSpectrum(2);
    c.bank->setFrequency(220.0f);
    c.bank->setStretch(0.5f);
    for (int n = 0; n < 300; ++n)
        c.bank->tick();
    EXPECT_TRUE(c.bank->changeFlags().frequency);
    EXPECT_TRUE(c.bank->changeFlags().tuning);
    bool written = false;
    for (const auto& bin : c.output)
        written = written || bin.re != 0.0f;
    EXPECT_TRUE(written);
    c.bank->frameStart();
    EXPECT_TRUE(c.allFlagsClear());
    for (const auto& bin : c.output)
        ASSERT_TRUE(bin.re == 0.0f && bin.im == 0.0f);
    EXPECT_EQ(c.bank->cursorIndex(), 0u);
}

TEST(ChannelPartialBank, MoreVoicesTakeEffectAtTheNextFrameStart)
{
    Channel c(0);
    c.newSpectrum(3);
    for (int n = 0; n < 100; ++n)
        c.bank->tick();
    c.bank->setUnisonVoices(2);
    // The hop in progress still ticks the first 64 groups only.
    for (int n = 100; n < 512; ++n)
        c.bank->tick();
    EXPECT_EQ(c.bank->cursorIndex(), 64u);
    EXPECT_EQ(c.bank->endIndex(), 64u);
    c.bank->frameStart();
    EXPECT_EQ(c.bank->endIndex(), 128u);
    EXPECT_EQ(c.bank->chunk(), 1u);
    EXPECT_EQ(lanes(c.group(127).mHarmonic), (std::array<float, 4>{254, 254, 255, 255}));
    EXPECT_EQ(lanes(c.group(127).mUnison), (std::array<float, 4>{0, 1, 0, 1}));
    EXPECT_TRUE(c.group(80).mExcite);   // harmonics 160, 161
    EXPECT_FALSE(c.group(127).mExcite); // harmonics 254 and 255 of 110 Hz lie above 20 kHz
    for (int n = 0; n < 512; ++n)
        c.bank->tick();
    EXPECT_EQ(c.bank->cursorIndex(), 128u);
}

TEST(ChannelPartialBank, SelectingAModeTwiceGivesTheSameStartPhases)
{
    for (std::uint32_t mode : {1u, 2u, 3u})
    {
        Channel c(0, 1234);
        c.bank->setModType(mode);
        std::vector<std::array<float, 4>> first;
        for (std::size_t g = 0; g < 512; ++g)
            first.push_back(lanes(c.group(g).mPhase));
        c.newSpectrum(4);
        c.hop(); // phases move on
        c.bank->setModType(mode);
        for (std::size_t g = 0; g < 512; ++g)
            ASSERT_EQ(lanes(c.group(g).mPhase), first[g]) << mode << " " << g;
        EXPECT_EQ(c.bank->currentSeed(), c.bank->storedSeed());
    }
}

TEST(ChannelPartialBank, UnmodulatedSingleVoiceBanksShareTheirPhases)
{
    Channel left(0, 1);
    Channel right(1, 987654);
    ASSERT_NE(left.bank->storedSeed(), right.bank->storedSeed());
    for (std::size_t g = 0; g < 512; ++g)
        ASSERT_EQ(lanes(left.group(g).mPhase), lanes(right.group(g).mPhase)) << g;
    // Two voices then back to one restores the same phases again.
    left.bank->setUnisonVoices(2);
    left.bank->setUnisonVoices(1);
    right.bank->setModType(0);
    for (std::size_t g = 0; g < 512; ++g)
        ASSERT_EQ(lanes(left.group(g).mPhase), lanes(right.group(g).mPhase)) << g;
    // With modulation each bank follows its own stored seed.
    left.bank->setModType(1);
    right.bank->setModType(1);
    EXPECT_NE(lanes(left.group(0).mPhase), lanes(right.group(0).mPhase));
}

TEST(ChannelPartialBank, ChorusBanksStartAQuarterCycleApart)
{
    Channel left(0);
    Channel right(1);
    left.bank->setModType(1);
    right.bank->setModType(1);
    EXPECT_EQ(left.group(5).mChorus.phase[2], 0.25f);
    EXPECT_EQ(right.group(5).mChorus.phase[2], 0.0f);
}

TEST(ChannelPartialBank, ResetSilencesAndRecomputes)
{
    Channel c(0);
    c.bank->setDecay(5.0f);
    c.newSpectrum(5);
    c.hop();
    c.hop();
    EXPECT_GT(c.group(3).mLevel[0], 0.0f);
    c.bank->setFrequency(333.0f);
    c.bank->reset();
    EXPECT_TRUE(c.allFlagsClear());
    for (std::size_t g = 0; g < 512; ++g)
        for (int l = 0; l < 4; ++l)
        {
            ASSERT_EQ(c.group(g).mLevel[l], 0.0f);
            ASSERT_GE(c.group(g).mPhase[l], -3.1415927f);
            ASSERT_LT(c.group(g).mPhase[l], 3.1415927f);
        }
    EXPECT_EQ(c.group(0).mFundamental[0], 2.0f * 333.0f * 3.1415927f / c.bank->hopRate());
    for (const auto& bin : c.output)
        ASSERT_TRUE(bin.re == 0.0f && bin.im == 0.0f);
}

TEST(ChannelPartialBank, SameDeviceSeedGivesTheSameBank)
{
    for (std::uint32_t mode : {0u, 1u, 2u, 3u})
    {
        Channel a(1, 42);
        Channel b(1, 42);
        for (Channel* c : {&a, &b})
        {
            c->bank->setModType(mode);
            c->bank->setUnisonVoices(3);
            c->bank->setDecay(1.0f);
            c->bank->setPitchMod(2.0f);
            c->bank->frameStart();
            for (unsigned h = 0; h < 4; ++h)
            {
                c->newSpectrum(h);
                c->hop();
            }
        }
        for (std::size_t g = 0; g < 512; ++g)
        {
            ASSERT_EQ(lanes(a.group(g).mPhase), lanes(b.group(g).mPhase));
            ASSERT_EQ(lanes(a.group(g).mLevel), lanes(b.group(g).mLevel));
        }
    }
}

TEST(ChannelPartialBank, PreparationDrawsInItsFixedOrder)
{
    // The device gives the stored seed, then the eight words of the construction state.
    std::mt19937 device(42);
    const auto storedSeed = static_cast<std::uint32_t>(device());
    std::array<std::uint32_t, 8> words;
    for (auto& w : words)
        w = static_cast<std::uint32_t>(device());
    Channel c(1, 42);
    EXPECT_EQ(c.bank->storedSeed(), storedSeed);

    // From that state: the template's phases and countdown, then per group its countdown
    // and its phases. The countdowns stay.
    PartialRandom construction;
    construction.setState(words);
    construction.draw();
    construction.draw();
    const vec4 longInterval = c.group(0).mGranular.longInterval;
    const vec4 shortInterval = c.group(0).mGranular.shortInterval;
    for (std::size_t g = 0; g < 512; ++g)
    {
        const vec4 u = uniform(construction.draw());
        const vec4 countdown = (vec4(1.0f) - u) * longInterval + u * shortInterval;
        ASSERT_EQ(lanes(c.group(g).mGranular.countdown), lanes(countdown)) << g;
        construction.draw();
    }

    // Then the fixed seed: one draw per group for the start phases, one per group for the
    // silencing reset, whose phases the groups keep.
    PartialRandom fixed;
    fixed.reseed(kFixedPartialSeed);
    for (std::size_t g = 0; g < 512; ++g)
        fixed.draw();
    for (std::size_t g = 0; g < 512; ++g)
    {
        const vec4 u = uniform(fixed.draw());
        const vec4 phase = vec4(-3.1415927f) + vec4(6.2831855f) * u;
        ASSERT_EQ(lanes(c.group(g).mPhase), lanes(phase)) << g;
    }
    for (int l = 0; l < 4; ++l)
    {
        EXPECT_EQ(c.bank->random().x()[l], fixed.x()[l]);
        EXPECT_EQ(c.bank->random().y()[l], fixed.y()[l]);
    }
}
