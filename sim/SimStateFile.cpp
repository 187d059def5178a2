#include "sim/SimStateFile.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <string_view>

#include <unistd.h>

namespace {

std::runtime_error StateError(const std::string& path, const std::string& what) {
    return std::runtime_error("state file " + path + ": " + what);
}

template <typename T> bool ParseNumber(std::string_view text, T& value) {
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value);
    return result.ec == std::errc() && result.ptr == end && !text.empty();
}

} // namespace

std::optional<CSimState> SimLoadState(const std::string& path) {
    std::ifstream in(path);
    if (!in) {
        if (errno == ENOENT) {
            return std::nullopt;
        }
        throw StateError(path, std::strerror(errno));
    }
    CSimState state;
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.empty() || line[0] == '#') {
            continue;
        }
        const size_t eq = line.find('=');
        const std::string where = "line " + std::to_string(number);
        if (eq == std::string::npos) {
            throw StateError(path, where + ": expected key=value");
        }
        const std::string_view key(line.data(), eq);
        const std::string_view value(line.data() + eq + 1, line.size() - eq - 1);
        if (key == "model") {
            if (!ParseNumber(value, state.model)) {
                throw StateError(path, where + ": bad model number");
            }
            continue;
        }
        uint16_t address = 0;
        uint16_t registerValue = 0;
        if (!ParseNumber(key, address) || !ParseNumber(value, registerValue)) {
            throw StateError(path, where + ": expected <address>=<value 0-65535>");
        }
        state.registers.emplace_back(address, registerValue);
    }
    if (in.bad()) {
        throw StateError(path, "read error");
    }
    if (state.model == 0) {
        throw StateError(path, "no model line");
    }
    return state;
}

void SimSaveState(const std::string& path, const CSimState& state) {
    const std::string temp = path + ".tmp" + std::to_string(::getpid());
    {
        std::ofstream out(temp, std::ios::trunc);
        if (!out) {
            throw StateError(path,
                             std::string("cannot create ") + temp + ": " + std::strerror(errno));
        }
        out << "# q3sim state: register=value, zero-based addresses\n";
        out << "model=" << state.model << '\n';
        for (const auto& [address, value] : state.registers) {
            out << address << '=' << value << '\n';
        }
        out.flush();
        if (!out) {
            std::remove(temp.c_str());
            throw StateError(path, "write error");
        }
    }
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
        const int error = errno;
        std::remove(temp.c_str());
        throw StateError(path, std::strerror(error));
    }
}
