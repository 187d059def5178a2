#include "tables/CAtomicFileWriter.h"

#include "comm/CPrivateException.h"
#include "platform/CSystemCalls.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
constexpr std::size_t kFlushSize = 65536;
std::atomic<unsigned> g_tempCounter{0};

std::string Folder(const std::string& path) {
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

// A symbolic link is followed, as a plain truncating open would, so the link survives.
std::string ResolveTarget(const std::string& path) {
    CSystemCalls& sys = CSystemCalls::Current();
    struct stat st;
    if (sys.Lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        std::string resolved = sys.RealPath(path);
        if (!resolved.empty())
            return resolved;
    }
    return path;
}

void SyncFolder(const std::string& folder) {
    CSystemCalls& sys = CSystemCalls::Current();
    int fd = sys.Open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        sys.Fsync(fd); // best effort: the rename is already visible
        sys.Close(fd);
    }
}
} // namespace

CAtomicFileWriter::CAtomicFileWriter(const std::string& path, std::string openError,
                                     std::string writeError)
    : m_path(path), m_target(ResolveTarget(path)), m_openError(std::move(openError)),
      m_writeError(std::move(writeError)) {
    if (m_target.empty() || m_target.back() == '/')
        failOpen(EISDIR);
    bool exists = false;
    struct stat st;
    CSystemCalls& sys = CSystemCalls::Current();
    if (sys.Stat(m_target.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode))
            failOpen(S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
        // A file without write bits is protected on purpose, also from root.
        if (sys.Access(m_target.c_str(), W_OK) != 0)
            failOpen(errno);
        if ((st.st_mode & 0222) == 0)
            failOpen(EACCES);
        exists = true;
    }
    std::size_t slash = m_target.rfind('/');
    std::string base = slash == std::string::npos ? m_target : m_target.substr(slash + 1);
    removeStaleTemporaries(Folder(m_target), base);
    std::string prefix = Folder(m_target) + "/." + base + ".tmp-" + std::to_string(getpid()) + "-";
    for (int attempt = 0; attempt < 100 && m_fd < 0; ++attempt) {
        std::string name = prefix + std::to_string(g_tempCounter.fetch_add(1));
        int fd = sys.Open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            m_fd = fd;
            m_temp = name;
        } else if (errno != EEXIST) {
            break;
        }
    }
    if (m_fd < 0)
        failOpen(errno);
    if (exists) {
        // The replaced file keeps its permissions, and its owner where that is allowed.
        if (sys.Fchown(m_fd, st.st_uid, st.st_gid) != 0) {
        }
        sys.Fchmod(m_fd, st.st_mode & 07777);
    }
}

void CAtomicFileWriter::removeStaleTemporaries(const std::string& folder, const std::string& base) {
    CSystemCalls& sys = CSystemCalls::Current();
    const std::string ours = "." + base + ".tmp-";
    const std::string older = base + ".tmp"; // mkstemp's names of earlier versions
    for (const std::string& name : sys.ListFolder(folder)) {
        std::string path = folder + "/" + name;
        if (name.rfind(ours, 0) == 0) {
            // ".<base>.tmp-<pid>-<n>": stale once its writer is gone.
            long pid = std::strtol(name.c_str() + ours.size(), nullptr, 10);
            if (pid > 0 && sys.Kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
                sys.Unlink(path.c_str());
        } else if (name.size() == older.size() + 6 && name.rfind(older, 0) == 0) {
            struct stat st;
            if (sys.Lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
                time(nullptr) - st.st_mtime > 3600)
                sys.Unlink(path.c_str());
        }
    }
}

void CAtomicFileWriter::WriteWhole(const std::string& path, std::string_view content) {
    CAtomicFileWriter out(path);
    out.write(content);
    out.commit();
}

void CAtomicFileWriter::failOpen(int error) {
    if (!m_openError.empty())
        throw CPrivateException(m_openError);
    throw CPrivateException("Can not write the file " + m_path + ": " + std::strerror(error));
}

CAtomicFileWriter::~CAtomicFileWriter() {
    if (!m_committed)
        discard();
}

void CAtomicFileWriter::discard() {
    if (m_fd >= 0) {
        CSystemCalls::Current().Close(m_fd);
        m_fd = -1;
    }
    if (!m_temp.empty()) {
        CSystemCalls::Current().Unlink(m_temp.c_str());
        m_temp.clear();
    }
}

void CAtomicFileWriter::fail(int error) {
    discard();
    if (!m_writeError.empty())
        throw CPrivateException(m_writeError);
    throw CPrivateException("Can not write the file " + m_path + ": " + std::strerror(error));
}

void CAtomicFileWriter::flush() {
    if (m_fd < 0)
        fail(EBADF);
    if (!m_buffer.empty() &&
        !CSystemCalls::Current().WriteAll(m_fd, m_buffer.data(), m_buffer.size()))
        fail(errno);
    m_buffer.clear();
}

void CAtomicFileWriter::write(std::string_view data) {
    if (m_committed || m_fd < 0)
        fail(EBADF);
    m_buffer.append(data);
    if (m_buffer.size() >= kFlushSize)
        flush();
}

void CAtomicFileWriter::commit() {
    if (m_committed)
        return;
    flush();
    CSystemCalls& sys = CSystemCalls::Current();
    if (sys.Fsync(m_fd) != 0)
        fail(errno);
    int fd = m_fd;
    m_fd = -1;
    // A failed close may mean lost data (network file systems); never rename then.
    if (sys.Close(fd) != 0)
        fail(errno);
    if (sys.Rename(m_temp.c_str(), m_target.c_str()) != 0)
        fail(errno);
    m_committed = true;
    m_temp.clear();
    SyncFolder(Folder(m_target));
}
