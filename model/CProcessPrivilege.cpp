#include "model/CProcessPrivilege.h"

#include "comm/CCommInterface.h"
#include "comm/MessageFormat.h"
#include "platform/CSystemCalls.h"
#include "resources/CStringTable.h"
#include "resources/StringIds.h"

#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
std::string& LockPathSetting() {
    static std::string path;
    return path;
}

std::chrono::milliseconds& LockWaitSetting() {
    static std::chrono::milliseconds wait{60000};
    return wait;
}

// A directory of our own: owned by this user and writable by nobody else.
bool IsPrivateDirectory(const std::string& path) {
    struct stat st {};
    CSystemCalls& sys = CSystemCalls::Current();
    return sys.Stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid() &&
           (st.st_mode & (S_IWGRP | S_IWOTH)) == 0 && sys.Access(path.c_str(), W_OK) == 0;
}

std::string DefaultLockPath() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && *runtime == '/' && IsPrivateDirectory(runtime))
        return std::string(runtime) + "/velk.processmode.privilege.lock";
    std::string cache;
    if (const char* xdg = std::getenv("XDG_CACHE_HOME"); xdg && *xdg == '/')
        cache = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home == '/')
        cache = std::string(home) + "/.cache";
    if (cache.empty())
        return {};
    CSystemCalls::Current().Mkdir(cache.c_str(), 0700);
    std::string dir = cache + "/q3config";
    CSystemCalls::Current().Mkdir(dir.c_str(), 0700);
    if (!IsPrivateDirectory(dir))
        return {};
    return dir + "/velk.processmode.privilege.lock";
}

std::string DeviceName(const CCommInterface& comm) {
    return comm.CurrentSettings().ShownPortName();
}

// Process side of the named lock: which thread owns it and how deep; the file lock makes it
// system-wide. One descriptor per process, since flock locks belong to the open file.
class CNamedLock {
public:
    static CNamedLock& Instance() {
        static CNamedLock lock;
        return lock;
    }

    // Waits up to the lock wait. False when another thread or instance still holds it then;
    // raises 42005 when the lock file cannot be had.
    bool Lock(const CCommInterface& device) {
        using Clock = std::chrono::steady_clock;
        const auto giveUp = Clock::now() + LockWaitSetting();
        for (;;) {
            if (TryLock(device))
                return true;
            if (Clock::now() >= giveUp)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }

    void Unlock() {
        std::lock_guard guard(m_mutex);
        if (m_depth == 0 || m_owner != std::this_thread::get_id())
            return;
        if (--m_depth == 0) {
            m_owner = {};
            CSystemCalls::Current().Flock(m_fd, LOCK_UN);
        }
    }

private:
    bool TryLock(const CCommInterface& device) {
        std::lock_guard guard(m_mutex);
        if (m_depth > 0) {
            if (m_owner != std::this_thread::get_id())
                return false;
            ++m_depth;
            return true;
        }
        if (m_fd < 0)
            Open(device);
        if (CSystemCalls::Current().Flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
            if (errno != EWOULDBLOCK)
                throw Failure(device, errno);
            return false;
        }
        m_owner = std::this_thread::get_id();
        m_depth = 1;
        return true;
    }

    void Open(const CCommInterface& device) {
        if (LockPathSetting().empty())
            LockPathSetting() = DefaultLockPath();
        const std::string& path = LockPathSetting();
        if (path.empty())
            throw Failure(device, ENOENT);
        // Never follow a link another user may have planted in place of the file.
        m_fd = CSystemCalls::Current().Open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW,
                                            0600);
        if (m_fd < 0)
            throw Failure(device, errno);
    }

    static CPrivateException Failure(const CCommInterface& device, int error) {
        return CPrivateException(FormatInserts(
            LoadStr(kMsgDeviceLockFailed), {DeviceName(device), CSystemCalls::ErrorText(error)}));
    }

    std::mutex m_mutex;
    std::thread::id m_owner;
    int m_depth = 0;
    int m_fd = -1;
};

} // namespace

std::string CProcessPrivilege::LockPath() {
    if (LockPathSetting().empty())
        LockPathSetting() = DefaultLockPath();
    return LockPathSetting();
}

void CProcessPrivilege::SetLockPath(const std::string& path) {
    LockPathSetting() = path;
}

void CProcessPrivilege::SetLockWait(std::chrono::milliseconds wait) {
    LockWaitSetting() = wait;
}

bool CProcessPrivilege::Enter(uint16_t mode, CCommInterface& comm) {
    if (m_comm)
        return false;
    // The device first, then the mode lock: every write sequence takes them in this order.
    comm.AcquireWriteLock();
    m_comm = &comm;
    m_writeLocked = true;
    try {
        if (!CNamedLock::Instance().Lock(comm)) {
            auto seconds = std::chrono::duration_cast<std::chrono::seconds>(LockWaitSetting());
            throw CPrivateException(
                FormatInserts(LoadStr(kMsgDeviceBusyGaveUp),
                              {DeviceName(comm),
                               static_cast<long long>(std::max<long long>(1, seconds.count()))}));
        }
        m_locked = true;
        uint16_t saved = comm.ReadUInt16(kModeRegister);
        m_savedMode = saved;
        comm.WriteUInt16(kModeRegister, mode);
    } catch (CPrivateException& error) {
        // The mode write may have reached the device although its answer did not come back.
        LeaveAfter(error);
        throw;
    }
    return true;
}

bool CProcessPrivilege::Restore() noexcept {
    if (m_savedMode == kNoMode || !m_comm)
        return true;
    // Restoring goes out even while the operation is being cancelled.
    CCancelShield shield(*m_comm);
    for (int round = 0; round < 2; ++round) {
        try {
            m_comm->WriteUInt16(kModeRegister, m_savedMode);
            return true;
        } catch (...) {
        }
    }
    return false;
}

void CProcessPrivilege::Release() noexcept {
    if (m_locked)
        CNamedLock::Instance().Unlock();
    if (m_writeLocked && m_comm)
        m_comm->ReleaseWriteLock();
    m_locked = false;
    m_writeLocked = false;
    m_savedMode = kNoMode;
    m_comm = nullptr;
}

void CProcessPrivilege::Leave() {
    uint16_t saved = m_savedMode;
    bool restored = Restore();
    Release();
    if (!restored)
        throw CPrivateException(
            FormatInserts(LoadStr(kMsgModeNotRestored), {static_cast<long long>(saved)}));
}

void CProcessPrivilege::LeaveAfter(CPrivateException& error) noexcept {
    uint16_t saved = m_savedMode;
    bool restored = Restore();
    Release();
    if (!restored) {
        try {
            error.AddLine(
                FormatInserts(LoadStr(kMsgModeNotRestored), {static_cast<long long>(saved)}));
        } catch (...) {
        }
    }
}

CProcessPrivilege::~CProcessPrivilege() {
    Restore();
    Release();
}
