#pragma once

#include "comm/CPrivateException.h"

#include <chrono>
#include <cstdint>
#include <string>

class CCommInterface;

// Saves, sets and restores the device's process-mode register 900 around a write sequence.
// Two locks are held from Enter to the way out: the device's write lock (one writer per
// device, for every program and user; CCommInterface::AcquireWriteLock) and the named lock
// "velk.processmode.privilege", shared by every thread of every instance of this user (a file
// lock in the runtime directory, released by the kernel when a process dies) and recursive for
// the owning thread, so guards nest. Either lock is waited for, up to a bound; a lock that
// cannot be had is a clear failure with nothing written, never a write without the mode.
class CProcessPrivilege {
public:
    static constexpr int kModeRegister = 900;
    static constexpr uint16_t kNoMode = 0xFFFF;
    static constexpr uint16_t kModeWrite = 1;
    static constexpr uint16_t kModeFactory = 5170;

    CProcessPrivilege() = default;
    // Restores as LeaveAfter does when the guard was not left (a failure is dropped here).
    virtual ~CProcessPrivilege();
    CProcessPrivilege(const CProcessPrivilege&) = delete;
    CProcessPrivilege& operator=(const CProcessPrivilege&) = delete;

    // Takes both locks, reads 900 into the saved mode and writes mode. Raises when a lock
    // cannot be had (nothing written) and on Modbus errors (the locks released again, the mode
    // put back if it was changed). Returns true; a second Enter on one guard returns false.
    bool Enter(uint16_t mode, CCommInterface& comm);
    // Writes the saved mode back (once more when the first write fails) and releases the
    // locks. Raises message 42000 when the device does not take it.
    void Leave();
    // The way out of a failed sequence: as Leave, but a failed restore adds message 42000 to
    // error instead of raising.
    void LeaveAfter(CPrivateException& error) noexcept;
    uint16_t SavedMode() const { return m_savedMode; }

    // Where the lock file lives: $XDG_RUNTIME_DIR, else the user's cache directory
    // ($XDG_CACHE_HOME or ~/.cache, in q3config/); never a directory other users can write.
    static std::string LockPath();
    // Another lock file, before the first guard is made (test processes that run side by side
    // must not see each other as a second instance).
    static void SetLockPath(const std::string& path);
    // How long Enter waits for another thread or instance (default 60 s; tests shorten it).
    static void SetLockWait(std::chrono::milliseconds wait);

private:
    bool Restore() noexcept;
    void Release() noexcept;

    uint16_t m_savedMode = kNoMode;
    CCommInterface* m_comm = nullptr;
    bool m_locked = false;
    bool m_writeLocked = false;
};

// Runs body inside process mode `mode`: Enter, body, Leave. When the body fails, the mode is
// put back on the way out, and a restore that fails too adds its warning to the error.
template <class Body> void InProcessMode(uint16_t mode, CCommInterface& comm, Body&& body) {
    CProcessPrivilege guard;
    guard.Enter(mode, comm);
    try {
        body();
    } catch (CPrivateException& error) {
        guard.LeaveAfter(error);
        throw;
    }
    guard.Leave();
}
