// Smoothed and queued attributes on an object that lives outside the host (like the class
// prototype): ramp delivery through the change callback, clamping, what reaches the queue.
#include "korin/object_base.h"
#include "quendra/denormal_guard.h"
#include "quendra/queued_attribute.h"
#include "quendra/smooth_attribute.h"

#include <gtest/gtest.h>

#include <vector>

using namespace brindle;

namespace
{

enum class mode
{
    first,
    second,
    third,
    fourth
};

} // namespace

TEST(SmoothAttribute, JumpsBeforePreparationThenRampsOverTheRampLength)
{
    korin::object_base owner;
    std::vector<double> delivered;
    quendra::smooth_attribute<0> gain(owner, {"gain", "Post gain", "dB"}, -24.0, 24.0, 0.0,
                                      [&](double value) { delivered.push_back(value); });
    ASSERT_EQ(owner.find_attribute("gain"), &gain.host_attribute());

    // Ramp length 0: the set takes effect at once, nothing ramps.
    gain.host_attribute().set({korin::make_atom(30.0)});
    EXPECT_EQ(gain.current(), 24.0);
    EXPECT_EQ(gain.last(), 24.0);
    EXPECT_FALSE(gain.begin_block());
    gain.host_attribute().set({korin::make_atom(0.0)});

    gain.set_ramp_length(240);
    gain.push_current();
    ASSERT_EQ(delivered, std::vector<double>{0.0});
    delivered.clear();

    gain.host_attribute().set({korin::make_atom(12.0)});
    EXPECT_EQ(atom_getfloat(&gain.host_attribute().get().front()), 12.0);
    EXPECT_EQ(gain.current(), 0.0); // the audio thread has not taken the set up yet
    ASSERT_TRUE(gain.begin_block());
    for (int i = 0; i < 256; ++i)
    {
        gain.advance();
    }
    ASSERT_EQ(delivered.size(), 256u);
    EXPECT_EQ(delivered[0], 0.0);
    EXPECT_NEAR(delivered[1], 12.0 / 239.0, 1e-12);
    EXPECT_EQ(delivered[239], 12.0);
    EXPECT_EQ(delivered[255], 12.0);
    EXPECT_FALSE(gain.begin_block()); // idle again at the next block start

    delivered.clear();
    gain.host_attribute().set({korin::make_atom(12.0)}); // same value: nothing starts
    EXPECT_FALSE(gain.begin_block());
    EXPECT_TRUE(delivered.empty());
}

TEST(QueuedAttribute, ClampedIntegersAndEnumerationValuesReachTheQueue)
{
    korin::object_base owner;
    quendra::parameter_queue queue;
    std::vector<int> delivered;
    quendra::attribute<int, 2, korin::limit::clamp> harmonics(
        owner, {"harmonics", "Harmonics", ""}, 256, 1, 256,
        [&](int value) { delivered.push_back(value); }, queue);
    quendra::attribute<mode, 0, korin::limit::none> kind(
        owner, {"kind", "Kind", ""}, mode::first, {"First", "Second", "Third", "Fourth"},
        [&](int value) { delivered.push_back(100 + value); }, queue);

    struct set_case
    {
        quendra::attribute_base* attribute;
        korin::atom given;
        int stored;
        int queued;
    };
    for (const auto& c : {set_case{&harmonics, korin::make_atom(1000), 256, 256},
                          set_case{&harmonics, korin::make_atom(0), 1, 1},
                          set_case{&harmonics, korin::make_atom(16.7), 16, 16},
                          set_case{&kind, korin::make_atom(7), 3, 107},
                          set_case{&kind, korin::make_atom(-1), 0, 99},
                          set_case{&kind, korin::make_atom(gensym("tHiRd")), 2, 102}})
    {
        delivered.clear();
        c.attribute->host_attribute().set({c.given});
        EXPECT_EQ(atom_getlong(&c.attribute->host_attribute().get().front()), c.stored);
        queue.drain();
        EXPECT_EQ(delivered, std::vector<int>{c.queued});
    }
}

TEST(DenormalGuard, FlushesInsideAndRestoresTheCallersMode)
{
#if defined(__x86_64__) || defined(__aarch64__)
    volatile float tiny = 1.0e-39f; // subnormal
    volatile float one = 1.0f;
    EXPECT_NE(tiny * one, 0.0f);
    {
        quendra::denormal_guard guard;
        EXPECT_EQ(tiny * one, 0.0f);
    }
    EXPECT_NE(tiny * one, 0.0f);
#else
    GTEST_SKIP() << "no flush-to-zero control on this machine";
#endif
}
