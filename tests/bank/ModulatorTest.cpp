// The four modulators: None, Chorus (triangle LFO), Wander (random ramps) and Granular
// (random decaying grains), on their own and as installed in a group.
#include "quendra/dsp/ChorusState.h"
#include "quendra/dsp/GranularState.h"
#include "quendra/dsp/PartialGroup.h"
#include "quendra/dsp/WanderState.h"

#include <gtest/gtest.h>

#include <array>

using namespace quendra::dravel::vantor;

namespace
{
constexpr float kHopRate44k = 44100.0f * 0.001953125f;

std::array<float, 4> lanesOf(vec4 v)
{
    return {v[0], v[1], v[2], v[3]};
}
} // namespace

TEST(Modulator, NoneAndChorusFirstHopInBothBanks)
{
    PartialRandom random;
    random.reseed(1);
    for (std::uint8_t side : {0, 1})
    {
        PartialGroup group(side, kHopRate44k, &random);
        const ModOut none = group.mModulator();
        group.selectMode(ModMode::Chorus);
        const ModOut chorus = group.mModulator();
        for (int l = 0; l < 4; ++l)
        {
            EXPECT_TRUE(none.amplitude[l] == 1.0f && none.pitch[l] == 0.0f);
            EXPECT_EQ(chorus.pitch[l], side == 0 ? 1.0f : 0.0f);
            EXPECT_EQ(chorus.amplitude[l], side == 0 ? 0.7062688f : 1.4125376f);
        }
    }
}

TEST(Modulator, ChorusRateIsCappedAtHalfTheHopRateAndWalksATriangle)
{
    ChorusState chorus(kHopRate44k);
    chorus.partialHz = vec4(3000.0f, 300.0f, 0.0f, 3000.0f);
    chorus.rate = vec4(1.0f, 1.0f, 1.0f, 0.0f);
    chorus.updateIncrement();
    EXPECT_EQ(chorus.increment[0], 0.5f);                      // 100 Hz capped at 43.07 Hz
    EXPECT_FLOAT_EQ(chorus.increment[1], 10.0f / kHopRate44k); // 300 / 30 Hz
    EXPECT_FLOAT_EQ(chorus.increment[2], 0.01f / kHopRate44k); // floor at 0.01 Hz
    EXPECT_FLOAT_EQ(chorus.increment[3], 0.01f / kHopRate44k);
    chorus.increment = vec4(0.25f);
    chorus.phase = vec4(0.0f);
    for (float p : {0.0f, 1.0f, 0.0f, -1.0f, 0.0f})
        EXPECT_EQ(chorus.next().pitch[0], p);
}

TEST(Modulator, WanderAtRateOneRetargetsEveryHop)
{
    PartialRandom random;
    random.reseed(99);
    WanderState wander(kHopRate44k, &random);
    wander.setRate(1.0f);
    for (int hop = 0; hop < 50; ++hop)
    {
        PartialRandom before = random;
        const vec4 oldTarget = wander.target;
        const ModOut out = wander.next();
        before.draw(); // two draws: the step count and the new target
        const vec4 newTarget = bipolar(before.draw());
        for (int l = 0; l < 4; ++l)
        {
            ASSERT_EQ(wander.value[l], oldTarget[l]); // landed exactly on the old target
            ASSERT_EQ(wander.target[l], newTarget[l]);
            ASSERT_EQ(out.pitch[l], oldTarget[l]);
            ASSERT_FLOAT_EQ(out.amplitude[l], (oldTarget[(l + 1) % 4] * 0.5f + 0.5f) * 1.4125376f);
        }
    }
}

TEST(Modulator, GranularDecaysByReleaseAndLastsOneHopWithReleaseZero)
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
    EXPECT_FLOAT_EQ(granular.next().amplitude[0], 1.8f);
    const ModOut out = granular.next();
    EXPECT_FLOAT_EQ(out.amplitude[2], 1.62f);
    EXPECT_EQ(out.pitch[2], out.amplitude[2]);
    // Release 0: a grain lasts exactly one hop, then the countdown restarts at random.
    granular.release = vec4(0.0f);
    granular.countdown = vec4(1.5f, 1000.0f, 1000.0f, 1000.0f);
    PartialRandom before = random;
    EXPECT_EQ(lanesOf(granular.next().amplitude), (std::array<float, 4>{2.0f, 0.0f, 0.0f, 0.0f}));
    const vec4 u = uniform(before.draw());
    EXPECT_EQ(granular.countdown[0],
              ((1.0f - u[0]) * granular.longInterval[0] + u[0] * granular.shortInterval[0]));
    EXPECT_EQ(granular.countdown[1], 999.0f);
    EXPECT_EQ(granular.next().amplitude[0], 0.0f);
}
