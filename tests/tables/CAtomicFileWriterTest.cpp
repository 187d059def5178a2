#include "tables/CAtomicFileWriter.h"

#include "tests/support/CFaultySystemCalls.h"
#include "tests/tables/TableTestSupport.h"

#include <cerrno>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {
int g_writeCalls = 0;
int g_closeCalls = 0;

std::size_t EntryCount(const std::string& folder) {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder),
                                                  std::filesystem::directory_iterator()));
}

class TableAtomicWrite : public ::testing::Test {
protected:
    void SetUp() override {
        g_writeCalls = 0;
        g_closeCalls = 0;
    }
    CFaultySystemCalls m_calls;

    std::string Write(const std::string& path, const std::string& text) {
        return ThrownMessage([&] {
            CAtomicFileWriter out(path, "open failed", "write failed");
            out.write(text);
            out.commit();
        });
    }

    TempDir m_dir;
};
} // namespace

TEST_F(TableAtomicWrite, ReplacesTheFileAndKeepsItsPermissions) {
    std::string path = m_dir.File("a.txt");
    WriteWholeFile(path, "old content that is longer");
    ASSERT_EQ(0, chmod(path.c_str(), 0640));
    EXPECT_EQ("(nothing thrown)", Write(path, "new"));
    EXPECT_EQ("new", ReadWholeFile(path));
    struct stat st;
    ASSERT_EQ(0, stat(path.c_str(), &st));
    EXPECT_EQ(0640u, st.st_mode & 07777);
    EXPECT_EQ(1u, EntryCount(m_dir.Path()));
}

TEST_F(TableAtomicWrite, WritesThroughASymbolicLink) {
    std::string real = m_dir.File("real.txt");
    std::string link = m_dir.File("link.txt");
    WriteWholeFile(real, "old");
    ASSERT_EQ(0, symlink(real.c_str(), link.c_str()));
    EXPECT_EQ("(nothing thrown)", Write(link, "new"));
    EXPECT_EQ("new", ReadWholeFile(real));
    struct stat st;
    ASSERT_EQ(0, lstat(link.c_str(), &st));
    EXPECT_TRUE(S_ISLNK(st.st_mode));
}

TEST_F(TableAtomicWrite, InterruptedAndShortWritesComplete) {
    m_calls.write = [](int fd, const void* buffer, std::size_t size) -> ssize_t {
        ++g_writeCalls;
        if (g_writeCalls % 2 == 1) {
            errno = EINTR;
            return -1;
        }
        return ::write(fd, buffer, size > 3 ? 3 : size);
    };
    std::string path = m_dir.File("b.txt");
    EXPECT_EQ("(nothing thrown)", Write(path, "0123456789"));
    EXPECT_EQ("0123456789", ReadWholeFile(path));
    EXPECT_EQ(8, g_writeCalls); // 4 short writes, each after one EINTR
}

TEST_F(TableAtomicWrite, FailureAtEachStepKeepsTheOldFileAndRemovesTheTemporary) {
    std::string path = m_dir.File("c.txt");
    WriteWholeFile(path, "old");

    m_calls.write = [](int, const void*, std::size_t) -> ssize_t {
        errno = EFBIG;
        return -1;
    };
    EXPECT_EQ("write failed", Write(path, "new"));
    m_calls.Reset();

    m_calls.fsync = [](int) {
        errno = EIO;
        return -1;
    };
    EXPECT_EQ("write failed", Write(path, "new"));
    m_calls.Reset();

    m_calls.close = [](int fd) {
        ++g_closeCalls;
        ::close(fd);
        errno = EIO;
        return -1;
    };
    EXPECT_EQ("write failed", Write(path, "new"));
    EXPECT_EQ(1, g_closeCalls) << "closed exactly once";
    m_calls.Reset();

    m_calls.rename = [](const char*, const char*) {
        errno = EXDEV;
        return -1;
    };
    EXPECT_EQ("write failed", Write(path, "new"));
    m_calls.Reset();

    EXPECT_EQ("old", ReadWholeFile(path));
    EXPECT_EQ(1u, EntryCount(m_dir.Path()));
}

TEST_F(TableAtomicWrite, UncommittedWriterLeavesNothing) {
    std::string path = m_dir.File("d.txt");
    {
        CAtomicFileWriter out(path, "open failed", "write failed");
        out.write("never committed");
    }
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_EQ(0u, EntryCount(m_dir.Path()));
}

TEST_F(TableAtomicWrite, LargeOutputIsWrittenInFull) {
    std::string text;
    for (int i = 0; i < 100000; ++i)
        text += std::to_string(i) + "\n";
    std::string path = m_dir.File("e.txt");
    std::string message = ThrownMessage([&] {
        CAtomicFileWriter out(path, "open failed", "write failed");
        for (std::size_t i = 0; i < text.size(); i += 1000)
            out.write(std::string_view(text).substr(i, 1000));
        out.commit();
    });
    EXPECT_EQ("(nothing thrown)", message);
    EXPECT_EQ(text, ReadWholeFile(path));
}

TEST_F(TableAtomicWrite, TargetsThatCanNotBeWritten) {
    EXPECT_EQ("open failed", Write(m_dir.File("missing/x.txt"), "x"));
    EXPECT_EQ("open failed", Write(m_dir.Path(), "x"));
    EXPECT_EQ("open failed", Write(m_dir.Path() + "/", "x"));
    EXPECT_EQ("open failed", Write("", "x"));
    m_calls.open = [](const char*, int, mode_t) {
        errno = EACCES;
        return -1;
    };
    EXPECT_EQ("open failed", Write(m_dir.File("f.txt"), "x"));
}
