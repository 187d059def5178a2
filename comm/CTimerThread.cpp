#include "comm/CTimerThread.h"

CTimerThread::CTimerThread() : m_thread([this] { Run(); }) {}

CTimerThread::~CTimerThread() {
    Stop();
}

void CTimerThread::Arm(uint32_t timeoutMs) {
    std::unique_lock lock(m_mutex);
    // A notification of an earlier, undisarmed cycle still running: wait for it, within limits.
    if (!m_changed.wait_for(lock, std::chrono::milliseconds(100), [this] { return !m_notifying; }))
        return;
    m_armed = true;
    ++m_cycle;
    m_deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    m_changed.notify_all();
}

void CTimerThread::Disarm() {
    std::unique_lock lock(m_mutex);
    m_armed = false;
    m_changed.notify_all();
    m_changed.wait(lock, [this] { return !m_notifying; });
}

void CTimerThread::Stop() {
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
        m_armed = false;
    }
    m_changed.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

uint64_t CTimerThread::ExpiryCount() const {
    std::lock_guard lock(m_mutex);
    return m_expiries;
}

void CTimerThread::Run() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_quit || m_armed; });
        if (m_quit)
            return;
        const uint64_t cycle = m_cycle;
        bool ended = m_changed.wait_until(
            lock, m_deadline, [this, cycle] { return m_quit || !m_armed || m_cycle != cycle; });
        if (ended)
            continue;
        // Expired while armed: the decision is taken under the lock, so a Disarm either came
        // first (no notification) or waits below until the notification has returned.
        m_notifying = true;
        m_armed = false;
        ++m_expiries;
        lock.unlock();
        NotifyObservers();
        lock.lock();
        m_notifying = false;
        m_changed.notify_all();
    }
}
