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
    m_entries.push_back(Entry { m_now + delay, ++m_sequence, token, interval, std::move(task) });
    return token;
}

bool VirtualClock::cancel(RunLoop::Token token)
{
    QMutexLocker lock(&m_mutex);
    const auto it = std::find_if(
        m_entries.begin(), m_entries.end(), [token](const Entry& e) { return e.token == token; });
    if (it == m_entries.end())
        return false;
    m_entries.erase(it);
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
            auto next = m_entries.end();
            for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
                if (it->due <= target
                    && (next == m_entries.end() || it->due < next->due
                        || (it->due == next->due && it->sequence < next->sequence)))
                    next = it;
            }
            if (next == m_entries.end())
                break;
            m_now = std::max(m_now, next->due);
            if (next->interval > 0) {
                // Rescheduled before it runs, so the task may cancel its own timer.
                task = next->task;
                next->due += next->interval;
                next->sequence = ++m_sequence;
            } else {
                task = std::move(next->task);
                m_entries.erase(next);
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
    return int(m_entries.size());
}
