#pragma once

#include "RunLoop.h"

#include <QMutex>
#include <map>
#include <unordered_map>
#include <utility>

// A clock for tests: while one exists, RunLoop queues its work here, and time moves only when
// advance() is called, so a five-minute timer is tested without waiting. One at a time.
class VirtualClock
{
public:
    VirtualClock();
    ~VirtualClock(); // drops whatever is still queued
    VirtualClock(const VirtualClock&) = delete;
    VirtualClock& operator=(const VirtualClock&) = delete;

    // Moves time forward, running every task that falls due on the way in time order (posts in the
    // order they were made), including tasks that those tasks schedule. advance(0) runs posts.
    void advance(double seconds);
    double now() const;
    int pendingCount() const;

    // The installed clock, or nullptr.
    static VirtualClock* current();

private:
    friend class RunLoop;
    struct Entry {
        RunLoop::Token token;
        double interval; // 0 for a one-shot task
        RunLoop::Task task;
    };
    // Due time, then the order of scheduling: the queue runs front first.
    using Key = std::pair<double, quint64>;

    RunLoop::Token schedule(double delay, double interval, RunLoop::Task task);
    bool cancel(RunLoop::Token token);

    mutable QMutex m_mutex;
    double m_now = 0.0;
    quint64 m_sequence = 0;
    std::map<Key, Entry> m_queue;
    std::unordered_map<RunLoop::Token, Key> m_keys;
};
