#include "tables/FileCalls.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
int SysOpen(const char* path, int flags, mode_t mode) {
    return ::open(path, flags, mode);
}

ssize_t SysRead(int fd, void* buffer, std::size_t size) {
    return ::read(fd, buffer, size);
}

ssize_t SysWrite(int fd, const void* buffer, std::size_t size) {
    return ::write(fd, buffer, size);
}

constexpr FileCallTable kSystemCalls{SysOpen, SysRead, SysWrite, ::fsync, ::close, ::rename};
FileCallTable g_calls = kSystemCalls;
} // namespace

FileCallTable& FileCalls() {
    return g_calls;
}

void ResetFileCalls() {
    g_calls = kSystemCalls;
}

int OpenRetrying(const char* path, int flags, mode_t mode) {
    int fd;
    do
        fd = g_calls.open(path, flags, mode);
    while (fd < 0 && errno == EINTR);
    return fd;
}

ssize_t ReadRetrying(int fd, void* buffer, std::size_t size) {
    ssize_t n;
    do
        n = g_calls.read(fd, buffer, size);
    while (n < 0 && errno == EINTR);
    return n;
}

bool WriteAll(int fd, const void* buffer, std::size_t size) {
    const char* p = static_cast<const char*>(buffer);
    while (size > 0) {
        ssize_t n = g_calls.write(fd, p, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
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

int FsyncRetrying(int fd) {
    int rc;
    do
        rc = g_calls.fsync(fd);
    while (rc < 0 && errno == EINTR);
    return rc;
}

int OpenRegularFile(const char* path) {
    int fd = OpenRetrying(path, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0);
    if (fd < 0)
        return -1;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        int error = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        FileCalls().close(fd);
        errno = error;
        return -1;
    }
    return fd;
}
