#include "comm/CDeviceLock.h"

#include "comm/CPrivateException.h"
#include "comm/MessageFormat.h"
#include "platform/CSystemCalls.h"
#include "resources/CStringTable.h"
#include "resources/StringIds.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {
// The name in the abstract namespace: a leading NUL, then the text (not NUL-terminated).
socklen_t AddressOf(const std::string& key, sockaddr_un& address) {
    address = {};
    address.sun_family = AF_UNIX;
    std::string name = "q3config.device." + key;
    std::size_t size = std::min(name.size(), sizeof address.sun_path - 1);
    std::memcpy(address.sun_path + 1, name.data(), size);
    return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + size);
}
} // namespace

CDeviceLock::CDeviceLock(std::string key) : m_key(std::move(key)) {}

CDeviceLock::~CDeviceLock() {
    Unlock();
}

bool CDeviceLock::TryLock() {
    if (m_fd >= 0)
        return true;
    CSystemCalls& sys = CSystemCalls::Current();
    int fd = sys.Socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        throw CPrivateException(
            FormatInserts(LoadStr(kMsgDeviceLockFailed), {m_key, CSystemCalls::ErrorText(errno)}));
    sockaddr_un address;
    socklen_t length = AddressOf(m_key, address);
    if (sys.Bind(fd, reinterpret_cast<const sockaddr*>(&address), length) != 0) {
        int error = errno;
        sys.Close(fd);
        if (error == EADDRINUSE)
            return false;
        throw CPrivateException(
            FormatInserts(LoadStr(kMsgDeviceLockFailed), {m_key, CSystemCalls::ErrorText(error)}));
    }
    // Listening lets a waiter connect and see the hang-up the moment the holder lets go.
    sys.Listen(fd, 16);
    m_fd = fd;
    return true;
}

void CDeviceLock::WaitForRelease(int ms) const {
    CSystemCalls& sys = CSystemCalls::Current();
    int fd = sys.Socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return;
    sockaddr_un address;
    socklen_t length = AddressOf(m_key, address);
    if (sys.Connect(fd, reinterpret_cast<const sockaddr*>(&address), length) == 0) {
        // Never accepted: the connection ends (POLLHUP) when the holder's socket closes.
        pollfd p{fd, POLLIN, 0};
        sys.Poll(&p, 1, CSystemCalls::Clock::now() + std::chrono::milliseconds(ms));
    } else {
        // Between a holder's bind and listen, or a backlog that is full: try again shortly.
        sys.SleepMs(std::min(ms, 10));
    }
    sys.Close(fd);
}

void CDeviceLock::Unlock() {
    if (m_fd < 0)
        return;
    CSystemCalls::Current().Close(m_fd);
    m_fd = -1;
}
