#include "platform/CSystemCalls.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include <dirent.h>
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

namespace {
std::atomic<CSystemCalls*> g_current{nullptr};
} // namespace

CSystemCalls& CSystemCalls::Real() {
    static CSystemCalls instance;
    return instance;
}

CSystemCalls& CSystemCalls::Current() {
    CSystemCalls* calls = g_current.load();
    return calls ? *calls : Real();
}

void CSystemCalls::Use(CSystemCalls* calls) {
    g_current.store(calls);
}

int CSystemCalls::Open(const char* path, int flags, mode_t mode) {
    return RetryOnEintr([&] { return DoOpen(path, flags, mode); });
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
        // Nanoseconds, not milliseconds: a timed pause on the line ends when it is due, not up
        // to a millisecond later.
        timespec left{};
        if (deadline) {
            auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(*deadline - Clock::now())
                          .count();
            if (ns > 0)
                left = {static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
        }
        int result = DoPoll(fds, count, deadline ? &left : nullptr);
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

// Not retried: an interrupted bind or rename may have taken effect, and a retry would then
// report a failure that did not happen.
int CSystemCalls::Bind(int fd, const sockaddr* address, socklen_t length) {
    return ::bind(fd, address, length);
}

int CSystemCalls::Listen(int fd, int backlog) {
    return ::listen(fd, backlog);
}

int CSystemCalls::Fsync(int fd) {
    return RetryOnEintr([&] { return DoFsync(fd); });
}

int CSystemCalls::Rename(const char* from, const char* to) {
    return DoRename(from, to);
}

int CSystemCalls::Unlink(const char* path) {
    return RetryOnEintr([&] { return ::unlink(path); });
}

int CSystemCalls::Stat(const char* path, struct stat* st) {
    return RetryOnEintr([&] { return ::stat(path, st); });
}

int CSystemCalls::Lstat(const char* path, struct stat* st) {
    return RetryOnEintr([&] { return ::lstat(path, st); });
}

int CSystemCalls::Fstat(int fd, struct stat* st) {
    return RetryOnEintr([&] { return ::fstat(fd, st); });
}

int CSystemCalls::Fchmod(int fd, mode_t mode) {
    return RetryOnEintr([&] { return ::fchmod(fd, mode); });
}

int CSystemCalls::Fchown(int fd, uid_t owner, gid_t group) {
    return RetryOnEintr([&] { return ::fchown(fd, owner, group); });
}

int CSystemCalls::Access(const char* path, int mode) {
    return RetryOnEintr([&] { return ::access(path, mode); });
}

int CSystemCalls::Mkdir(const char* path, mode_t mode) {
    return RetryOnEintr([&] { return ::mkdir(path, mode); });
}

int CSystemCalls::Kill(pid_t pid, int signal) {
    return ::kill(pid, signal);
}

std::string CSystemCalls::ReadLink(const std::string& path) {
    char buffer[PATH_MAX];
    ssize_t n = ::readlink(path.c_str(), buffer, sizeof buffer - 1);
    return n < 0 ? std::string() : std::string(buffer, static_cast<std::size_t>(n));
}

std::string CSystemCalls::RealPath(const std::string& path) {
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (!resolved)
        return {};
    std::string result = resolved;
    std::free(resolved);
    return result;
}

std::vector<std::string> CSystemCalls::ListFolder(const std::string& path) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(path.c_str());
    if (!dir)
        return names;
    while (dirent* entry = ::readdir(dir)) {
        std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(std::move(name));
    }
    ::closedir(dir);
    return names;
}

void CSystemCalls::SleepMs(int ms) {
    ::usleep(static_cast<useconds_t>(ms) * 1000);
}

bool CSystemCalls::WriteAll(int fd, const void* buffer, std::size_t size) {
    const char* p = static_cast<const char*>(buffer);
    while (size > 0) {
        ssize_t n = Write(fd, p, size);
        if (n < 0)
            return false;
        if (n == 0) {
            // A regular file never accepts zero bytes without an error; do not spin.
            errno = EIO;
            return false;
        }
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

int CSystemCalls::OpenRegularFile(const char* path) {
    int fd = Open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return -1;
    struct stat st;
    int error = 0;
    if (Fstat(fd, &st) != 0)
        error = errno;
    else if (!S_ISREG(st.st_mode))
        error = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    if (error == 0)
        return fd;
    Close(fd);
    errno = error;
    return -1;
}

std::string CSystemCalls::ErrorText(int error) {
    char buffer[256];
    // GNU strerror_r returns the text, which may or may not live in buffer.
    return strerror_r(error, buffer, sizeof buffer);
}

int CSystemCalls::DoOpen(const char* path, int flags, mode_t mode) {
    return ::open(path, flags, mode);
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
int CSystemCalls::DoPoll(pollfd* fds, nfds_t count, const timespec* timeout) {
    return ::ppoll(fds, count, timeout, nullptr);
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
int CSystemCalls::DoFsync(int fd) {
    return ::fsync(fd);
}
int CSystemCalls::DoRename(const char* from, const char* to) {
    return ::rename(from, to);
}
