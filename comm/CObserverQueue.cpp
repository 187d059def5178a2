#include "comm/CObserverQueue.h"

CQueuedObserver::CQueuedObserver(IUiDispatcher& dispatcher)
    : m_dispatcher(dispatcher), m_self(std::make_shared<CQueuedObserver*>(this)) {}

CQueuedObserver::~CQueuedObserver() = default;

void CQueuedObserver::Update(CObservable* source) {
    std::weak_ptr<CQueuedObserver*> token = m_self;
    m_dispatcher.Post([token, source] {
        if (std::shared_ptr<CQueuedObserver*> self = token.lock())
            (*self)->OnObserverUpdate(source);
    });
}

void CQueueDispatcher::Post(std::function<void()> call) {
    {
        std::lock_guard lock(m_mutex);
        m_calls.push_back(std::move(call));
    }
    m_posted.notify_all();
}

std::size_t CQueueDispatcher::RunPending() {
    std::deque<std::function<void()>> calls;
    {
        std::lock_guard lock(m_mutex);
        calls.swap(m_calls);
    }
    for (auto& call : calls)
        call();
    return calls.size();
}

std::size_t CQueueDispatcher::WaitAndRun(std::chrono::milliseconds timeout) {
    {
        std::unique_lock lock(m_mutex);
        m_posted.wait_for(lock, timeout, [this] { return !m_calls.empty(); });
    }
    return RunPending();
}

std::size_t CQueueDispatcher::PendingCount() const {
    std::lock_guard lock(m_mutex);
    return m_calls.size();
}
