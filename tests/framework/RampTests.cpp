// Ramp arithmetic and the hand-over of new targets to the audio thread.
#include "quendra/linear_ramp.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

using brindle::quendra::linear_ramp;

namespace
{

std::vector<double> run_block(linear_ramp& ramp, std::uint64_t length, int frames)
{
    std::vector<double> values;
    ramp.begin_block(length);
    for (int i = 0; i < frames; ++i)
        values.push_back(ramp.advance());
    return values;
}

} // namespace

TEST(LinearRamp, RampOf240SamplesFromZeroToTwelveHitsBothEndsExactly)
{
    linear_ramp ramp(0.0);
    ramp.request(12.0);
    const auto values = run_block(ramp, 240, 256);
    EXPECT_EQ(values[0], 0.0);
    for (std::size_t k = 1; k < values.size(); ++k)
    {
        const double expected = k < 239 ? 12.0 * static_cast<double>(k) / 239.0 : 12.0;
        EXPECT_NEAR(values[k], expected, 1e-12) << k;
    }
    for (std::size_t k = 239; k < values.size(); ++k)
    {
        EXPECT_EQ(values[k], 12.0) << k; // the target itself, then held
    }
    EXPECT_EQ(ramp.remaining(), 0u);
}

TEST(LinearRamp, NewTargetWhileRampingStartsFromTheValueReached)
{
    linear_ramp ramp(0.0);
    ramp.request(12.0);
    const auto first = run_block(ramp, 240, 100);
    const double reached = ramp.current();
    EXPECT_NEAR(reached, 12.0 * 100 / 239.0, 1e-12);
    ramp.request(-6.0);
    const auto second = run_block(ramp, 240, 240);
    EXPECT_EQ(second.front(), reached);
    EXPECT_NEAR(second[1], reached + (-6.0 - reached) / 239.0, 1e-12);
    EXPECT_EQ(second.back(), -6.0);
}

TEST(LinearRamp, JumpsWhenTargetEqualsValueOrLengthBelowTwo)
{
    struct jump_case
    {
        double start;
        double target;
        std::uint64_t length;
    };
    for (const auto& c :
         {jump_case{440.0, 440.0, 240}, jump_case{0.0, 5.0, 0}, jump_case{0.0, 5.0, 1}})
    {
        linear_ramp ramp(c.start);
        ramp.request(c.target);
        // A jump to a new value still takes one block to deliver it; an equal value takes none.
        EXPECT_EQ(ramp.begin_block(c.length), c.start != c.target);
        EXPECT_EQ(ramp.current(), c.target);
        EXPECT_EQ(ramp.remaining(), 0u);
        EXPECT_EQ(ramp.advance(), c.target);
        EXPECT_FALSE(ramp.begin_block(240)); // delivered, no new request: no ramp
    }
}

TEST(LinearRamp, RampEndingWithTheBlockStillDeliversItsTarget)
{
    // Regression: a block that ended on the sample where the ramp ran out left the last value
    // delivered one step short of the target, and the next block no longer ramped.
    for (const std::uint64_t length : {2u, 3u, 240u, 241u, 3840u})
    {
        for (const std::uint64_t block : {1u, 2u, 3u, 17u, 64u, 239u, 240u, 4096u})
        {
            for (const std::uint64_t first_block : {length - 1, length, length + 1})
            {
                linear_ramp ramp(-3.0);
                ramp.request(7.25);
                // First block sized to end exactly around the ramp's last step, then the rest.
                std::uint64_t size = first_block;
                double last = 0.0;
                for (int guard = 0; ramp.begin_block(length) && guard < 100000; ++guard)
                {
                    for (std::uint64_t i = 0; i < size; ++i)
                        last = ramp.advance();
                    size = block;
                }
                EXPECT_EQ(last, 7.25) << length << " " << block << " " << first_block;
            }
        }
    }
}

TEST(LinearRamp, RacingSetsAreTakenInOrderAndNeverLost)
{
    // A setter publishes 1..N while the audio thread runs blocks. Requests are taken newest
    // first, so the values picked up never go back; the last one set is reached in the end.
    // (Under the thread sanitizer this is also the check that the hand-over is race-free.)
    linear_ramp ramp(0.0);
    constexpr int kSets = 20000;
    std::atomic<bool> done{false};
    std::thread setter(
        [&]
        {
            for (int i = 1; i <= kSets; ++i)
                ramp.request(static_cast<double>(i));
            done = true;
        });
    double previous = 0.0;
    while (!done.load())
    {
        ramp.begin_block(0);
        const double value = ramp.current();
        ASSERT_GE(value, previous);
        ASSERT_LE(value, kSets);
        previous = value;
    }
    setter.join();
    ramp.begin_block(0);
    EXPECT_EQ(ramp.current(), static_cast<double>(kSets));
}
