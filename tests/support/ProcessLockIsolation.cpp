#include "model/CProcessPrivilege.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {
// Each test process gets its own process-mode lock file: ctest runs test processes side by side,
// and they would otherwise take each other for a second program instance.
struct ProcessLockIsolation {
    ProcessLockIsolation() {
        static std::string path = "/tmp/q3test-processmode-" + std::to_string(::getpid()) + ".lock";
        CProcessPrivilege::SetLockPath(path);
        std::atexit([] { std::remove(path.c_str()); });
    }
} g_isolation;

// And its own history: the tests' device operations never reach the user's.
struct HistoryIsolation {
    HistoryIsolation() {
        static std::string path = "/tmp/q3test-data-" + std::to_string(::getpid());
        setenv("XDG_DATA_HOME", path.c_str(), 1);
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(path, ignored);
        });
    }
} g_historyIsolation;
} // namespace
