#pragma once

#include "AFURLConnectionOperation.h"

#include <QList>
#include <memory>

// Runs operations a few at a time on the main thread: waiting operations start by queue
// priority (higher first; equal priorities in the order they came), a cancelled one as soon as
// possible so it can finish. Keeps each operation until it finishes. Main thread only.
class OperationQueue
{
public:
    static constexpr int kDefaultMaxConcurrentOperationCount = 4;

    OperationQueue() = default;
    // Cancels what is still queued or running.
    ~OperationQueue();
    OperationQueue(const OperationQueue&) = delete;
    OperationQueue& operator=(const OperationQueue&) = delete;

    void addOperation(const std::shared_ptr<AFURLConnectionOperation>& operation);
    // Running first, then waiting ones in the order they will start.
    QList<std::shared_ptr<AFURLConnectionOperation>> operations() const;
    int operationCount() const { return int(m_running.size() + m_waiting.size()); }
    int maxConcurrentOperationCount() const { return m_maxConcurrent; }
    void setMaxConcurrentOperationCount(int count);
    void cancelAllOperations();

private:
    void startWaiting();
    void operationChanged(AFURLConnectionOperation& operation);

    int m_maxConcurrent = kDefaultMaxConcurrentOperationCount;
    QList<std::shared_ptr<AFURLConnectionOperation>> m_running;
    QList<std::shared_ptr<AFURLConnectionOperation>> m_waiting;
    bool m_starting = false;
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};
