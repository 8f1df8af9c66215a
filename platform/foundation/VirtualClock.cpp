#include "VirtualClock.h"

#include "Log.h"

#include <algorithm>
#include <atomic>

namespace
{
QMutex g_installMutex; // held while the clock is installed, removed or handed work
VirtualClock* g_current = nullptr;
} // namespace

VirtualClock::VirtualClock()
{
    QMutexLocker lock(&g_installMutex);
    if (g_current)
        Log::log(QStringLiteral("VirtualClock: another clock is already installed; replacing it"));
    g_current = this;
}

VirtualClock::~VirtualClock()
{
    QMutexLocker lock(&g_installMutex);
    if (g_current == this)
        g_current = nullptr;
}

VirtualClock* VirtualClock::current()
{
    QMutexLocker lock(&g_installMutex);
    return g_current;
}

RunLoop::Token VirtualClock::schedule(double delay, double interval, RunLoop::Task task)
{
    QMutexLocker lock(&m_mutex);
    const RunLoop::Token token = RunLoop::nextToken();
    const Key key { m_now + delay, ++m_sequence };
    m_queue.emplace(key, Entry { token, interval, std::move(task) });
    m_keys.emplace(token, key);
    return token;
}

bool VirtualClock::cancel(RunLoop::Token token)
{
    QMutexLocker lock(&m_mutex);
    const auto it = m_keys.find(token);
    if (it == m_keys.end())
        return false;
    m_queue.erase(it->second);
    m_keys.erase(it);
    return true;
}

void VirtualClock::advance(double seconds)
{
    double target;
    {
        QMutexLocker lock(&m_mutex);
        target = m_now + std::max(0.0, seconds);
    }
    for (;;) {
        RunLoop::Task task;
        {
            QMutexLocker lock(&m_mutex);
            if (m_queue.empty() || m_queue.begin()->first.first > target)
                break;
            auto next = m_queue.extract(m_queue.begin());
            m_now = std::max(m_now, next.key().first);
            if (next.mapped().interval > 0) {
                // Rescheduled before it runs, so the task may cancel its own timer.
                task = next.mapped().task;
                next.key() = Key { next.key().first + next.mapped().interval, ++m_sequence };
                m_keys[next.mapped().token] = next.key();
                m_queue.insert(std::move(next));
            } else {
                task = std::move(next.mapped().task);
                m_keys.erase(next.mapped().token);
            }
        }
        task();
    }
    QMutexLocker lock(&m_mutex);
    m_now = std::max(m_now, target);
}

double VirtualClock::now() const
{
    QMutexLocker lock(&m_mutex);
    return m_now;
}

int VirtualClock::pendingCount() const
{
    QMutexLocker lock(&m_mutex);
    return int(m_queue.size());
}
