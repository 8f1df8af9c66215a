#include "RunLoop.h"

#include "Log.h"
#include "VirtualClock.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHash>
#include <QMutex>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <cmath>
#include <limits>

namespace
{

// Work queued on Qt's event loops, by token. An entry leaves the table when it runs (one-shot)
// or is cancelled; a task whose entry is gone does not run. The table owns no QTimer: a timer
// is deleted on its own thread with deleteLater, which is safe from any thread.
struct Pending {
    QTimer* timer = nullptr;
};

QMutex g_pendingMutex;
QHash<RunLoop::Token, Pending> g_pending;

std::atomic<RunLoop::Token> g_lastToken { 0 };

int toMilliseconds(double seconds)
{
    const double ms = std::ceil(std::max(seconds, 0.0) * 1000.0);
    return ms >= double(std::numeric_limits<int>::max()) ? std::numeric_limits<int>::max() : int(ms);
}

double normalizedInterval(double seconds)
{
    return (seconds > 0.0 && std::isfinite(seconds)) ? seconds
        : std::isinf(seconds)                        ? std::numeric_limits<double>::max()
                                                     : RunLoop::MinimumInterval;
}

double normalizedDelay(double seconds)
{
    if (std::isnan(seconds) || seconds < 0.0)
        return 0.0;
    return seconds;
}

// Removes a one-shot entry as it fires; false when it was cancelled.
bool takeOneShot(RunLoop::Token token)
{
    QMutexLocker lock(&g_pendingMutex);
    const auto it = g_pending.find(token);
    if (it == g_pending.end())
        return false;
    if (it->timer)
        it->timer->deleteLater();
    g_pending.erase(it);
    return true;
}

bool isPending(RunLoop::Token token)
{
    QMutexLocker lock(&g_pendingMutex);
    return g_pending.contains(token);
}

RunLoop::Token startTimer(RunLoop::Token token, double seconds, bool repeating, RunLoop::Task task)
{
    auto* timer = new QTimer;
    // Timers of the main thread belong to the application, so none outlives it.
    if (QCoreApplication::instance() && QThread::currentThread() == QCoreApplication::instance()->thread())
        timer->setParent(QCoreApplication::instance());
    timer->setTimerType(Qt::PreciseTimer);
    timer->setSingleShot(!repeating);
    timer->setInterval(toMilliseconds(seconds));
    QObject::connect(timer, &QTimer::timeout, timer, [token, repeating, task = std::move(task)] {
        if (repeating ? isPending(token) : takeOneShot(token))
            task();
    });
    {
        QMutexLocker lock(&g_pendingMutex);
        g_pending.insert(token, Pending { timer });
    }
    timer->start();
    return token;
}

// A queued call on the application's thread: unlike a QTimer, whose registration and removal cost
// time in proportion to the timers alive, tens of thousands of these cost no more each than one.
RunLoop::Token postToApplication(QCoreApplication* app, RunLoop::Task task)
{
    const RunLoop::Token token = ++g_lastToken;
    {
        QMutexLocker lock(&g_pendingMutex);
        g_pending.insert(token, Pending {});
    }
    QMetaObject::invokeMethod(
        app,
        [token, task = std::move(task)] {
            if (takeOneShot(token))
                task();
        },
        Qt::QueuedConnection);
    return token;
}

} // namespace

RunLoop::Token RunLoop::nextToken()
{
    return ++g_lastToken;
}

RunLoop::Token RunLoop::postToMain(Task task)
{
    if (!task)
        return 0;
    if (VirtualClock* clock = VirtualClock::current())
        return clock->schedule(0.0, 0.0, std::move(task));
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) {
        Log::log(QStringLiteral("RunLoop: no application to post to; the task is dropped"));
        return 0;
    }
    return postToApplication(app, std::move(task));
}

RunLoop::Token RunLoop::postAfterDelay(double seconds, Task task)
{
    if (!task)
        return 0;
    if (VirtualClock* clock = VirtualClock::current())
        return clock->schedule(normalizedDelay(seconds), 0.0, std::move(task));
    const double delay = normalizedDelay(seconds);
    QCoreApplication* app = QCoreApplication::instance();
    if (delay == 0.0 && app && QThread::currentThread() == app->thread())
        return postToApplication(app, std::move(task));
    return startTimer(nextToken(), delay, false, std::move(task));
}

RunLoop::Token RunLoop::scheduleRepeatingTimer(double interval, Task task)
{
    if (!task)
        return 0;
    const double every = normalizedInterval(interval);
    if (VirtualClock* clock = VirtualClock::current())
        return clock->schedule(every, every, std::move(task));
    return startTimer(nextToken(), every, true, std::move(task));
}

void RunLoop::cancel(Token token)
{
    if (token == 0)
        return;
    if (VirtualClock* clock = VirtualClock::current()) {
        if (clock->cancel(token))
            return;
    }
    QMutexLocker lock(&g_pendingMutex);
    const auto it = g_pending.find(token);
    if (it == g_pending.end())
        return;
    if (it->timer)
        it->timer->deleteLater();
    g_pending.erase(it);
}

double RunLoop::currentTime()
{
    if (VirtualClock* clock = VirtualClock::current())
        return clock->now();
    static QElapsedTimer elapsed = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return double(elapsed.nsecsElapsed()) / 1e9;
}
