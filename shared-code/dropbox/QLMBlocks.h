#pragma once

#include "RunLoop.h"

#include <functional>

class QThreadPool;

// Running a block later or off the main thread.
namespace QLMBlocks
{

// How soon a background block runs among the others waiting in the pool.
enum class QueuePriority { High, Default, Low, Background };

// Runs `block` once after `delay` seconds: on `queue` (a thread pool), or on the main thread
// when `queue` is null. The token cancels it until the delay has passed.
RunLoop::Token performBlock(std::function<void()> block, double delay, QThreadPool* queue);
RunLoop::Token performBlock(std::function<void()> block, double delay);

// Runs `block` on the global thread pool at `priority`, then queues `completion` (may be empty)
// on the main thread.
void performBlockInBackground(
    std::function<void()> block, QueuePriority priority, std::function<void()> completionOnMainThread);
void performBlockInBackground(std::function<void()> block, std::function<void()> completionOnMainThread);

} // namespace QLMBlocks
