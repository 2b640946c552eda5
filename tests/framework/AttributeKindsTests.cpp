// Queued attributes on an object that lives outside the host (like the class prototype):
// clamping and what reaches the queue; and the flush-to-zero guard of the perform routine.
#include "korin/object_base.h"
#include "quendra/denormal_guard.h"
#include "quendra/queued_attribute.h"

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
                          set_case{&harmonics, korin::make_atom(16.7), 16, 16},
                          set_case{&kind, korin::make_atom(7), 3, 107},
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
