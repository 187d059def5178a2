#include "platform/UserAccount.h"

#include "platform/CSystemCalls.h"

#include <cerrno>
#include <cstdlib>
#include <vector>

#include <pwd.h>
#include <unistd.h>

namespace {
// The password database entry of this process's user; nullptr when there is none.
const passwd* Account(passwd& entry, std::vector<char>& buffer) {
    passwd* found = nullptr;
    buffer.resize(16384);
    return getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 ? found
                                                                                   : nullptr;
}
} // namespace

std::string HomeDirectory() {
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    passwd entry{};
    std::vector<char> buffer;
    if (const passwd* account = Account(entry, buffer); account && account->pw_dir)
        return account->pw_dir;
    return "/tmp";
}

std::string UserName() {
    passwd entry{};
    std::vector<char> buffer;
    if (const passwd* account = Account(entry, buffer); account && account->pw_name)
        return account->pw_name;
    const char* user = std::getenv("USER");
    return user ? user : "";
}

std::string XdgDirectory(const char* variable, const char* fallbackUnderHome) {
    if (const char* dir = std::getenv(variable); dir && dir[0] == '/')
        return dir;
    return HomeDirectory() + "/" + fallbackUnderHome;
}

int MakeDirectories(const std::string& dir, std::string* failed) {
    for (std::size_t at = 1; at <= dir.size(); ++at) {
        if (at != dir.size() && dir[at] != '/')
            continue;
        const std::string part = dir.substr(0, at);
        if (CSystemCalls::Current().Mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
            if (failed)
                *failed = part;
            return errno;
        }
    }
    return 0;
}
