#include "app/CSettingsStore.h"
#include "platform/CSystemCalls.h"
#include "platform/UserAccount.h"

#include "comm/CPrivateException.h"
#include "comm/MessageFormat.h"
#include "model/CIniFile.h"

#include <cstdlib>

namespace {
// mkdir -p; the created levels are private to the user.
void MakeDirectoriesOrThrow(const std::string& dir) {
    std::string part;
    if (const int error = MakeDirectories(dir, &part))
        throw CPrivateException(StrPrintf("Cannot create %s: %s", part.c_str(),
                                          CSystemCalls::ErrorText(error).c_str()));
}
} // namespace

CSettingsStore::CSettingsStore(const std::string& application) : m_path(DefaultPath(application)) {}

CSettingsStore CSettingsStore::AtPath(const std::string& path) {
    return CSettingsStore(PathTag{}, path);
}

std::string CSettingsStore::DefaultPath(const std::string& application) {
    return XdgDirectory("XDG_CONFIG_HOME", ".config") + "/Drennic/" + application + ".ini";
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
        MakeDirectoriesOrThrow(m_path.substr(0, slash));
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
