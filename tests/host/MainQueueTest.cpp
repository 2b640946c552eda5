// The main thread and its queue: deferred calls and queue elements run only when the main
// thread services the queue, whichever thread queued them.
#include "HostFixture.h"

#include <thread>

using tessel::host::Values;

using MainQueueTest = HostFixture;

TEST_F(MainQueueTest, OnlyTheRuntimesThreadIsTheMainThread)
{
    EXPECT_EQ(systhread_ismainthread(), 1);
    int other = -1;
    std::thread([&] { other = systhread_ismainthread(); }).join();
    EXPECT_EQ(other, 0);
}

TEST_F(MainQueueTest, DeferredCallsRunOnTheMainThreadWhenServiced)
{
    auto* instance = create();
    HostTestObject& x = object(instance);
    std::thread(
        [&]
        {
            for (int i = 0; i < 3; ++i)
                mHost.sendMessage(instance, "later", {std::int64_t{i}});
        })
        .join();
    EXPECT_EQ(x.deferredRuns, 0);
    EXPECT_EQ(mHost.pendingMainQueueItems(), 3u);

    // Servicing from another thread runs nothing.
    std::size_t ranElsewhere = 99;
    std::thread([&] { ranElsewhere = mHost.serviceMainQueue(); }).join();
    EXPECT_EQ(ranElsewhere, 0u);
    EXPECT_EQ(x.deferredRuns, 0);

    EXPECT_EQ(mHost.serviceMainQueue(), 3u);
    EXPECT_EQ(x.deferredRuns, 3);
    EXPECT_TRUE(x.deferredOnMain);
    EXPECT_EQ(mHost.serviceMainQueue(), 0u);
}

TEST_F(MainQueueTest, AQueueElementSetManyTimesRunsOncePerService)
{
    auto* instance = create();
    HostTestObject& x = object(instance);
    std::thread(
        [&]
        {
            for (int i = 0; i < 5; ++i)
                mHost.sendMessage(instance, "poke");
        })
        .join();
    mHost.sendMessage(instance, "poke");
    EXPECT_EQ(x.qelemRuns, 0);
    EXPECT_EQ(mHost.serviceMainQueue(), 1u);
    EXPECT_EQ(x.qelemRuns, 1);
    EXPECT_TRUE(x.qelemOnMain);
    mHost.sendMessage(instance, "poke");
    EXPECT_EQ(mHost.serviceMainQueue(), 1u);
    EXPECT_EQ(x.qelemRuns, 2);
}

TEST_F(MainQueueTest, FreeingAnObjectDropsItsPendingWork)
{
    auto* instance = create();
    mHost.sendMessage(instance, "later");
    mHost.sendMessage(instance, "poke");
    EXPECT_EQ(mHost.pendingMainQueueItems(), 2u);
    mHost.freeObject(instance);
    EXPECT_EQ(mHost.pendingMainQueueItems(), 0u);
    EXPECT_EQ(mHost.serviceMainQueue(), 0u);
}

TEST_F(MainQueueTest, ServicingAfterEachBlockRunsOnlyOnTheMainThread)
{
    auto* instance = create();
    HostTestObject& x = object(instance);
    ASSERT_TRUE(mHost.buildDsp(instance));
    std::vector<double> in(64, 1.0), out(64);
    const double* ins[] = {in.data(), in.data()};
    double* outs[] = {out.data(), out.data() + 32};
    mHost.setServiceAfterEachBlock(true);

    mHost.sendMessage(instance, "poke");
    std::thread([&] { EXPECT_TRUE(mHost.process(instance, ins, outs, 32)); }).join();
    EXPECT_EQ(x.qelemRuns, 0);
    EXPECT_TRUE(mHost.process(instance, ins, outs, 32));
    EXPECT_EQ(x.qelemRuns, 1);

    mHost.setServiceAfterEachBlock(false);
    mHost.sendMessage(instance, "poke");
    EXPECT_TRUE(mHost.process(instance, ins, outs, 32));
    EXPECT_EQ(x.qelemRuns, 1);
}

TEST_F(MainQueueTest, AttributeSetsFromAnotherThreadUseTheSetters)
{
    auto* instance = create();
    std::thread(
        [&]
        {
            EXPECT_TRUE(mHost.setAttribute(instance, "gain", Values{0.25}));
            EXPECT_EQ(mHost.getAttribute(instance, "gain"), Values{0.25});
        })
        .join();
    EXPECT_EQ(object(instance).gain, 0.25);
}
