#pragma once

#include <cstddef>
#include <sys/types.h>

// The system calls the table and CSV files go through. Tests replace entries to make a call fail
// or return short; nothing else touches them. Every entry is a thin pass-through by default.
struct FileCallTable {
    int (*open)(const char* path, int flags, mode_t mode);
    ssize_t (*read)(int fd, void* buffer, std::size_t size);
    ssize_t (*write)(int fd, const void* buffer, std::size_t size);
    int (*fsync)(int fd);
    int (*close)(int fd);
    int (*rename)(const char* from, const char* to);
};

// The table in use (window thread only; tests change it while no file operation runs).
FileCallTable& FileCalls();
// Back to the real system calls.
void ResetFileCalls();

// open, read, write and fsync retried on EINTR; read and write return what the call returned.
int OpenRetrying(const char* path, int flags, mode_t mode);
ssize_t ReadRetrying(int fd, void* buffer, std::size_t size);
// Writes all of size bytes, continuing after short writes; false with errno on failure.
bool WriteAll(int fd, const void* buffer, std::size_t size);
int FsyncRetrying(int fd);

// The one way a file is opened for reading (parameter, settings and table files): without
// blocking (a FIFO would wait for a writer for ever), never as a controlling terminal, and only
// a regular file. Returns the descriptor, or -1 with errno set (EINVAL: not a regular file,
// EISDIR: a directory).
int OpenRegularFile(const char* path);
