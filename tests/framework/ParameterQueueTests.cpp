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
    std::vector<int> delivered, expected;
    const int_callback record = [&](int value) { delivered.push_back(value); };
    for (const int count : {300, 512})
    {
        delivered.clear();
        expected.clear();
        for (int i = 0; i < count; ++i)
        {
            EXPECT_TRUE(queue.push(record, i));
            expected.push_back(i);
        }
        EXPECT_EQ(queue.push(record, 9999), count < 512);
        queue.drain();
        if (count < 512)
            expected.push_back(9999);
        EXPECT_EQ(delivered, expected);
        EXPECT_EQ(queue.size(), 0u);
    }
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
    int next_first = 0, next_second = 100000;
    for (const int value : delivered)
        EXPECT_EQ(value, value < 100000 ? next_first++ : next_second++);
    EXPECT_EQ(next_first, kPerProducer);
    EXPECT_EQ(next_second, 100000 + kPerProducer);
}
