#include "RunLoop.h"

#include "VirtualClock.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace
{

// Runs the current thread's event loop until `done` is called, or gives up after a generous
// limit so that a broken build fails instead of hanging.
class LoopUntil
{
public:
    LoopUntil()
    {
        QTimer::singleShot(5000, &m_loop, [this] {
            m_timedOut = true;
            m_loop.quit();
        });
    }
    void done() { m_loop.quit(); }
    bool run()
    {
        m_loop.exec();
        return !m_timedOut;
    }

private:
    QEventLoop m_loop;
    bool m_timedOut = false;
};

} // namespace

TEST(VirtualClock, DelayedTasksFireWhenTheirTimeComesInOrder)
{
    VirtualClock clock;
    QStringList ran;
    RunLoop::postAfterDelay(300, [&] { ran << "five minutes"; });
    RunLoop::postAfterDelay(1, [&] { ran << "first"; });
    RunLoop::postAfterDelay(1, [&] { ran << "second"; }); // same time: in posting order
    RunLoop::postAfterDelay(-5, [&] { ran << "now"; });

    clock.advance(0);
    EXPECT_EQ(ran, QStringList { "now" });
    clock.advance(299.5);
    EXPECT_EQ(ran, (QStringList { "now", "first", "second" }));
    EXPECT_DOUBLE_EQ(clock.now(), 299.5);
    EXPECT_DOUBLE_EQ(RunLoop::currentTime(), 299.5);
    clock.advance(0.5);
    EXPECT_EQ(ran.last(), "five minutes");
    EXPECT_EQ(clock.pendingCount(), 0);
}

TEST(VirtualClock, TasksScheduledByFiredTasksFireInTheSameAdvance)
{
    VirtualClock clock;
    std::vector<std::pair<QString, double>> ran;
    RunLoop::postAfterDelay(1, [&] {
        ran.emplace_back("outer", clock.now());
        RunLoop::postAfterDelay(2, [&] { ran.emplace_back("inner", clock.now()); });
        RunLoop::postAfterDelay(10, [&] { ran.emplace_back("later", clock.now()); });
        RunLoop::postToMain([&] { ran.emplace_back("posted", clock.now()); });
    });
    RunLoop::postAfterDelay(2, [&] { ran.emplace_back("two", clock.now()); });

    clock.advance(5);
    const std::vector<std::pair<QString, double>> expected { { "outer", 1 }, { "posted", 1 }, { "two", 2 },
        { "inner", 3 } };
    EXPECT_EQ(ran, expected);
    EXPECT_EQ(clock.pendingCount(), 1);
}

TEST(VirtualClock, RepeatingTimerFiresEveryIntervalUntilCancelled)
{
    VirtualClock clock;
    std::vector<double> fired;
    const RunLoop::Token token = RunLoop::scheduleRepeatingTimer(3, [&] { fired.push_back(clock.now()); });
    clock.advance(10);
    EXPECT_EQ(fired, (std::vector<double> { 3, 6, 9 }));
    RunLoop::cancel(token);
    clock.advance(100);
    EXPECT_EQ(fired.size(), 3u);

    int count = 0;
    RunLoop::Token self = 0;
    self = RunLoop::scheduleRepeatingTimer(0, [&] { // zero becomes the minimum interval
        if (++count == 4)
            RunLoop::cancel(self);
    });
    clock.advance(1);
    EXPECT_EQ(count, 4);
    EXPECT_EQ(clock.pendingCount(), 0);
}

TEST(VirtualClock, CancelledAndUnknownTokens)
{
    VirtualClock clock;
    bool ran = false;
    const RunLoop::Token token = RunLoop::postAfterDelay(1, [&] { ran = true; });
    EXPECT_NE(token, 0u);
    RunLoop::cancel(token);
    RunLoop::cancel(token);
    RunLoop::cancel(0);
    RunLoop::cancel(987654321);
    clock.advance(2);
    EXPECT_FALSE(ran);
    EXPECT_EQ(RunLoop::postAfterDelay(1, nullptr), 0u);
}

TEST(VirtualClock, PostsFromOtherThreadsWaitForTheTest)
{
    VirtualClock clock;
    int ran = 0;
    std::thread worker([&] {
        for (int i = 0; i < 100; ++i)
            RunLoop::postToMain([&] { ++ran; });
    });
    worker.join();
    EXPECT_EQ(ran, 0);
    clock.advance(0);
    EXPECT_EQ(ran, 100);
}

TEST(VirtualClock, QueuedWorkIsDroppedWithTheClock)
{
    bool ran = false;
    {
        VirtualClock clock;
        RunLoop::postAfterDelay(1, [&] { ran = true; });
    }
    EXPECT_EQ(VirtualClock::current(), nullptr);
    QCoreApplication::processEvents();
    EXPECT_FALSE(ran);
}

TEST(RunLoop, PostToMainFromAWorkerRunsOnTheMainThread)
{
    LoopUntil loop;
    QThread* ranOn = nullptr;
    std::thread worker([&] {
        RunLoop::postToMain([&] {
            ranOn = QThread::currentThread();
            loop.done();
        });
    });
    worker.join();
    ASSERT_TRUE(loop.run());
    EXPECT_EQ(ranOn, QCoreApplication::instance()->thread());
}

TEST(RunLoop, DelayedPostRunsUnlessCancelled)
{
    LoopUntil loop;
    QStringList ran;
    const RunLoop::Token cancelled = RunLoop::postAfterDelay(0.001, [&] { ran << "cancelled"; });
    const RunLoop::Token cancelledPost = RunLoop::postToMain([&] { ran << "cancelled post"; });
    RunLoop::postAfterDelay(0.02, [&] {
        ran << "kept";
        loop.done();
    });
    RunLoop::cancel(cancelled);
    RunLoop::cancel(cancelledPost);
    ASSERT_TRUE(loop.run());
    EXPECT_EQ(ran, QStringList { "kept" });
}

TEST(RunLoop, RepeatingTimerStopsWhenItCancelsItself)
{
    LoopUntil loop;
    int count = 0;
    RunLoop::Token token = 0;
    token = RunLoop::scheduleRepeatingTimer(0.001, [&] {
        if (++count == 3) {
            RunLoop::cancel(token);
            // Quits well after a fourth firing would have come.
            RunLoop::postAfterDelay(0.03, [&] { loop.done(); });
        }
    });
    ASSERT_TRUE(loop.run());
    EXPECT_EQ(count, 3);
}

TEST(RunLoop, DelayedPostRunsOnTheCallingThreadsLoop)
{
    QThread worker;
    worker.start();
    QThread* ranOn = nullptr;
    LoopUntil loop;
    auto* context = new QObject;
    context->moveToThread(&worker);
    QMetaObject::invokeMethod(context, [&] {
        RunLoop::postAfterDelay(0.001, [&] {
            ranOn = QThread::currentThread();
            RunLoop::postToMain([&] { loop.done(); });
        });
    });
    ASSERT_TRUE(loop.run());
    EXPECT_EQ(ranOn, &worker);
    context->deleteLater();
    worker.quit();
    worker.wait();
}

TEST(RunLoop, ManyNextPassPostsRunInOrderAndCancelledOnesDoNot)
{
    // Tens of thousands of objects each defer their set-up to the next pass when a large
    // library is read; they must run in the order posted, mixed with posts to main.
    LoopUntil loop;
    constexpr int count = 20000;
    std::vector<int> ran;
    ran.reserve(count);
    std::vector<RunLoop::Token> tokens;
    for (int i = 0; i < count; ++i) {
        const auto task = [&ran, i] { ran.push_back(i); };
        tokens.push_back(i % 2 ? RunLoop::postToMain(task) : RunLoop::postAfterDelay(0, task));
    }
    for (int i = 0; i < count; i += 1000)
        RunLoop::cancel(tokens[size_t(i)]);
    RunLoop::postAfterDelay(0, [&] { loop.done(); });
    ASSERT_TRUE(loop.run());
    std::vector<int> expected;
    for (int i = 0; i < count; ++i) {
        if (i % 1000)
            expected.push_back(i);
    }
    EXPECT_EQ(ran, expected);
}
