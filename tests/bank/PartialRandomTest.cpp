// The bank's random state: seed-sequence mixing, the per-lane xorshift, word-to-float maps.
#include "quendra/dsp/PartialRandom.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <random>

using namespace quendra::dravel::vantor;

TEST(PartialRandom, SeedWordsEqualStandardSeedSequence)
{
    for (std::uint32_t seed : {0u, 1u, 5031937u, 0xFFFFFFFFu})
    {
        std::seed_seq sequence{seed};
        std::array<std::uint32_t, 8> expected;
        sequence.generate(expected.begin(), expected.end());
        EXPECT_EQ(PartialRandom::seedWords(seed), expected) << seed;
    }
}

TEST(PartialRandom, AllZeroLanesAreMovedOffTheFixedPoint)
{
    PartialRandom random;
    random.setState({0, 5, 0, 0, 0, 0, 7, 0});
    EXPECT_EQ(random.x()[0], 0xFFFFFFFFu);
    EXPECT_EQ(random.x()[1], 5u);
    EXPECT_EQ(random.x()[2], 0u); // y of lane 2 is not zero
    EXPECT_EQ(random.x()[3], 0xFFFFFFFFu);
}

TEST(PartialRandom, WordMapsCoverTheirRanges)
{
    const vec4u words(0u, 0xFFFFFFFFu, 0x80000000u, 0x00000200u);
    const vec4 u = uniform(words);
    const vec4 b = bipolar(words);
    EXPECT_TRUE(u[0] == 0.0f && b[0] == -1.0f);
    EXPECT_TRUE(u[1] < 1.0f && u[1] > 0.9999998f && b[1] < 1.0f);
    EXPECT_TRUE(u[2] == 0.5f && b[2] == 0.0f);
    EXPECT_EQ(b[3], -1.0f + std::ldexp(1.0f, -22));
}
