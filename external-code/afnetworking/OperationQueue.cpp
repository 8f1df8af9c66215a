#include "OperationQueue.h"

#include <algorithm>

OperationQueue::~OperationQueue()
{
    *m_alive = false;
    const auto all = operations();
    m_running.clear();
    m_waiting.clear();
    for (const auto& operation : all)
        operation->cancel();
}

void OperationQueue::addOperation(const std::shared_ptr<AFURLConnectionOperation>& operation)
{
    if (!operation || operation->isFinished() || operation->isExecuting())
        return;
    std::weak_ptr<bool> alive = m_alive;
    operation->addStateObserver([this, alive](AFURLConnectionOperation& changed) {
        if (alive.lock())
            operationChanged(changed);
    });
    // Behind every waiting operation of the same or higher priority.
    auto position = std::find_if(m_waiting.begin(), m_waiting.end(),
        [&operation](const auto& waiting) { return waiting->queuePriority() < operation->queuePriority(); });
    m_waiting.insert(position, operation);
    startWaiting();
}

QList<std::shared_ptr<AFURLConnectionOperation>> OperationQueue::operations() const
{
    return m_running + m_waiting;
}

void OperationQueue::setMaxConcurrentOperationCount(int count)
{
    m_maxConcurrent = std::max(1, count);
    startWaiting();
}

void OperationQueue::cancelAllOperations()
{
    for (const auto& operation : operations())
        operation->cancel();
    startWaiting();
}

void OperationQueue::startWaiting()
{
    if (m_starting)
        return;
    m_starting = true;
    for (;;) {
        // A cancelled operation finishes as soon as it starts, so it never waits for a slot.
        auto cancelled = std::find_if(
            m_waiting.begin(), m_waiting.end(), [](const auto& waiting) { return waiting->isCancelled(); });
        auto next = cancelled;
        if (next == m_waiting.end()) {
            if (m_running.size() >= m_maxConcurrent)
                break;
            next = std::find_if(
                m_waiting.begin(), m_waiting.end(), [](const auto& waiting) { return waiting->isReady(); });
        }
        if (next == m_waiting.end())
            break;
        std::shared_ptr<AFURLConnectionOperation> operation = *next;
        m_waiting.erase(next);
        m_running.append(operation);
        operation->start();
    }
    m_starting = false;
}

void OperationQueue::operationChanged(AFURLConnectionOperation& operation)
{
    auto matches = [&operation](const auto& held) { return held.get() == &operation; };
    if (operation.isFinished()) {
        m_running.removeIf(matches);
        m_waiting.removeIf(matches);
    } else if (operation.isPaused()) {
        // A paused operation gives up its slot until it is resumed.
        m_running.removeIf(matches);
    } else if (operation.isExecuting()) {
        return;
    }
    startWaiting();
}
