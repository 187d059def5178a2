#pragma once

#include "comm/CObservable.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

// One-shot watchdog of the Modbus TCP receive. The worker arms it before it blocks in the
// receive; when the time-out runs out first, the timer thread notifies its observers (on the
// timer thread), and the Modbus client's Update cuts the receive short. Guarantees:
//  - the notification comes when the armed time-out expires without a disarm;
//  - Disarm returns only when no notification of this cycle is still to come, so a late one
//    can never hit the next receive;
//  - Arm never blocks longer than 100 ms (it gives up silently instead).
// Observers must be added before the first Arm.
class CTimerThread : public CObservable {
public:
    CTimerThread();
    // Stops the thread.
    ~CTimerThread() override;

    void Arm(uint32_t timeoutMs);
    void Disarm();
    // Ends the thread and waits for it; the timer thread's only work is a notification, so the
    // wait is short. Idempotent.
    void Stop();

    // Cycles that ended in a notification since construction.
    uint64_t ExpiryCount() const;

private:
    using Clock = std::chrono::steady_clock;
    void Run();

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_armed = false;
    bool m_notifying = false;
    bool m_quit = false;
    uint64_t m_cycle = 0;
    uint64_t m_expiries = 0;
    Clock::time_point m_deadline;
    std::thread m_thread;
};
