#pragma once

#include <string>

class CIniFile;

// Section and value names of the per-user settings.
inline constexpr const char* kSettingsSection = "Settings";
inline constexpr const char* kComSettingsSection = "ComSettings";
inline constexpr const char* kTempUnitValue = "TempUnit";
inline constexpr const char* kDeviceIdValue = "DeviceId";
inline constexpr const char* kDisplayLanguageValue = "DisplayLanguage";
inline constexpr const char* kTechnicianValue = "Technician";
inline constexpr const char* kPortNameValue = "COMPortName";
inline constexpr const char* kPortDisplayNameValue = "COMPortDisplayName";
// No port until the user chooses one: a guessed port would open a device nobody named.
inline constexpr const char* kDefaultPortName = "";

// The per-user settings store: one profile file per application,
// $XDG_CONFIG_HOME/Drennic/<application>.ini, or ~/.config/Drennic/<application>.ini when
// XDG_CONFIG_HOME is unset or not absolute. The GUI and q3cli share the file of "q3config",
// so a port chosen in Preferences is q3cli's default too. Every read looks at the file afresh;
// every write replaces the file atomically, so another process never sees half a file.
// Window-thread (or single-threaded) use only.
class CSettingsStore {
public:
    explicit CSettingsStore(const std::string& application = "q3config");
    // A store in the file at path (tests, tools).
    static CSettingsStore AtPath(const std::string& path);
    // Where the store of application lives for the current user and environment.
    static std::string DefaultPath(const std::string& application);

    const std::string& Path() const { return m_path; }

    // The stored value, or def when the value, the file or its directory is missing or the
    // file cannot be read: reading settings never fails.
    std::string GetString(const std::string& section, const std::string& name,
                          const std::string& def = {}) const;
    int GetInt(const std::string& section, const std::string& name, int def) const;

    // Store one value, creating the directory and the file as needed; raise CPrivateException
    // naming the file when it cannot be written.
    void SetString(const std::string& section, const std::string& name, const std::string& value);
    void SetInt(const std::string& section, const std::string& name, int value);

private:
    struct PathTag {};
    CSettingsStore(PathTag, std::string path) : m_path(std::move(path)) {}
    CIniFile Read() const;
    void Write(const CIniFile& file) const;

    std::string m_path;
};
