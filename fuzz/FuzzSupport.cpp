#include "fuzz/FuzzSupport.h"

#include "comm/CPrivateException.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

const std::string& ScratchDir() {
    static const std::string dir = [] {
        std::string base = "/dev/shm";
        if (::access(base.c_str(), W_OK) != 0) {
            const char* tmp = std::getenv("TMPDIR");
            base = tmp && *tmp ? tmp : "/tmp";
        }
        std::string templ = base + "/q3fuzz-XXXXXX";
        if (::mkdtemp(templ.data()) == nullptr)
            FuzzFailure("can not make a scratch directory in " + base);
        static std::string made = templ;
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(made, ignored);
        });
        return templ;
    }();
    return dir;
}

void WriteScratchFile(const std::string& path, const uint8_t* data, std::size_t size) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        FuzzFailure("can not create " + path);
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n <= 0)
            FuzzFailure("can not write " + path);
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    ::close(fd);
}

std::string ReadScratchFile(const std::string& path) {
    std::string content;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        FuzzFailure("can not open " + path);
    char buffer[65536];
    ssize_t n;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0)
        content.append(buffer, static_cast<std::size_t>(n));
    ::close(fd);
    return content;
}

void SilenceMessages() {
    SetMessageSink([](const std::string&, CPrivateException::Icon) {});
}

void FuzzFailure(const std::string& what) {
    std::fprintf(stderr, "fuzz check failed: %s\n", what.c_str());
    std::abort();
}
