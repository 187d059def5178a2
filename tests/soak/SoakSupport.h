#pragma once

#include "comm/CObserverQueue.h"
#include "comm/CommSettings.h"
#include "device/CDeviceInterfaceThread.h"

#include <chrono>
#include <cstddef>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

namespace soak {
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

inline long ElapsedMs(Clock::time_point since) {
    return static_cast<long>(
        std::chrono::duration_cast<milliseconds>(Clock::now() - since).count());
}

// Resident set size of this process in bytes (/proc/self/statm, second field, in pages).
inline long ResidentBytes() {
    std::ifstream statm("/proc/self/statm");
    long size = 0;
    long resident = 0;
    statm >> size >> resident;
    return resident * ::sysconf(_SC_PAGESIZE);
}

// An integer from the environment, or def when unset or not a positive number.
inline int EnvSeconds(const char* name, int def) {
    const char* text = std::getenv(name);
    int value = text ? std::atoi(text) : 0;
    return value > 0 ? value : def;
}

inline CommSettings SerialSettings(const std::string& path) {
    CommSettings s;
    s.portName = path;
    s.portDisplayName = "simulator";
    return s;
}

// The window's side of a device interface thread: each notification runs on the thread that
// drains the dispatcher, where the test reads the results, as the main window does.
class CThreadWatcher : public CQueuedObserver {
public:
    struct Seen {
        int command = -1;
        bool valid = false;
        std::string error; // the stored error of a transfer
    };

    explicit CThreadWatcher(IUiDispatcher& dispatcher) : CQueuedObserver(dispatcher) {}

    // Set by the notification's handler; cleared by Take.
    bool arrived = false;
    Seen last;
    // Called inside the handler, after last is filled (re-posting the next poll, for instance).
    std::function<void(CDeviceInterfaceThread&)> then;

protected:
    void OnObserverUpdate(CObservable* source) override {
        auto* thread = dynamic_cast<CDeviceInterfaceThread*>(source);
        if (thread == nullptr)
            return;
        last.command = thread->LastCommand();
        last.valid = thread->Device().IsDeviceValid();
        const CPrivateException* error = thread->StoredError();
        last.error = error ? error->Message() : "";
        arrived = true;
        if (then)
            then(*thread);
    }
};

// Drains the dispatcher until the watcher has seen a notification or the bound has passed.
// True when one arrived (and clears the flag for the next).
inline bool WaitForNotification(CQueueDispatcher& dispatcher, CThreadWatcher& watcher,
                                milliseconds bound) {
    Clock::time_point end = Clock::now() + bound;
    while (!watcher.arrived) {
        auto left = std::chrono::duration_cast<milliseconds>(end - Clock::now());
        if (left.count() <= 0)
            return false;
        dispatcher.WaitAndRun(std::min(left, milliseconds(50)));
    }
    watcher.arrived = false;
    return true;
}

// The memory check is only meaningful without a sanitizer: their allocators keep freed memory
// in quarantine and grow shadow memory by design.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
inline constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
inline constexpr bool kSanitized = true;
#else
inline constexpr bool kSanitized = false;
#endif
#else
inline constexpr bool kSanitized = false;
#endif
} // namespace soak
