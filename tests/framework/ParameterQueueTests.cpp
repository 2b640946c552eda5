// The single-producer single-consumer parameter queue.
#include "quendra/parameter_queue.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

using brindle::quendra::int_callback;
using brindle::quendra::parameter_queue;

TEST(ParameterQueue, DeliversInOrderAndDropsWhenFull)
{
    parameter_queue queue;
    std::vector<int> delivered;
    const int_callback record = [&](int value) { delivered.push_back(value); };

    for (int i = 0; i < 300; ++i)
    {
        EXPECT_TRUE(queue.push(record, i));
    }
    queue.drain();
    ASSERT_EQ(delivered.size(), 300u);
    for (int i = 0; i < 300; ++i)
    {
        EXPECT_EQ(delivered[static_cast<std::size_t>(i)], i);
    }

    delivered.clear();
    for (int i = 0; i < 512; ++i)
    {
        EXPECT_TRUE(queue.push(record, i));
    }
    EXPECT_FALSE(queue.push(record, 9999));
    EXPECT_EQ(queue.size(), 512u);
    queue.drain();
    ASSERT_EQ(delivered.size(), 512u);
    EXPECT_EQ(delivered.back(), 511);
    EXPECT_EQ(queue.size(), 0u);
}

TEST(ParameterQueue, TwoProducersAndOneConsumerLoseNothing)
{
    parameter_queue queue;
    std::vector<int> delivered;
    delivered.reserve(4000);
    const int_callback record = [&](int value) { delivered.push_back(value); };
    constexpr int kPerProducer = 2000;

    auto produce = [&](int base)
    {
        for (int i = 0; i < kPerProducer; ++i)
        {
            while (!queue.push(record, base + i))
            {
                std::this_thread::yield();
            }
        }
    };
    std::thread first(produce, 0);
    std::thread second(produce, 100000);
    while (delivered.size() < 2 * kPerProducer)
    {
        queue.drain();
    }
    first.join();
    second.join();

    // Each producer's values arrive complete and in that producer's order.
    int next_first = 0;
    int next_second = 100000;
    for (const int value : delivered)
    {
        if (value < 100000)
        {
            EXPECT_EQ(value, next_first++);
        }
        else
        {
            EXPECT_EQ(value, next_second++);
        }
    }
    EXPECT_EQ(next_first, kPerProducer);
    EXPECT_EQ(next_second, 100000 + kPerProducer);
}
