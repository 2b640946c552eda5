// The four modulators: None, Chorus (triangle LFO), Wander (random ramps) and Granular
// (random decaying grains), on their own and as installed in a group.
#include "quendra/dsp/ChorusState.h"
#include "quendra/dsp/GranularState.h"
#include "quendra/dsp/PartialGroup.h"
#include "quendra/dsp/WanderState.h"

#include <gtest/gtest.h>

using namespace quendra::dravel::vantor;

namespace
{
constexpr float kHopRate44k = 44100.0f * 0.001953125f;
}

TEST(Modulator, NoneAndChorusFirstHopInBothBanks)
{
    PartialRandom random;
    random.reseed(1);
    for (std::uint8_t side : {0, 1})
    {
        PartialGroup group(side, kHopRate44k, &random);
        const ModOut none = group.mModulator();
        for (int l = 0; l < 4; ++l)
        {
            EXPECT_EQ(none.amplitude[l], 1.0f);
            EXPECT_EQ(none.pitch[l], 0.0f);
        }
        group.selectMode(ModMode::Chorus);
        const ModOut first = group.mModulator();
        for (int l = 0; l < 4; ++l)
        {
            EXPECT_EQ(first.pitch[l], side == 0 ? 1.0f : 0.0f);
            EXPECT_EQ(first.amplitude[l], side == 0 ? 0.7062688f : 1.4125376f);
        }
        group.selectMode(ModMode::None);
        EXPECT_EQ(group.mModulator().amplitude[0], 1.0f);
    }
}

TEST(Modulator, ChorusRateIsCappedAtHalfTheHopRate)
{
    ChorusState chorus(kHopRate44k);
    chorus.partialHz = vec4(3000.0f, 300.0f, 0.0f, 3000.0f);
    chorus.rate = vec4(1.0f, 1.0f, 1.0f, 0.0f);
    chorus.updateIncrement();
    EXPECT_EQ(chorus.increment[0], 0.5f);                      // 100 Hz capped at 43.07 Hz
    EXPECT_FLOAT_EQ(chorus.increment[1], 10.0f / kHopRate44k); // 300 / 30 Hz
    EXPECT_FLOAT_EQ(chorus.increment[2], 0.01f / kHopRate44k); // floor at 0.01 Hz
    EXPECT_FLOAT_EQ(chorus.increment[3], 0.01f / kHopRate44k);

    // The LFO walks a triangle: with increment 0.25 it visits 0, +1, 0, -1.
    chorus.increment = vec4(0.25f);
    chorus.phase = vec4(0.0f);
    const float pitch[] = {0.0f, 1.0f, 0.0f, -1.0f, 0.0f};
    for (float p : pitch)
        EXPECT_EQ(chorus.next().pitch[0], p);
}

TEST(Modulator, WanderAtRateOneRetargetsEveryHop)
{
    PartialRandom random;
    random.reseed(99);
    WanderState wander(kHopRate44k, &random);
    wander.setRate(1.0f);
    EXPECT_EQ(wander.minSteps[0], 1.0f);
    EXPECT_NEAR(wander.maxSteps[0], 1.72f, 0.005f);
    for (int hop = 0; hop < 50; ++hop)
    {
        PartialRandom before = random;
        const vec4 oldTarget = wander.target;
        const ModOut out = wander.next();
        // Two draws: the step count and the new target.
        before.draw();
        const vec4 newTarget = bipolar(before.draw());
        for (int l = 0; l < 4; ++l)
        {
            ASSERT_EQ(random.y()[l], before.y()[l]);
            ASSERT_EQ(wander.value[l], oldTarget[l]); // landed exactly on the old target
            ASSERT_EQ(wander.target[l], newTarget[l]);
            ASSERT_EQ(out.pitch[l], oldTarget[l]);
            ASSERT_FLOAT_EQ(out.amplitude[l], (oldTarget[(l + 1) % 4] * 0.5f + 0.5f) * 1.4125376f);
        }
    }
}

TEST(Modulator, WanderRampsLinearlyToItsTarget)
{
    PartialRandom random;
    random.reseed(3);
    WanderState wander(kHopRate44k, &random);
    wander.setRate(0.0f); // 10 to 20 s
    wander.next();        // first hop: every lane picks a target
    const vec4 target = wander.target;
    const vec4 slope = wander.slope;
    for (int l = 0; l < 4; ++l)
    {
        EXPECT_GT(std::abs(slope[l]), 0.0f);
        EXPECT_LE(std::abs(target[l] / slope[l]), 2.0f * 20.0f * kHopRate44k);
        EXPECT_GE(std::abs(target[l] / slope[l]), 10.0f * kHopRate44k - 1.0f);
    }
    const vec4 v0 = wander.value;
    wander.next();
    for (int l = 0; l < 4; ++l)
        EXPECT_EQ(wander.value[l], v0[l] + slope[l]);
}

TEST(Modulator, GranularDecaysByReleaseAndFires)
{
    PartialRandom random;
    random.reseed(5);
    GranularState granular(kHopRate44k, &random);
    EXPECT_FLOAT_EQ(granular.longInterval[0], 0.3996004f * kHopRate44k);
    EXPECT_FLOAT_EQ(granular.shortInterval[0], 0.03996004f * kHopRate44k);

    // No trigger: the envelope falls by the release factor per hop.
    granular.countdown = vec4(1000.0f);
    granular.envelope = vec4(2.0f);
    granular.release = vec4(0.9f);
    ModOut out = granular.next();
    EXPECT_FLOAT_EQ(out.amplitude[0], 1.8f);
    EXPECT_EQ(out.pitch[0], out.amplitude[0]);
    out = granular.next();
    EXPECT_FLOAT_EQ(out.amplitude[2], 1.62f);

    // Release 0: a grain lasts exactly one hop.
    granular.release = vec4(0.0f);
    granular.countdown = vec4(1.5f, 1000.0f, 1000.0f, 1000.0f);
    PartialRandom before = random;
    out = granular.next();
    EXPECT_EQ(out.amplitude[0], 2.0f);
    EXPECT_EQ(out.amplitude[1], 0.0f);
    const vec4 u = uniform(before.draw());
    EXPECT_EQ(granular.countdown[0],
              ((1.0f - u[0]) * granular.longInterval[0] + u[0] * granular.shortInterval[0]));
    EXPECT_EQ(granular.countdown[1], 999.0f);
    out = granular.next();
    EXPECT_EQ(out.amplitude[0], 0.0f);
}

TEST(Modulator, RateChangesRescaleRunningCountdowns)
{
    PartialRandom random;
    random.reseed(8);
    GranularState granular(kHopRate44k, &random);
    const float countdown = granular.countdown[0];
    const float oldShort = granular.shortInterval[0];
    granular.setRate(1.0f);
    EXPECT_FLOAT_EQ(granular.longInterval[0], kHopRate44k / 5.0f);
    EXPECT_FLOAT_EQ(granular.shortInterval[0], kHopRate44k / 50.0f);
    EXPECT_FLOAT_EQ(granular.countdown[0], countdown * granular.shortInterval[0] / oldShort);
    granular.setRate(0.0f);
    EXPECT_FLOAT_EQ(granular.shortInterval[0], kHopRate44k / 0.05f);
}
