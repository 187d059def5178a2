#include "model/CIniFile.h"

#include "comm/CPrivateException.h"
#include "comm/MessageFormat.h"
#include "platform/CSystemCalls.h"
#include "tables/CAtomicFileWriter.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// Names match without regard to ASCII case; the folded name is the key of the lookup tables.
std::string Folded(const std::string& name) {
    std::string folded = name;
    for (char& c : folded)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return folded;
}

std::string Trim(const std::string& s) {
    std::size_t b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos)
        return {};
    std::size_t e = s.find_last_not_of(" \t\r");
    return s.substr(b, e - b + 1);
}

[[noreturn]] void ThrowFileError(const char* what, const std::string& path, int error) {
    throw CPrivateException(
        StrPrintf("%s %s: %s", what, path.c_str(), CSystemCalls::ErrorText(error).c_str()));
}

} // namespace

std::string ReadFileLimited(const std::string& path, std::size_t maxSize) {
    CSystemCalls& sys = CSystemCalls::Current();
    int fd = sys.OpenRegularFile(path.c_str());
    if (fd < 0 && errno == EINVAL)
        throw CPrivateException(StrPrintf("The file %s is not a regular file.", path.c_str()));
    if (fd < 0)
        ThrowFileError("Can not read the file", path, errno);
    std::string content;
    char buffer[65536];
    for (;;) {
        ssize_t n = sys.Read(fd, buffer, sizeof buffer);
        if (n < 0) {
            int error = errno;
            sys.Close(fd);
            ThrowFileError("Can not read the file", path, error);
        }
        if (n == 0)
            break;
        if (content.size() + static_cast<std::size_t>(n) > maxSize) {
            sys.Close(fd);
            throw CPrivateException(
                StrPrintf("The file %s is too large to be a settings file.", path.c_str()));
        }
        content.append(buffer, static_cast<std::size_t>(n));
    }
    sys.Close(fd);
    return content;
}

void WriteFileAtomically(const std::string& path, const std::string& content) {
    CAtomicFileWriter::WriteWhole(path, content);
}

CIniFile CIniFile::Load(const std::string& path) {
    std::string text = ReadFileLimited(path, kMaxFileSize);
    if (text.find('\0') != std::string::npos)
        throw CPrivateException(StrPrintf("The file %s is not a text file.", path.c_str()));
    return Parse(text);
}

CIniFile CIniFile::LoadIfExists(const std::string& path) {
    if (::access(path.c_str(), F_OK) != 0 && errno == ENOENT)
        return CIniFile();
    return Load(path);
}

bool CIniFile::HasSection(const std::string& section) const {
    return FindSection(section) != nullptr;
}

CIniFile CIniFile::Parse(const std::string& raw) {
    // An editor's UTF-8 byte-order mark would hide the first section's name.
    std::string_view text(raw);
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    CIniFile file;
    Section* current = nullptr;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos)
            end = text.size();
        std::string line = Trim(std::string(text.substr(pos, end - pos)));
        pos = end + 1;
        if (line.empty() || line[0] == ';')
            continue;
        if (line[0] == '[') {
            std::size_t close = line.find(']');
            std::string name =
                Trim(line.substr(1, close == std::string::npos ? std::string::npos : close - 1));
            auto known = file.m_sectionIndex.find(Folded(name));
            current = known != file.m_sectionIndex.end() ? &file.m_sections[known->second]
                                                         : &file.AddSection(name);
            continue;
        }
        std::size_t eq = line.find('=');
        if (!current || eq == std::string::npos)
            continue;
        std::string key = Trim(line.substr(0, eq));
        std::string value = Trim(line.substr(eq + 1));
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
            value.back() == value.front())
            value = value.substr(1, value.size() - 2);
        // The first occurrence of a key wins, as with the profile functions.
        if (current->index.emplace(Folded(key), current->entries.size()).second)
            current->entries.push_back(Entry{key, value});
    }
    return file;
}

const CIniFile::Section* CIniFile::FindSection(const std::string& name) const {
    auto it = m_sectionIndex.find(Folded(name));
    return it == m_sectionIndex.end() ? nullptr : &m_sections[it->second];
}

CIniFile::Section& CIniFile::AddSection(const std::string& name) {
    m_sectionIndex.emplace(Folded(name), m_sections.size());
    m_sections.push_back(Section{name, {}, {}});
    return m_sections.back();
}

const CIniFile::Entry* CIniFile::FindEntry(const std::string& section,
                                           const std::string& key) const {
    const Section* s = FindSection(section);
    if (!s)
        return nullptr;
    auto it = s->index.find(Folded(key));
    return it == s->index.end() ? nullptr : &s->entries[it->second];
}

std::string CIniFile::GetString(const std::string& section, const std::string& key,
                                const std::string& def) const {
    const Entry* e = FindEntry(section, key);
    return e ? e->value : def;
}

int CIniFile::GetInt(const std::string& section, const std::string& key, int def) const {
    const Entry* e = FindEntry(section, key);
    if (!e)
        return def;
    const std::string& v = e->value;
    std::size_t i = 0;
    bool negative = false;
    if (i < v.size() && (v[i] == '-' || v[i] == '+'))
        negative = v[i++] == '-';
    long long n = 0;
    for (; i < v.size() && v[i] >= '0' && v[i] <= '9'; ++i) {
        n = n * 10 + (v[i] - '0');
        if (n > 0x7FFFFFFFLL)
            n = 0x80000000LL;
    }
    long long result = negative ? -n : n;
    if (result > 0x7FFFFFFFLL)
        result = 0x7FFFFFFFLL;
    return static_cast<int>(result);
}

bool CIniFile::HasKey(const std::string& section, const std::string& key) const {
    return FindEntry(section, key) != nullptr;
}

void CIniFile::SetString(const std::string& section, const std::string& key,
                         const std::string& value) {
    Section* s = const_cast<Section*>(FindSection(section));
    if (!s)
        s = &AddSection(section);
    auto [it, added] = s->index.emplace(Folded(key), s->entries.size());
    if (added)
        s->entries.push_back(Entry{key, value});
    else
        s->entries[it->second].value = value;
}

void CIniFile::SetInt(const std::string& section, const std::string& key, int value) {
    SetString(section, key, std::to_string(value));
}

namespace {
// A line break inside a value would split it into lines that read back as other keys.
std::string OneLine(std::string s) {
    for (char& c : s)
        if (c == '\r' || c == '\n')
            c = ' ';
    return s;
}

// The reader trims a value and drops one pair of enclosing quotes: a value that would lose
// something that way goes out in one more pair of quotes, which the reader then takes off.
std::string Protected(std::string value) {
    value = OneLine(std::move(value));
    bool quoted = value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                  value.back() == value.front();
    if (quoted || Trim(value) != value)
        return '"' + value + '"';
    return value;
}
} // namespace

std::string CIniFile::Serialize() const {
    std::string out;
    for (const Section& s : m_sections) {
        out += "[" + s.name + "]\r\n";
        for (const Entry& e : s.entries)
            out += OneLine(e.key) + "=" + Protected(e.value) + "\r\n";
    }
    return out;
}

void CIniFile::Save(const std::string& path) const {
    WriteFileAtomically(path, Serialize());
}
