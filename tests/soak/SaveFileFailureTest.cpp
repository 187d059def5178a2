// Save File on a full disk and into a read-only directory: a message that names the file and the
// system's reason, the old file byte for byte as it was, no temporary file left behind. Both run
// on a real 64 KiB tmpfs in a mount namespace of a child process (root may mount; otherwise a
// user namespace gives the rights), so permissions that root ignores play no part and nothing
// is left mounted if the test dies.
#include "comm/CPrivateException.h"
#include "model/CDeviceType.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <functional>
#include <sched.h>
#include <string>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {
// What the child saw, carried back through a pipe.
struct Report {
    std::string setupError; // empty: the file system was in place
    std::string message;    // of the failed save
    std::string before;     // the old file's bytes before the save
    std::string after;
    std::string files; // the directory's entries after the save, sorted, space separated
};

std::string ReadAll(const std::string& path) {
    std::string content;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return "<" + std::string(std::strerror(errno)) + ">";
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0)
        content.append(buffer, static_cast<std::size_t>(n));
    ::close(fd);
    return content;
}

std::string Entries(const std::string& dir) {
    std::vector<std::string> names;
    if (DIR* d = ::opendir(dir.c_str())) {
        while (dirent* e = ::readdir(d))
            if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
                names.push_back(e->d_name);
        ::closedir(d);
    }
    std::sort(names.begin(), names.end());
    std::string joined;
    for (const std::string& n : names)
        joined += (joined.empty() ? "" : " ") + n;
    return joined;
}

bool WriteText(const std::string& path, const std::string& text) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    bool ok = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    ::close(fd);
    return ok;
}

// A mount namespace of our own; without root, inside a user namespace that maps us to root.
std::string EnterPrivateMounts() {
    if (::unshare(CLONE_NEWNS) != 0) {
        uid_t uid = ::getuid();
        gid_t gid = ::getgid();
        if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0)
            return std::string("unshare: ") + std::strerror(errno);
        if (!WriteText("/proc/self/setgroups", "deny") ||
            !WriteText("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1") ||
            !WriteText("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1"))
            return "user namespace: can not write the id maps";
    }
    // Nothing we mount may reach the parent's namespace.
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        return std::string("mount --make-rprivate /: ") + std::strerror(errno);
    return {};
}

void PutField(std::string& out, const std::string& field) {
    out += std::to_string(field.size()) + "\n" + field;
}

bool TakeField(const std::string& in, std::size_t& pos, std::string& field) {
    std::size_t eol = in.find('\n', pos);
    if (eol == std::string::npos)
        return false;
    std::size_t length = std::stoul(in.substr(pos, eol - pos));
    field = in.substr(eol + 1, length);
    pos = eol + 1 + length;
    return field.size() == length;
}

// Runs body in a child with a 64 KiB tmpfs mounted on mountPoint and returns its report.
Report OnSmallTmpfs(const std::string& mountPoint, const std::function<void(Report&)>& body) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return Report{"pipe failed", {}, {}, {}, {}};
    pid_t pid = ::fork();
    if (pid == 0) {
        ::close(pipeFds[0]);
        Report r;
        r.setupError = EnterPrivateMounts();
        if (r.setupError.empty() && ::mount("q3test", mountPoint.c_str(), "tmpfs",
                                            MS_NOSUID | MS_NODEV, "size=64k,mode=0755") != 0)
            r.setupError = std::string("mount -t tmpfs: ") + std::strerror(errno);
        if (r.setupError.empty()) {
            try {
                body(r);
            } catch (const std::exception& e) {
                r.setupError = std::string("unexpected exception: ") + e.what();
            }
        }
        std::string out;
        for (const std::string* f : {&r.setupError, &r.message, &r.before, &r.after, &r.files})
            PutField(out, *f);
        std::size_t done = 0;
        while (done < out.size()) {
            ssize_t n = ::write(pipeFds[1], out.data() + done, out.size() - done);
            if (n <= 0)
                break;
            done += static_cast<std::size_t>(n);
        }
        ::_exit(0);
    }
    ::close(pipeFds[1]);
    std::string in;
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0)
        in.append(buffer, static_cast<std::size_t>(n));
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    Report r;
    std::size_t pos = 0;
    for (std::string* f : {&r.setupError, &r.message, &r.before, &r.after, &r.files})
        if (!TakeField(in, pos, *f))
            return Report{"the child's report was cut short", {}, {}, {}, {}};
    return r;
}

std::string SaveError(const CParBase& set, const std::string& path) {
    try {
        set.SaveFile(path);
    } catch (const CPrivateException& e) {
        return e.Message();
    }
    return "(saved without an error)";
}

class SaveFileFailure : public ::testing::Test {
protected:
    void SetUp() override {
        mountPoint = dir.File("mnt");
        ASSERT_EQ(0, ::mkdir(mountPoint.c_str(), 0755));
        path = mountPoint + "/boiler.cfg";
    }

    TempDir dir;
    std::string mountPoint;
    std::string path;
};
} // namespace

TEST_F(SaveFileFailure, FullDiskNamesTheFileAndKeepsTheOldOne) {
    Report r = OnSmallTmpfs(mountPoint, [&](Report& out) {
        std::unique_ptr<CParBase> set = CDeviceType::NewParameterSet(9);
        set->SaveFile(path);
        out.before = ReadAll(path);
        // Fill every block that is left: pages first, then the last bytes.
        int fd = ::open((mountPoint + "/filler").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
        std::vector<char> page(4096, 'x');
        while (::write(fd, page.data(), page.size()) > 0) {
        }
        while (::write(fd, page.data(), 1) > 0) {
        }
        ::close(fd);
        set->SetValueText(2, "450", true);
        out.message = SaveError(*set, path);
        out.after = ReadAll(path);
        out.files = Entries(mountPoint);
    });
    ASSERT_EQ("", r.setupError);
    EXPECT_EQ("Can not write the file " + path + ": " + std::strerror(ENOSPC), r.message);
    ASSERT_GT(r.before.size(), 1000u);
    EXPECT_EQ(r.before, r.after) << "the old file was changed";
    EXPECT_EQ("boiler.cfg filler", r.files) << "a temporary file was left behind";
}

TEST_F(SaveFileFailure, ReadOnlyDirectoryNamesTheFileAndKeepsTheOldOne) {
    Report r = OnSmallTmpfs(mountPoint, [&](Report& out) {
        std::unique_ptr<CParBase> set = CDeviceType::NewParameterSet(9);
        set->SaveFile(path);
        out.before = ReadAll(path);
        if (::mount(nullptr, mountPoint.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) != 0) {
            out.setupError = std::string("remount read-only: ") + std::strerror(errno);
            return;
        }
        set->SetValueText(2, "450", true);
        out.message = SaveError(*set, path);
        out.after = ReadAll(path);
        out.files = Entries(mountPoint);
    });
    ASSERT_EQ("", r.setupError);
    EXPECT_EQ("Can not write the file " + path + ": " + std::strerror(EROFS), r.message);
    ASSERT_GT(r.before.size(), 1000u);
    EXPECT_EQ(r.before, r.after);
    EXPECT_EQ("boiler.cfg", r.files);
}
