#pragma once

#include <atomic>

// Process-wide state the parameter sets read: the display temperature unit and the privileged
// mode. Written on the window thread, read by the device threads too.
class CModelContext {
public:
    static int TempUnit() { return s_tempUnit.load(std::memory_order_relaxed); }
    static void SetTempUnit(int unit) { s_tempUnit.store(unit, std::memory_order_relaxed); }
    static bool Privileged() { return s_privileged.load(std::memory_order_relaxed); }
    static void SetPrivileged(bool on) { s_privileged.store(on, std::memory_order_relaxed); }

private:
    static inline std::atomic<int> s_tempUnit{0};
    static inline std::atomic<bool> s_privileged{false};
};
