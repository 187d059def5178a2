#pragma once

#include <cstdint>
#include <string>

class CCommInterface;

// Saves, sets and restores the device's process-mode register 900 around a write sequence.
// The named lock "velk.processmode.privilege" is shared by every thread of every running instance
// (a file lock in the runtime directory, released by the kernel when a process dies) and is
// recursive for the owning thread, so guards nest.
class CProcessPrivilege {
public:
    static constexpr int kModeRegister = 900;
    static constexpr uint16_t kNoMode = 0xFFFF;
    static constexpr uint16_t kModeWrite = 1;
    static constexpr uint16_t kModeFactory = 5170;

    CProcessPrivilege() = default;
    virtual ~CProcessPrivilege();
    CProcessPrivilege(const CProcessPrivilege&) = delete;
    CProcessPrivilege& operator=(const CProcessPrivilege&) = delete;

    // Takes the lock without waiting; when another thread or instance holds it nothing is written
    // and false is returned (the caller goes on without the mode change). Otherwise reads 900 into
    // the saved mode and writes mode. Modbus errors propagate (the lock is still released).
    bool Enter(uint16_t mode, CCommInterface& comm);
    uint16_t SavedMode() const { return m_savedMode; }

    // Where the lock file lives ($XDG_RUNTIME_DIR, else /tmp with the user id in the name).
    static const char* LockPath();
    // Another lock file, before the first guard is made (test processes that run side by side
    // must not see each other as a second instance).
    static void SetLockPath(const std::string& path);

private:
    uint16_t m_savedMode = kNoMode;
    CCommInterface* m_comm = nullptr;
    bool m_locked = false;
};
