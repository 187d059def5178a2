#pragma once

#include "platform/CSystemCalls.h"

#include <functional>

// The one fault-injecting double of the system-call gate. A call whose hook is set goes to the
// hook (which stands for the bare system call: set errno and return -1 to fail, or call the
// real one); every other call goes to the system. Counts the calls tests look at. While it
// lives it is the process-wide gate the file code uses; serial ports and transports are given
// it directly.
class CFaultySystemCalls : public CSystemCalls {
public:
    std::function<int(const char*, int, mode_t)> open;
    std::function<ssize_t(int, void*, std::size_t)> read;
    std::function<ssize_t(int, const void*, std::size_t)> write;
    std::function<int(int)> fsync;
    std::function<int(int)> close;
    std::function<int(const char*, const char*)> rename;
    std::function<int(int, int, const termios*)> tcsetattr;
    int opens = 0, reads = 0, writes = 0, polls = 0;

    CFaultySystemCalls() { Use(this); }
    ~CFaultySystemCalls() override { Use(nullptr); }
    CFaultySystemCalls(const CFaultySystemCalls&) = delete;
    CFaultySystemCalls& operator=(const CFaultySystemCalls&) = delete;

    // Every call to the system again.
    void Reset() {
        open = nullptr;
        read = nullptr;
        write = nullptr;
        fsync = nullptr;
        close = nullptr;
        rename = nullptr;
        tcsetattr = nullptr;
    }

    // The bare calls, for hooks that pass a call on.
    int RealOpen(const char* path, int flags, mode_t mode) {
        return CSystemCalls::DoOpen(path, flags, mode);
    }
    ssize_t RealRead(int fd, void* buffer, std::size_t size) {
        return CSystemCalls::DoRead(fd, buffer, size);
    }
    ssize_t RealWrite(int fd, const void* data, std::size_t size) {
        return CSystemCalls::DoWrite(fd, data, size);
    }
    int RealTcSetAttr(int fd, int when, const termios* attributes) {
        return CSystemCalls::DoTcSetAttr(fd, when, attributes);
    }

protected:
    int DoOpen(const char* path, int flags, mode_t mode) override {
        ++opens;
        return open ? open(path, flags, mode) : RealOpen(path, flags, mode);
    }
    ssize_t DoRead(int fd, void* buffer, std::size_t size) override {
        ++reads;
        return read ? read(fd, buffer, size) : RealRead(fd, buffer, size);
    }
    ssize_t DoWrite(int fd, const void* data, std::size_t size) override {
        ++writes;
        return write ? write(fd, data, size) : RealWrite(fd, data, size);
    }
    int DoFsync(int fd) override { return fsync ? fsync(fd) : CSystemCalls::DoFsync(fd); }
    int DoClose(int fd) override { return close ? close(fd) : CSystemCalls::DoClose(fd); }
    int DoRename(const char* from, const char* to) override {
        return rename ? rename(from, to) : CSystemCalls::DoRename(from, to);
    }
    int DoTcSetAttr(int fd, int when, const termios* attributes) override {
        return tcsetattr ? tcsetattr(fd, when, attributes) : RealTcSetAttr(fd, when, attributes);
    }
    int DoPoll(pollfd* fds, nfds_t count, const timespec* timeout) override {
        ++polls;
        return CSystemCalls::DoPoll(fds, count, timeout);
    }
};
