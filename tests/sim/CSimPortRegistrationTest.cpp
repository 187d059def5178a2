// The registration file that the program's port discovery reads.
#include "sim/CSimPortRegistration.h"

#include "tests/sim/SimTestSupport.h"

#include <cstdlib>
#include <filesystem>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

// The pid of a process that has certainly ended.
int DeadPid() {
    const pid_t child = ::fork();
    if (child == 0) {
        ::_exit(0);
    }
    ::waitpid(child, nullptr, 0);
    return child;
}

// Sets an environment variable for the scope of a test.
class CEnv {
public:
    CEnv(const char* name, const char* value) : m_name(name) {
        if (const char* old = std::getenv(name)) {
            m_old = old;
            m_had = true;
        }
        value ? ::setenv(name, value, 1) : ::unsetenv(name);
    }
    ~CEnv() { m_had ? ::setenv(m_name, m_old.c_str(), 1) : ::unsetenv(m_name); }

private:
    const char* m_name;
    std::string m_old;
    bool m_had = false;
};

} // namespace

TEST(CSimPortRegistration, FileAppearsWithPathAndNameAndDisappears) {
    CTestDir dir;
    const std::string name = CSimPortRegistration::DisplayName("Q3VA", "/dev/pts/3");
    EXPECT_EQ(name, "Q3 simulator Q3VA (/dev/pts/3)");
    std::string file;
    {
        CSimPortRegistration registration;
        registration.Register("/dev/pts/3", name, dir.Path());
        file = registration.GetFile();
        const std::string base = std::filesystem::path(file).filename().string();
        EXPECT_EQ(base.rfind(std::to_string(::getpid()), 0), 0u) << base;
        EXPECT_EQ(base.substr(base.size() - 5), ".port");
        EXPECT_EQ(ReadTextFile(file), "/dev/pts/3\tQ3 simulator Q3VA (/dev/pts/3)\n");
        const std::vector<CSimPortEntry> entries = CSimPortRegistration::ReadEntries(dir.Path());
        ASSERT_EQ(entries.size(), 1u);
        EXPECT_EQ(entries[0].pid, ::getpid());
        EXPECT_EQ(entries[0].path, "/dev/pts/3");
        EXPECT_EQ(entries[0].displayName, name);
        EXPECT_EQ(entries[0].file, file);

        CSimPortRegistration second;
        second.Register("/tmp/link", "second", dir.Path());
        EXPECT_NE(second.GetFile(), file);
        EXPECT_EQ(CSimPortRegistration::ReadEntries(dir.Path()).size(), 2u);
        second.Remove();
        EXPECT_FALSE(std::filesystem::exists(second.GetFile()));
        EXPECT_EQ(CSimPortRegistration::ReadEntries(dir.Path()).size(), 1u);
    }
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_TRUE(CSimPortRegistration::ReadEntries(dir.Path()).empty());
}

TEST(CSimPortRegistration, StaleAndMalformedEntriesAreIgnoredAndStaleOnesCleared) {
    CTestDir dir;
    const std::string stale = dir.File(std::to_string(DeadPid()) + ".port");
    WriteTextFile(stale, "/dev/pts/99\tQ3 simulator Q3VB (/dev/pts/99)\n");
    WriteTextFile(dir.File(std::to_string(::getpid()) + "-77.port"), "no tab here\n");
    WriteTextFile(dir.File("notes.txt"), "/dev/pts/1\tx\n");
    EXPECT_TRUE(CSimPortRegistration::ReadEntries(dir.Path()).empty());

    CSimPortRegistration registration;
    registration.Register("/dev/pts/4", "live", dir.Path());
    EXPECT_FALSE(std::filesystem::exists(stale));
    const std::vector<CSimPortEntry> entries = CSimPortRegistration::ReadEntries(dir.Path());
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].displayName, "live");
}

TEST(CSimPortRegistration, DirectoryIsUnderTheRuntimeDirOrAPrivateTmpDir) {
    CTestDir runtime;
    {
        CEnv env("XDG_RUNTIME_DIR", runtime.Path().c_str());
        EXPECT_EQ(CSimPortRegistration::Directory(), runtime.Path() + "/q3sim");
        struct stat st {};
        ASSERT_EQ(::stat((runtime.Path() + "/q3sim").c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0700u);
    }
    const std::string fallback = "/tmp/q3sim-" + std::to_string(::getuid());
    {
        CEnv env("XDG_RUNTIME_DIR", nullptr);
        EXPECT_EQ(CSimPortRegistration::Directory(), fallback);
    }
    {
        CEnv env("XDG_RUNTIME_DIR", "/nonexistent/runtime");
        EXPECT_EQ(CSimPortRegistration::Directory(), fallback);
    }
    {
        CEnv env("XDG_RUNTIME_DIR", "");
        EXPECT_EQ(CSimPortRegistration::Directory(), fallback);
    }
}
