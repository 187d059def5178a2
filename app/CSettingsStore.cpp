#include "app/CSettingsStore.h"
#include "platform/CSystemCalls.h"

#include "comm/CPrivateException.h"
#include "comm/MessageFormat.h"
#include "model/CIniFile.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
std::string HomeDirectory() {
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->pw_dir)
        return found->pw_dir;
    return "/tmp";
}

// mkdir -p; the created levels are private to the user.
void MakeDirectories(const std::string& dir) {
    for (std::size_t at = 1; at <= dir.size(); ++at) {
        if (at != dir.size() && dir[at] != '/')
            continue;
        std::string part = dir.substr(0, at);
        if (CSystemCalls::Current().Mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            throw CPrivateException(StrPrintf("Cannot create %s: %s", part.c_str(),
                                              CSystemCalls::ErrorText(errno).c_str()));
    }
}
} // namespace

CSettingsStore::CSettingsStore(const std::string& application) : m_path(DefaultPath(application)) {}

CSettingsStore CSettingsStore::AtPath(const std::string& path) {
    return CSettingsStore(PathTag{}, path);
}

std::string CSettingsStore::DefaultPath(const std::string& application) {
    std::string base;
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && config[0] == '/')
        base = config;
    else
        base = HomeDirectory() + "/.config";
    return base + "/Drennic/" + application + ".ini";
}

CIniFile CSettingsStore::Read() const {
    try {
        return CIniFile::LoadIfExists(m_path);
    } catch (const CPrivateException&) {
        return CIniFile::Parse({});
    }
}

std::string CSettingsStore::GetString(const std::string& section, const std::string& name,
                                      const std::string& def) const {
    return Read().GetString(section, name, def);
}

int CSettingsStore::GetInt(const std::string& section, const std::string& name, int def) const {
    return Read().GetInt(section, name, def);
}

void CSettingsStore::Write(const CIniFile& file) const {
    std::size_t slash = m_path.find_last_of('/');
    if (slash != std::string::npos && slash > 0)
        MakeDirectories(m_path.substr(0, slash));
    file.Save(m_path);
}

void CSettingsStore::SetString(const std::string& section, const std::string& name,
                               const std::string& value) {
    // Read for writing: a file that exists but cannot be read raises here, so that it is never
    // replaced by one holding only this value.
    CIniFile file = CIniFile::LoadIfExists(m_path);
    file.SetString(section, name, value);
    Write(file);
}

void CSettingsStore::SetInt(const std::string& section, const std::string& name, int value) {
    SetString(section, name, std::to_string(value));
}
