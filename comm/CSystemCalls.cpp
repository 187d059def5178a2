#include "comm/CSystemCalls.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {
template <class Call> auto RetryOnEintr(Call call) {
    for (;;) {
        auto result = call();
        if (!(result < 0 && errno == EINTR))
            return result;
    }
}
} // namespace

CSystemCalls& CSystemCalls::Real() {
    static CSystemCalls instance;
    return instance;
}

int CSystemCalls::Open(const char* path, int flags) {
    return RetryOnEintr([&] { return DoOpen(path, flags); });
}

int CSystemCalls::Close(int fd) {
    return DoClose(fd);
}

ssize_t CSystemCalls::Read(int fd, void* buffer, std::size_t size) {
    return RetryOnEintr([&] { return DoRead(fd, buffer, size); });
}

ssize_t CSystemCalls::Write(int fd, const void* data, std::size_t size) {
    return RetryOnEintr([&] { return DoWrite(fd, data, size); });
}

int CSystemCalls::Poll(pollfd* fds, nfds_t count, std::optional<Clock::time_point> deadline) {
    for (;;) {
        int timeoutMs = -1;
        if (deadline) {
            auto left = *deadline - Clock::now();
            // Round up so that a wait never ends just before the deadline and spins.
            auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
            timeoutMs = ms <= 0 ? 0 : static_cast<int>(ms);
        }
        int result = DoPoll(fds, count, timeoutMs);
        if (!(result < 0 && errno == EINTR))
            return result;
    }
}

int CSystemCalls::TcGetAttr(int fd, termios* attributes) {
    return RetryOnEintr([&] { return DoTcGetAttr(fd, attributes); });
}

int CSystemCalls::TcSetAttr(int fd, int when, const termios* attributes) {
    return RetryOnEintr([&] { return DoTcSetAttr(fd, when, attributes); });
}

int CSystemCalls::TcFlush(int fd, int queue) {
    return RetryOnEintr([&] { return DoTcFlush(fd, queue); });
}

int CSystemCalls::TcDrain(int fd) {
    return RetryOnEintr([&] { return DoTcDrain(fd); });
}

int CSystemCalls::Ioctl(int fd, unsigned long request, void* argument) {
    return RetryOnEintr([&] { return DoIoctl(fd, request, argument); });
}

int CSystemCalls::Flock(int fd, int operation) {
    return RetryOnEintr([&] { return DoFlock(fd, operation); });
}

int CSystemCalls::Socket(int domain, int type, int protocol) {
    return RetryOnEintr([&] { return DoSocket(domain, type, protocol); });
}

int CSystemCalls::Connect(int fd, const sockaddr* address, socklen_t length) {
    // A connect interrupted by a signal goes on in the background; the caller waits for it
    // with poll like for a non-blocking connect, so EINTR is handed back as EINPROGRESS.
    int result = DoConnect(fd, address, length);
    if (result < 0 && errno == EINTR)
        errno = EINPROGRESS;
    return result;
}

ssize_t CSystemCalls::Send(int fd, const void* data, std::size_t size, int flags) {
    return RetryOnEintr([&] { return DoSend(fd, data, size, flags); });
}

ssize_t CSystemCalls::Recv(int fd, void* buffer, std::size_t size, int flags) {
    return RetryOnEintr([&] { return DoRecv(fd, buffer, size, flags); });
}

std::string CSystemCalls::ErrorText(int error) {
    char buffer[256];
    // GNU strerror_r returns the text, which may or may not live in buffer.
    return strerror_r(error, buffer, sizeof buffer);
}

int CSystemCalls::DoOpen(const char* path, int flags) {
    return ::open(path, flags);
}
int CSystemCalls::DoClose(int fd) {
    return ::close(fd);
}
ssize_t CSystemCalls::DoRead(int fd, void* buffer, std::size_t size) {
    return ::read(fd, buffer, size);
}
ssize_t CSystemCalls::DoWrite(int fd, const void* data, std::size_t size) {
    return ::write(fd, data, size);
}
int CSystemCalls::DoPoll(pollfd* fds, nfds_t count, int timeoutMs) {
    return ::poll(fds, count, timeoutMs);
}
int CSystemCalls::DoTcGetAttr(int fd, termios* attributes) {
    return ::tcgetattr(fd, attributes);
}
int CSystemCalls::DoTcSetAttr(int fd, int when, const termios* attributes) {
    return ::tcsetattr(fd, when, attributes);
}
int CSystemCalls::DoTcFlush(int fd, int queue) {
    return ::tcflush(fd, queue);
}
int CSystemCalls::DoTcDrain(int fd) {
    return ::tcdrain(fd);
}
int CSystemCalls::DoIoctl(int fd, unsigned long request, void* argument) {
    return ::ioctl(fd, request, argument);
}
int CSystemCalls::DoFlock(int fd, int operation) {
    return ::flock(fd, operation);
}
int CSystemCalls::DoSocket(int domain, int type, int protocol) {
    return ::socket(domain, type, protocol);
}
int CSystemCalls::DoConnect(int fd, const sockaddr* address, socklen_t length) {
    return ::connect(fd, address, length);
}
ssize_t CSystemCalls::DoSend(int fd, const void* data, std::size_t size, int flags) {
    return ::send(fd, data, size, flags);
}
ssize_t CSystemCalls::DoRecv(int fd, void* buffer, std::size_t size, int flags) {
    return ::recv(fd, buffer, size, flags);
}
