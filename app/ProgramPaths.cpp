#include "app/ProgramPaths.h"
#include "platform/CSystemCalls.h"

#include <sys/stat.h>

namespace {
std::size_t FileNameStart(const std::string& path) {
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? 0 : slash + 1;
}

// Position of the file name's extension dot, or npos.
std::size_t ExtensionDot(const std::string& path) {
    std::size_t start = FileNameStart(path);
    std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot <= start)
        return std::string::npos;
    return dot;
}
} // namespace

std::string ApplicationName(const std::string& programPath) {
    std::size_t start = FileNameStart(programPath);
    std::size_t dot = ExtensionDot(programPath);
    return programPath.substr(start, dot == std::string::npos ? std::string::npos : dot - start);
}

std::string ProgramDirectory(const std::string& programPath) {
    std::size_t slash = programPath.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : programPath.substr(0, slash);
}

std::string LanguageModulePath(const std::string& programPath, const std::string& suffix) {
    std::string dir = ProgramDirectory(programPath);
    return (dir == "/" ? "" : dir) + "/" + ApplicationName(programPath) + suffix;
}

std::string PrivilegeMarkerPath(const std::string& programPath) {
    std::size_t dot = ExtensionDot(programPath);
    return programPath.substr(0, dot) + ".adm";
}

bool PrivilegeMarkerPresent(const std::string& programPath) {
    struct stat info {};
    return CSystemCalls::Current().Stat(PrivilegeMarkerPath(programPath).c_str(), &info) == 0;
}
