#include "sim/CSimPortRegistration.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <stdexcept>

#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr const char* kSuffix = ".port";

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// The pid a registration file name starts with; 0 when it starts with no digits.
int PidOfFile(const std::string& name) {
    int pid = 0;
    for (char c : name) {
        if (c < '0' || c > '9' || pid > 100000000) {
            break;
        }
        pid = pid * 10 + (c - '0');
    }
    return pid;
}

bool Alive(int pid) {
    return pid > 0 && (::kill(pid, 0) == 0 || errno == EPERM);
}

bool MakePrivateDir(const std::string& path) {
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
        return false;
    }
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid();
}

std::vector<std::string> PortFiles(const std::string& directory) {
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(directory.c_str())) {
        while (const dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (name[0] != '.' && EndsWith(name, kSuffix)) {
                names.push_back(name);
            }
        }
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::atomic<int> g_registrations{0};

} // namespace

std::string CSimPortRegistration::Directory() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] != '\0' && ::access(runtime, W_OK | X_OK) == 0) {
        const std::string path = std::string(runtime) + "/q3sim";
        if (MakePrivateDir(path)) {
            return path;
        }
    }
    const std::string fallback = "/tmp/q3sim-" + std::to_string(::getuid());
    if (!MakePrivateDir(fallback)) {
        throw std::runtime_error("cannot use " + fallback +
                                 " for the port registration: not a private directory");
    }
    return fallback;
}

std::string CSimPortRegistration::DisplayName(const std::string& modelName,
                                              const std::string& path) {
    return "Q3 simulator " + modelName + " (" + path + ")";
}

std::vector<CSimPortEntry> CSimPortRegistration::ReadEntries(const std::string& directory) {
    std::vector<CSimPortEntry> entries;
    for (const std::string& name : PortFiles(directory)) {
        CSimPortEntry entry;
        entry.pid = PidOfFile(name);
        entry.file = directory + "/" + name;
        if (!Alive(entry.pid)) {
            continue;
        }
        std::ifstream in(entry.file);
        std::string line;
        if (!std::getline(in, line)) {
            continue;
        }
        const size_t tab = line.find('\t');
        if (tab == std::string::npos || tab == 0) {
            continue;
        }
        entry.path = line.substr(0, tab);
        entry.displayName = line.substr(tab + 1);
        entries.push_back(std::move(entry));
    }
    return entries;
}

void CSimPortRegistration::Register(const std::string& path, const std::string& displayName,
                                    const std::string& directory) {
    Remove();
    for (const std::string& name : PortFiles(directory)) {
        if (!Alive(PidOfFile(name))) {
            ::unlink((directory + "/" + name).c_str());
        }
    }
    const int n = g_registrations++;
    const std::string base = std::to_string(::getpid()) + (n == 0 ? "" : "-" + std::to_string(n));
    const std::string file = directory + "/" + base + kSuffix;
    const std::string temp = directory + "/." + base + ".tmp";
    {
        std::ofstream out(temp, std::ios::trunc);
        out << path << '\t' << displayName << '\n';
        out.flush();
        if (!out) {
            ::unlink(temp.c_str());
            throw std::runtime_error("cannot write " + temp);
        }
    }
    if (::rename(temp.c_str(), file.c_str()) != 0) {
        const std::string reason = std::strerror(errno);
        ::unlink(temp.c_str());
        throw std::runtime_error("cannot create " + file + ": " + reason);
    }
    m_file = file;
}

void CSimPortRegistration::Remove() {
    if (!m_file.empty()) {
        ::unlink(m_file.c_str());
        m_file.clear();
    }
}
