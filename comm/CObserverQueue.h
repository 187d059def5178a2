#pragma once

#include "comm/CObserver.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

// Queues calls onto one thread (the GUI thread), in the order posted. The Qt side implements
// Post with QMetaObject::invokeMethod(receiver, call, Qt::QueuedConnection).
class IUiDispatcher {
public:
    virtual ~IUiDispatcher() = default;
    // Thread-safe; returns at once. Calls posted from one thread run in posting order.
    virtual void Post(std::function<void()> call) = 0;
};

// An observer that lives on the dispatcher's thread (a window): Update, called on any thread,
// only posts; OnObserverUpdate then runs on the dispatcher's thread. Updates still queued when
// the observer is destroyed are dropped. Destroy the observer on the dispatcher's thread, and
// only after every subject that may call its Update has stopped notifying.
class CQueuedObserver : public CObserver {
public:
    explicit CQueuedObserver(IUiDispatcher& dispatcher);
    ~CQueuedObserver() override;
    CQueuedObserver(const CQueuedObserver&) = delete;
    CQueuedObserver& operator=(const CQueuedObserver&) = delete;

    void Update(CObservable* source) final;

protected:
    // On the dispatcher's thread. source may already be gone only if its owner broke the rule
    // above; subjects that notify a window are deleted from that window's own handler.
    virtual void OnObserverUpdate(CObservable* source) = 0;

private:
    IUiDispatcher& m_dispatcher;
    // Liveness token: posted calls hold a weak reference and do nothing once it has expired.
    std::shared_ptr<CQueuedObserver*> m_self;
};

// A plain FIFO dispatcher whose calls run on whichever thread drains it (tests, q3cli).
class CQueueDispatcher : public IUiDispatcher {
public:
    void Post(std::function<void()> call) override;
    // Runs the calls queued so far, in order, on the calling thread; returns how many ran.
    std::size_t RunPending();
    // Waits up to timeout until a call is queued, then runs the pending ones.
    std::size_t WaitAndRun(std::chrono::milliseconds timeout);
    std::size_t PendingCount() const;

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_posted;
    std::deque<std::function<void()>> m_calls;
};
