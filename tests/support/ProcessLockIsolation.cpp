#include "model/CProcessPrivilege.h"

#include <cstdio>
#include <cstdlib>
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
} // namespace
