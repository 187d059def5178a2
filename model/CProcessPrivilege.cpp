#include "model/CProcessPrivilege.h"

#include "comm/CCommInterface.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <mutex>
#include <string>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

namespace {
// Process side of the named lock: which thread owns it and how deep; the file lock makes it
// system-wide. One descriptor per process, since flock locks belong to the open file.
class CNamedLock {
public:
    static CNamedLock& Instance() {
        static CNamedLock lock;
        return lock;
    }

    bool TryLock() {
        std::lock_guard guard(m_mutex);
        if (m_depth > 0) {
            if (m_owner != std::this_thread::get_id())
                return false;
            ++m_depth;
            return true;
        }
        if (m_fd >= 0) {
            int rc;
            do {
                rc = ::flock(m_fd, LOCK_EX | LOCK_NB);
            } while (rc != 0 && errno == EINTR);
            if (rc != 0)
                return false;
        }
        m_owner = std::this_thread::get_id();
        m_depth = 1;
        return true;
    }

    void Unlock() {
        std::lock_guard guard(m_mutex);
        if (m_depth == 0 || m_owner != std::this_thread::get_id())
            return;
        if (--m_depth == 0) {
            m_owner = {};
            if (m_fd >= 0)
                ::flock(m_fd, LOCK_UN);
        }
    }

private:
    CNamedLock() {
        // Without a lock file the lock still serialises the threads of this process.
        m_fd = ::open(CProcessPrivilege::LockPath(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    }

    std::mutex m_mutex;
    std::thread::id m_owner;
    int m_depth = 0;
    int m_fd = -1;
};
} // namespace

namespace {
std::string& LockPathSetting() {
    static std::string path = [] {
        const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        if (runtime && *runtime && ::access(runtime, W_OK) == 0)
            return std::string(runtime) + "/velk.processmode.privilege.lock";
        return "/tmp/velk.processmode.privilege-" + std::to_string(::getuid()) + ".lock";
    }();
    return path;
}
} // namespace

const char* CProcessPrivilege::LockPath() {
    return LockPathSetting().c_str();
}

void CProcessPrivilege::SetLockPath(const std::string& path) {
    LockPathSetting() = path;
}

bool CProcessPrivilege::Enter(uint16_t mode, CCommInterface& comm) {
    if (m_locked || !CNamedLock::Instance().TryLock())
        return false;
    m_locked = true;
    m_comm = &comm;
    uint16_t saved = comm.ReadUInt16(kModeRegister);
    m_savedMode = saved;
    comm.WriteUInt16(kModeRegister, mode);
    return true;
}

CProcessPrivilege::~CProcessPrivilege() {
    if (m_savedMode != kNoMode && m_comm) {
        try {
            m_comm->WriteUInt16(kModeRegister, m_savedMode);
        } catch (...) {
            // Restoring is best effort: the device may be gone, which is why we are unwinding.
        }
    }
    // Released even when reading the mode failed, so a failed exchange never leaves it held.
    if (m_locked)
        CNamedLock::Instance().Unlock();
}
