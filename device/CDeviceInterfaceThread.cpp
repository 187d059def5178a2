#include "device/CDeviceInterfaceThread.h"

#include "model/CParBase.h"

CDeviceInterfaceThread::CDeviceInterfaceThread()
    : m_requestTime(Clock::now()), m_lastWriteTime(m_requestTime), m_thread([this] { Run(); }) {}

CDeviceInterfaceThread::~CDeviceInterfaceThread() {
    // Not joinable when the worker owns and deletes itself.
    if (m_thread.joinable()) {
        PostCommand(kQuit);
        m_thread.join();
    }
}

void CDeviceInterfaceThread::PostCommand(int command) {
    {
        std::lock_guard lock(m_queueMutex);
        m_queue.push_back(command);
    }
    m_queueChanged.notify_all();
}

bool CDeviceInterfaceThread::Stop(std::chrono::milliseconds wait) {
    PostCommand(kQuit);
    std::unique_lock lock(m_queueMutex);
    if (!m_queueChanged.wait_for(lock, wait, [this] { return m_ended; }))
        return false;
    lock.unlock();
    if (m_thread.joinable())
        m_thread.join();
    return true;
}

void CDeviceInterfaceThread::StopAndRelease(std::unique_ptr<CDeviceInterfaceThread> thread,
                                            std::chrono::milliseconds wait) {
    if (!thread)
        return;
    if (thread->Stop(wait))
        return; // ended and joined; the unique_ptr frees it
    {
        // No more notifications: the observers may be gone by the time the command ends.
        std::lock_guard lock(thread->m_notifyMutex);
        thread->m_silenced = true;
    }
    std::unique_lock lock(thread->m_queueMutex);
    if (thread->m_ended) {
        lock.unlock();
        thread->m_thread.join();
        return;
    }
    // The worker owns itself from here. Commands behind the running one had borrowed things
    // (the set to download) from an owner that is going away.
    thread->m_queue.assign(1, kQuit);
    thread->m_selfOwned = true;
    thread->m_thread.detach();
    lock.unlock();
    thread.release();
}

bool CDeviceInterfaceThread::HasEnded() const {
    std::lock_guard lock(m_queueMutex);
    return m_ended;
}

void CDeviceInterfaceThread::SetAdjustInfo(const CAdjustInfo& info) {
    std::lock_guard lock(m_inputMutex);
    m_adjust = info;
}

CAdjustInfo CDeviceInterfaceThread::GetAdjustInfo() const {
    std::lock_guard lock(m_inputMutex);
    return m_adjust;
}

void CDeviceInterfaceThread::SetRequestTime(Clock::time_point time) {
    std::lock_guard lock(m_inputMutex);
    m_requestTime = time;
}

CDeviceInterfaceThread::Clock::time_point CDeviceInterfaceThread::RequestTime() const {
    std::lock_guard lock(m_inputMutex);
    return m_requestTime;
}

CDeviceInterfaceThread::Clock::time_point CDeviceInterfaceThread::LastWriteTime() const {
    std::lock_guard lock(m_inputMutex);
    return m_lastWriteTime;
}

void CDeviceInterfaceThread::RequestAdjustmentWrite(const CAdjustInfo& info) {
    {
        std::lock_guard lock(m_inputMutex);
        m_adjust = info;
        m_requestTime = Clock::now();
    }
    PostCommand(kWriteAdjustments);
}

void CDeviceInterfaceThread::SetDownloadSet(const CParBase* set) {
    std::lock_guard lock(m_inputMutex);
    m_downloadSet = set;
}

void CDeviceInterfaceThread::SetIdentifiedSet(const CParBase* set) {
    std::lock_guard lock(m_inputMutex);
    m_identifiedSet = set;
}

void CDeviceInterfaceThread::Run() {
    for (;;) {
        int command;
        {
            std::unique_lock lock(m_queueMutex);
            m_queueChanged.wait(lock, [this] { return !m_queue.empty(); });
            command = m_queue.front();
            m_queue.pop_front();
        }
        m_lastCommand = command;
        if (command == kQuit)
            break;
        Handle(command);
    }
    bool selfOwned;
    {
        std::lock_guard lock(m_queueMutex);
        m_ended = true;
        selfOwned = m_selfOwned;
        // Under the lock: an owner that sees m_ended may destroy the object right after.
        m_queueChanged.notify_all();
    }
    if (selfOwned)
        delete this; // detached; nothing touches the object after this
}

void CDeviceInterfaceThread::Notify() {
    std::lock_guard lock(m_notifyMutex);
    if (!m_silenced)
        NotifyObservers();
}

template <class Operation> void CDeviceInterfaceThread::RunStoringError(Operation operation) {
    // A stale error of an earlier transfer must not report this one as failed.
    m_storedError.reset();
    try {
        operation();
    } catch (const CPrivateException& e) {
        m_storedError = std::make_unique<CPrivateException>(e);
    } catch (const std::exception& e) {
        m_storedError = std::make_unique<CPrivateException>(e.what());
    } catch (...) {
        m_storedError = std::make_unique<CPrivateException>("Unexpected error.");
    }
}

void CDeviceInterfaceThread::Handle(int command) {
    switch (command) {
    case kPoll:
        // A failed poll shows only as the cleared device-valid flag.
        try {
            m_device.Poll();
        } catch (...) {
        }
        Notify();
        break;
    case kWriteAdjustments: {
        CAdjustInfo info;
        {
            std::lock_guard lock(m_inputMutex);
            // Older than the last write: that write already carried newer values.
            if (m_lastWriteTime > m_requestTime)
                break;
            m_lastWriteTime = Clock::now();
            info = m_adjust;
        }
        // A failed write is retried by the next command 2.
        try {
            m_device.WriteAdjustments(info);
        } catch (...) {
        }
        break;
    }
    case kUpload: {
        const CParBase* identified;
        {
            std::lock_guard lock(m_inputMutex);
            identified = m_identifiedSet;
        }
        RunStoringError([this, identified] { m_device.Upload(identified); });
        Notify();
        break;
    }
    case kDownload: {
        const CParBase* set;
        {
            std::lock_guard lock(m_inputMutex);
            set = m_downloadSet;
        }
        RunStoringError([this, set] {
            if (set == nullptr)
                throw CPrivateException("No parameter set to download.");
            m_device.Download(*set);
        });
        Notify();
        break;
    }
    default:
        break;
    }
}
