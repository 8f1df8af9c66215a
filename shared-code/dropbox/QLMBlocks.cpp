#include "QLMBlocks.h"

#include <QThreadPool>
#include <limits>

namespace
{

int poolPriority(QLMBlocks::QueuePriority priority)
{
    switch (priority) {
    case QLMBlocks::QueuePriority::High:
        return 2;
    case QLMBlocks::QueuePriority::Default:
        return 0;
    case QLMBlocks::QueuePriority::Low:
        return -2;
    case QLMBlocks::QueuePriority::Background:
        break;
    }
    return std::numeric_limits<short>::min();
}

} // namespace

RunLoop::Token QLMBlocks::performBlock(std::function<void()> block, double delay, QThreadPool* queue)
{
    if (!block)
        return 0;
    if (!queue)
        return RunLoop::postAfterDelay(delay, std::move(block));
    return RunLoop::postAfterDelay(delay, [block = std::move(block), queue] { queue->start(block); });
}

RunLoop::Token QLMBlocks::performBlock(std::function<void()> block, double delay)
{
    return performBlock(std::move(block), delay, nullptr);
}

void QLMBlocks::performBlockInBackground(
    std::function<void()> block, QueuePriority priority, std::function<void()> completionOnMainThread)
{
    if (!block)
        return;
    QThreadPool::globalInstance()->start(
        [block = std::move(block), completion = std::move(completionOnMainThread)] {
            block();
            if (completion)
                RunLoop::postToMain(completion);
        },
        poolPriority(priority));
}

void QLMBlocks::performBlockInBackground(
    std::function<void()> block, std::function<void()> completionOnMainThread)
{
    performBlockInBackground(std::move(block), QueuePriority::Background, std::move(completionOnMainThread));
}
