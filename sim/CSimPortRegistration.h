#pragma once

#include <string>
#include <vector>

// Tells the program's port discovery about a running simulator. One file per served port in
// Directory(), named "<pid>.port" (further registrations of the same process:
// "<pid>-<n>.port"), holding one line "<path>\t<display name>\n". A file whose pid (the leading
// digits of its name) is not a live process is stale and to be ignored.
struct CSimPortEntry {
    int pid = 0;
    std::string path;
    std::string displayName;
    std::string file;
};

class CSimPortRegistration {
public:
    // $XDG_RUNTIME_DIR/q3sim when XDG_RUNTIME_DIR is set and writable, else /tmp/q3sim-<uid>;
    // created with mode 0700 when missing. Throws std::runtime_error when the fallback
    // directory exists but is not a directory of this user.
    static std::string Directory();
    // "Q3 simulator Q3VA (/dev/pts/3)".
    static std::string DisplayName(const std::string& modelName, const std::string& path);
    // The live entries of a directory, in file name order; stale and malformed files skipped.
    static std::vector<CSimPortEntry> ReadEntries(const std::string& directory);

    CSimPortRegistration() = default;
    ~CSimPortRegistration() { Remove(); }
    CSimPortRegistration(const CSimPortRegistration&) = delete;
    CSimPortRegistration& operator=(const CSimPortRegistration&) = delete;

    // Writes the entry (atomically) and deletes stale entries of dead processes on the way.
    // Throws std::runtime_error.
    void Register(const std::string& path, const std::string& displayName,
                  const std::string& directory = Directory());
    void Remove();
    const std::string& GetFile() const { return m_file; }

private:
    std::string m_file;
};
