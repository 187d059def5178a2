#include "comm/CPortList.h"
#include "platform/CSystemCalls.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
std::vector<std::string> ListDirectory(const std::string& path) {
    std::vector<std::string> names = CSystemCalls::Current().ListFolder(path);
    std::sort(names.begin(), names.end());
    return names;
}

bool Exists(const std::string& path) {
    struct stat st {};
    return CSystemCalls::Current().Stat(path.c_str(), &st) == 0;
}

// The first line of a small text file, trimmed; empty when it cannot be read.
std::string ReadLine(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    if (!in || !std::getline(in, line))
        return {};
    std::size_t end = line.find_last_not_of(" \t\r\n");
    std::size_t begin = line.find_first_not_of(" \t");
    if (end == std::string::npos || begin == std::string::npos)
        return {};
    return line.substr(begin, end - begin + 1);
}

std::string Basename(const std::string& path) {
    std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ReadLinkTarget(const std::string& path) {
    return CSystemCalls::Current().ReadLink(path);
}

std::string RealPath(const std::string& path) {
    return CSystemCalls::Current().RealPath(path);
}

// "ttyUSB10" sorts after "ttyUSB9": letters first, then the trailing number.
struct NaturalLess {
    bool operator()(const std::string& a, const std::string& b) const {
        auto split = [](const std::string& s) {
            std::size_t digits = s.find_last_not_of("0123456789") + 1;
            long number = digits < s.size() ? std::strtol(s.c_str() + digits, nullptr, 10) : -1;
            return std::make_pair(s.substr(0, digits), number);
        };
        auto sa = split(a);
        auto sb = split(b);
        return sa != sb ? sa < sb : a < b;
    }
};

// The number of a platform UART name "ttyS<n>", or -1.
int UartNumber(const std::string& name) {
    if (name.size() < 5 || name.compare(0, 4, "ttyS") != 0)
        return -1;
    if (name.find_first_not_of("0123456789", 4) != std::string::npos)
        return -1;
    return std::atoi(name.c_str() + 4);
}

// Maker and product of the USB device above a tty's device directory, searched upward but
// never above sysRoot.
std::string UsbDescription(const std::string& deviceDir, const std::string& sysRoot) {
    std::string dir = RealPath(deviceDir);
    std::string limit = RealPath(sysRoot);
    if (dir.empty() || limit.empty())
        return {};
    while (dir.size() > limit.size() && dir.compare(0, limit.size(), limit) == 0) {
        if (Exists(dir + "/idVendor")) {
            std::string maker = ReadLine(dir + "/manufacturer");
            std::string product = ReadLine(dir + "/product");
            if (product.empty())
                product = "USB serial adapter";
            if (maker.empty() || product.compare(0, maker.size(), maker) == 0)
                return product;
            return maker + " " + product;
        }
        dir = dir.substr(0, dir.find_last_of('/'));
    }
    return {};
}

// Device name -> stable path under /dev/serial/by-id.
std::map<std::string, std::string> StableNames(const std::string& root) {
    std::map<std::string, std::string> names;
    for (const std::string& link : ListDirectory(root + "/dev/serial/by-id")) {
        std::string target = Basename(ReadLinkTarget(root + "/dev/serial/by-id/" + link));
        if (!target.empty() && !names.count(target))
            names[target] = "/dev/serial/by-id/" + link;
    }
    return names;
}

bool ProcessEnded(long pid) {
    return ::kill(static_cast<pid_t>(pid), 0) == -1 && errno == ESRCH;
}
} // namespace

CPortList::CPortList() {
    Build("", SimulatorDirectory());
}

CPortList::CPortList(const std::string& root, const std::string& simulatorDir) {
    Build(root, simulatorDir);
}

std::string CPortList::Path(int index) const {
    return index >= 0 && index < Count() ? m_entries[static_cast<std::size_t>(index)].path
                                         : std::string();
}

std::string CPortList::DisplayName(int index) const {
    return index >= 0 && index < Count() ? m_entries[static_cast<std::size_t>(index)].displayName
                                         : std::string();
}

std::string CPortList::SimulatorDirectory() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && runtime[0] == '/' && CSystemCalls::Current().Access(runtime, W_OK) == 0)
        return std::string(runtime) + "/q3sim";
    return "/tmp/q3sim-" + std::to_string(::getuid());
}

void CPortList::Build(const std::string& root, const std::string& simulatorDir) {
    m_entries.clear();
    std::map<std::string, PortEntry, NaturalLess> added;
    try {
        const std::string sys = root + "/sys";
        const std::string classDir = sys + "/class/tty";
        std::map<std::string, std::string> stable = StableNames(root);
        for (const std::string& name : ListDirectory(classDir)) {
            std::string deviceDir = classDir + "/" + name + "/device";
            if (!Exists(deviceDir))
                continue; // virtual terminals, pty, console
            int uart = UartNumber(name);
            if (uart >= 0 && ReadLine(classDir + "/" + name + "/type") == "0")
                continue; // a UART slot without hardware
            std::string description = UsbDescription(deviceDir, sys);
            if (description.empty())
                description = "Serial port";
            PortEntry entry;
            auto found = stable.find(name);
            entry.path = found != stable.end() ? found->second : "/dev/" + name;
            entry.displayName = description + " (" + name + ")";
            added[name] = entry;
        }
    } catch (...) {
        // A system tree that cannot be read offers no port.
    }
    for (const auto& [name, entry] : added)
        m_entries.push_back(entry);

    if (simulatorDir.empty())
        return;
    try {
        for (const std::string& file : ListDirectory(simulatorDir)) {
            const std::string suffix = ".port";
            if (file.size() <= suffix.size() ||
                file.compare(file.size() - suffix.size(), suffix.size(), suffix) != 0)
                continue;
            // "<pid>.port", or "<pid>-<n>.port" for further ports of one process.
            std::size_t digits = file.find_first_not_of("0123456789");
            if (digits == 0 || digits > 9)
                continue;
            if (ProcessEnded(std::atol(file.substr(0, digits).c_str())))
                continue;
            std::ifstream in(simulatorDir + "/" + file);
            std::string line;
            if (!in || !std::getline(in, line))
                continue;
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            std::size_t tab = line.find('\t');
            if (tab == 0 || tab == std::string::npos || tab + 1 >= line.size())
                continue;
            PortEntry entry{line.substr(0, tab), line.substr(tab + 1)};
            bool listed = std::any_of(m_entries.begin(), m_entries.end(),
                                      [&](const PortEntry& e) { return e.path == entry.path; });
            if (!listed)
                m_entries.push_back(entry);
        }
    } catch (...) {
        // Simulators are a convenience; their absence is no error.
    }
}
