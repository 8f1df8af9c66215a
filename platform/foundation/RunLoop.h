#pragma once

#include <QtGlobal>
#include <functional>

class VirtualClock;

// Work deferred to an event loop: a post to the main thread, a task after a delay, a repeating
// timer, each cancellable by its token. Normally on Qt's event loops (QTimer); while a
// VirtualClock exists, everything is queued on it instead and runs when a test advances it.
class RunLoop
{
public:
    using Token = quint64; // never 0
    using Task = std::function<void()>;

    // Intervals at or below zero become this, so a repeating timer cannot spin.
    static constexpr double MinimumInterval = 0.0001;

    // Runs `task` on the main thread at the next turn of its event loop. From any thread.
    static Token postToMain(Task task);
    // Runs `task` on the calling thread's event loop once `seconds` have passed.
    static Token postAfterDelay(double seconds, Task task);
    // Runs `task` on the calling thread's event loop every `interval` seconds until cancelled.
    static Token scheduleRepeatingTimer(double interval, Task task);
    // A task not yet run never runs; a repeating timer stops. Unknown or spent tokens are ignored.
    // From any thread, also from inside the task itself.
    static void cancel(Token token);

    // Seconds on a monotonic clock (the virtual one while it is installed).
    static double currentTime();

private:
    friend class VirtualClock;
    static Token nextToken();
};
