// The parameter queue under two producers. (Its order of delivery, its capacity of 512 and the
// dropping of sets beyond it are checked through the host by the external's tests.)
#include "quendra/parameter_queue.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

using brindle::quendra::int_callback;
using brindle::quendra::parameter_queue;

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
