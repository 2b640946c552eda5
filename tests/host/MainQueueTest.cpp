// The main thread and its queue: deferred calls and queue elements run only when the main
// thread services the queue, whichever thread queued them.
#include "HostFixture.h"

#include <thread>

using MainQueueTest = HostFixture;

TEST_F(MainQueueTest, DeferredWorkRunsOnlyWhenTheMainThreadServicesTheQueue)
{
    auto* instance = create();
    HostTestObject& x = object(instance);
    EXPECT_EQ(systhread_ismainthread(), 1);
    int other = -1;
    std::thread(
        [&]
        {
            other = systhread_ismainthread();
            for (int i = 0; i < 3; ++i)
                mHost.sendMessage(instance, "later", {std::int64_t{i}});
            for (int i = 0; i < 5; ++i)
                mHost.sendMessage(instance, "poke");
            EXPECT_EQ(mHost.serviceMainQueue(), 0u); // servicing elsewhere runs nothing
        })
        .join();
    EXPECT_EQ(other, 0);
    EXPECT_EQ(x.deferredRuns + x.qelemRuns, 0);
    EXPECT_EQ(mHost.pendingMainQueueItems(), 4u); // a queue element set many times runs once
    EXPECT_EQ(mHost.serviceMainQueue(), 4u);
    EXPECT_EQ(x.deferredRuns, 3);
    EXPECT_EQ(x.qelemRuns, 1);
    EXPECT_TRUE(x.deferredOnMain && x.qelemOnMain);
    EXPECT_EQ(mHost.serviceMainQueue(), 0u);

    mHost.sendMessage(instance, "later");
    mHost.sendMessage(instance, "poke");
    mHost.freeObject(instance); // freeing drops its pending work
    EXPECT_EQ(mHost.pendingMainQueueItems(), 0u);
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
