#pragma once

#include <chrono>
#include <optional>
#include <string>

#include <poll.h>
#include <sys/socket.h>
#include <sys/types.h>
#include <termios.h>

// The one gate to the system calls of the serial port and the TCP transport. The public
// operations retry on EINTR and otherwise return the call's own result with errno set; the
// protected Do* hooks are the bare calls, so a test can derive and make read, write, open or
// tcsetattr fail (EINTR, short write, EACCES) and assert the exact outcome.
class CSystemCalls {
public:
    using Clock = std::chrono::steady_clock;

    virtual ~CSystemCalls() = default;
    // The process-wide instance that makes the real calls.
    static CSystemCalls& Real();

    int Open(const char* path, int flags);
    // Not retried: on Linux the descriptor is released even when close reports EINTR.
    int Close(int fd);
    ssize_t Read(int fd, void* buffer, std::size_t size);
    ssize_t Write(int fd, const void* data, std::size_t size);
    // Waits until an event or the deadline (none: without limit); an EINTR resumes with the
    // time that is left. Returns poll's result (0 when the deadline has passed).
    int Poll(pollfd* fds, nfds_t count, std::optional<Clock::time_point> deadline);
    int TcGetAttr(int fd, termios* attributes);
    int TcSetAttr(int fd, int when, const termios* attributes);
    int TcFlush(int fd, int queue);
    int TcDrain(int fd);
    int Ioctl(int fd, unsigned long request, void* argument);
    int Flock(int fd, int operation);
    int Socket(int domain, int type, int protocol);
    int Connect(int fd, const sockaddr* address, socklen_t length);
    ssize_t Send(int fd, const void* data, std::size_t size, int flags);
    ssize_t Recv(int fd, void* buffer, std::size_t size, int flags);

    // The system's description of errno value error ("Permission denied").
    static std::string ErrorText(int error);

protected:
    virtual int DoOpen(const char* path, int flags);
    virtual int DoClose(int fd);
    virtual ssize_t DoRead(int fd, void* buffer, std::size_t size);
    virtual ssize_t DoWrite(int fd, const void* data, std::size_t size);
    virtual int DoPoll(pollfd* fds, nfds_t count, int timeoutMs);
    virtual int DoTcGetAttr(int fd, termios* attributes);
    virtual int DoTcSetAttr(int fd, int when, const termios* attributes);
    virtual int DoTcFlush(int fd, int queue);
    virtual int DoTcDrain(int fd);
    virtual int DoIoctl(int fd, unsigned long request, void* argument);
    virtual int DoFlock(int fd, int operation);
    virtual int DoSocket(int domain, int type, int protocol);
    virtual int DoConnect(int fd, const sockaddr* address, socklen_t length);
    virtual ssize_t DoSend(int fd, const void* data, std::size_t size, int flags);
    virtual ssize_t DoRecv(int fd, void* buffer, std::size_t size, int flags);
};
