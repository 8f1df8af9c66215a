#include "QLMBlocks.h"

#include "VirtualClock.h"

#include <QCoreApplication>
#include <QThread>
#include <QThreadPool>
#include <atomic>
#include <gtest/gtest.h>

TEST(QLMBlocks, ABlockRunsOnceAfterItsDelayOnTheMainLoop)
{
    VirtualClock clock;
    int runs = 0;
    QLMBlocks::performBlock([&] { ++runs; }, 0.5);
    const RunLoop::Token cancelled = QLMBlocks::performBlock([&] { runs += 100; }, 0.5);
    RunLoop::cancel(cancelled);
    clock.advance(0.4);
    EXPECT_EQ(runs, 0);
    clock.advance(0.1);
    EXPECT_EQ(runs, 1);
    clock.advance(10);
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(QLMBlocks::performBlock(nullptr, 1), 0u);
}

TEST(QLMBlocks, ABlockForAPoolRunsOnItsThreadsAfterTheDelay)
{
    VirtualClock clock;
    QThreadPool pool;
    std::atomic<QThread*> ranOn = nullptr;
    QLMBlocks::performBlock([&] { ranOn = QThread::currentThread(); }, 2, &pool);
    clock.advance(1);
    pool.waitForDone();
    EXPECT_EQ(ranOn, nullptr);
    clock.advance(1);
    pool.waitForDone();
    EXPECT_NE(ranOn, nullptr);
    EXPECT_NE(ranOn, QCoreApplication::instance()->thread());
}

TEST(QLMBlocks, BackgroundWorkThenItsCompletionOnTheMainThread)
{
    VirtualClock clock;
    std::atomic<bool> worked = false;
    QThread* completedOn = nullptr;
    bool workedBeforeCompletion = false;
    QLMBlocks::performBlockInBackground([&] { worked = true; },
        [&] {
            workedBeforeCompletion = worked;
            completedOn = QThread::currentThread();
        });
    QThreadPool::globalInstance()->waitForDone();
    EXPECT_EQ(completedOn, nullptr); // queued for the main loop
    clock.advance(0);
    EXPECT_TRUE(workedBeforeCompletion);
    EXPECT_EQ(completedOn, QCoreApplication::instance()->thread());

    QLMBlocks::performBlockInBackground([&] { worked = false; }, QLMBlocks::QueuePriority::High, {});
    QThreadPool::globalInstance()->waitForDone();
    EXPECT_FALSE(worked);
}
