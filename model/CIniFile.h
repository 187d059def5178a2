#pragma once

#include <string>
#include <unordered_map>
#include <vector>

// Profile text file (sections in brackets, key=value lines) read and written with the rules of
// the platform profile functions the parameter and settings files were defined with: section and
// key names match without regard to case, values are trimmed (and one pair of enclosing quotes is
// dropped), CRLF and LF both read, CRLF written. Keys keep their order.
class CIniFile {
public:
    // Files beyond this size are refused rather than read into memory.
    static constexpr std::size_t kMaxFileSize = 8 * 1024 * 1024;

    // Reads path; throws CPrivateException with a clear message when it cannot be read, is not a
    // regular file (a FIFO is refused, never waited on), too large or holds NUL bytes (not a text
    // file). A UTF-8 byte-order mark is skipped.
    static CIniFile Load(const std::string& path);
    // As Load, but a missing file gives an empty profile.
    static CIniFile LoadIfExists(const std::string& path);
    static CIniFile Parse(const std::string& text);

    // The value, or def when the section or key is missing.
    std::string GetString(const std::string& section, const std::string& key,
                          const std::string& def = {}) const;
    // Leading decimal integer of the value (optional sign); 0 when the value is not a number,
    // def when the key is missing.
    int GetInt(const std::string& section, const std::string& key, int def) const;
    bool HasKey(const std::string& section, const std::string& key) const;
    bool HasSection(const std::string& section) const;

    // Replaces the value of an existing key or appends the key (and the section) at the end.
    void SetString(const std::string& section, const std::string& key, const std::string& value);
    void SetInt(const std::string& section, const std::string& key, int value);

    std::string Serialize() const;
    // Writes the complete file beside path and renames it over path, so a failed write never
    // loses the old file. Throws CPrivateException on failure.
    void Save(const std::string& path) const;

private:
    struct Entry {
        std::string key;
        std::string value;
    };
    struct Section {
        std::string name;
        std::vector<Entry> entries;
        // Case-folded key -> position in entries: a file of many keys opens in linear time.
        std::unordered_map<std::string, std::size_t> index;
    };
    const Section* FindSection(const std::string& name) const;
    Section& AddSection(const std::string& name);
    const Entry* FindEntry(const std::string& section, const std::string& key) const;

    std::vector<Section> m_sections;
    std::unordered_map<std::string, std::size_t> m_sectionIndex; // case-folded name -> position
};

// Writes content to a temporary file beside path, syncs it and renames it over path. Throws
// CPrivateException naming the file and the system's reason on failure; the old file stays.
void WriteFileAtomically(const std::string& path, const std::string& content);
// Reads a whole file of at most maxSize bytes; throws CPrivateException on failure.
std::string ReadFileLimited(const std::string& path, std::size_t maxSize);
