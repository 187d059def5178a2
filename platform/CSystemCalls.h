#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <termios.h>

// The one gate to the system calls of the core: files, serial ports, sockets and locks. The
// public operations retry on EINTR (one policy for all, but close and connect) and otherwise
// return the call's own result with errno set; ErrorText is the one errno-to-message path. The
// protected Do* hooks are the bare calls, so a test double (tests/support) can make any of them
// fail (EINTR, short write, ENOSPC, EACCES) and assert the exact outcome.
class CSystemCalls {
public:
    using Clock = std::chrono::steady_clock;

    virtual ~CSystemCalls() = default;
    // The process-wide instance that makes the real calls.
    static CSystemCalls& Real();
    // The gate the file code goes through: Real() unless a test put its double in place (while
    // no file operation runs); Use(nullptr) goes back to Real().
    static CSystemCalls& Current();
    static void Use(CSystemCalls* calls);

    int Open(const char* path, int flags, mode_t mode = 0);
    // Not retried: on Linux the descriptor is released even when close reports EINTR (Bind and
    // Rename are not retried either: an interrupted one may have taken effect).
    int Close(int fd);
    ssize_t Read(int fd, void* buffer, std::size_t size);
    ssize_t Write(int fd, const void* data, std::size_t size);
    // Waits until an event or the deadline (none: without limit); an EINTR resumes with the
    // time that is left. Returns poll's result (0 when the deadline has passed).
    int Poll(pollfd* fds, nfds_t count, std::optional<Clock::time_point> deadline);
    int TcGetAttr(int fd, termios* attributes);
    int TcSetAttr(int fd, int when, const termios* attributes);
    int TcFlush(int fd, int queue);
    int Ioctl(int fd, unsigned long request, void* argument);
    int Flock(int fd, int operation);
    int Socket(int domain, int type, int protocol);
    int Connect(int fd, const sockaddr* address, socklen_t length);
    ssize_t Send(int fd, const void* data, std::size_t size, int flags);
    ssize_t Recv(int fd, void* buffer, std::size_t size, int flags);
    int Bind(int fd, const sockaddr* address, socklen_t length);
    int Listen(int fd, int backlog);
    int Fsync(int fd);
    int Rename(const char* from, const char* to);
    int Unlink(const char* path);
    int Stat(const char* path, struct stat* st);
    int Lstat(const char* path, struct stat* st);
    int Fstat(int fd, struct stat* st);
    int Fchmod(int fd, mode_t mode);
    int Fchown(int fd, uid_t owner, gid_t group);
    int Access(const char* path, int mode);
    int Mkdir(const char* path, mode_t mode);
    int Kill(pid_t pid, int signal);
    // The target of a symbolic link, or empty with errno set.
    std::string ReadLink(const std::string& path);
    // The canonical absolute path, or empty with errno set.
    std::string RealPath(const std::string& path);
    // The names in a folder but "." and "..", or nothing when it cannot be read.
    std::vector<std::string> ListFolder(const std::string& path);
    void SleepMs(int ms);

    // Writes all of size bytes, continuing after short writes; false with errno on failure.
    bool WriteAll(int fd, const void* buffer, std::size_t size);
    // The one way a file is opened for reading (parameter, settings and table files): without
    // blocking (a FIFO would wait for a writer for ever), never as a controlling terminal, and
    // only a regular file. Returns the descriptor, or -1 with errno set (EINVAL: not a regular
    // file, EISDIR: a directory).
    int OpenRegularFile(const char* path);

    // The system's description of errno value error ("Permission denied").
    static std::string ErrorText(int error);

protected:
    virtual int DoOpen(const char* path, int flags, mode_t mode);
    virtual int DoClose(int fd);
    virtual ssize_t DoRead(int fd, void* buffer, std::size_t size);
    virtual ssize_t DoWrite(int fd, const void* data, std::size_t size);
    // timeout: null waits without limit.
    virtual int DoPoll(pollfd* fds, nfds_t count, const timespec* timeout);
    virtual int DoTcGetAttr(int fd, termios* attributes);
    virtual int DoTcSetAttr(int fd, int when, const termios* attributes);
    virtual int DoTcFlush(int fd, int queue);
    virtual int DoIoctl(int fd, unsigned long request, void* argument);
    virtual int DoFlock(int fd, int operation);
    virtual int DoSocket(int domain, int type, int protocol);
    virtual int DoConnect(int fd, const sockaddr* address, socklen_t length);
    virtual ssize_t DoSend(int fd, const void* data, std::size_t size, int flags);
    virtual ssize_t DoRecv(int fd, void* buffer, std::size_t size, int flags);
    virtual int DoFsync(int fd);
    virtual int DoRename(const char* from, const char* to);
};
