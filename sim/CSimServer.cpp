#include "sim/CSimServer.h"

#include "sim/CSimDevice.h"
#include "sim/CSimRtuFramer.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::microseconds;

constexpr int kBitsPerCharacter = 11; // start, 8 data, parity, stop
constexpr size_t kMaxTcpClients = 8;
constexpr microseconds kMinSilence{2000};
constexpr microseconds kHangupBackoff{100000};

std::runtime_error SystemError(const std::string& what) {
    return std::runtime_error(what + ": " + std::strerror(errno));
}

void CloseFd(int& fd) {
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
}

speed_t SpeedConstant(int baud) {
    switch (baud) {
    case 1200:
        return B1200;
    case 2400:
        return B2400;
    case 4800:
        return B4800;
    case 9600:
        return B9600;
    case 19200:
        return B19200;
    case 38400:
        return B38400;
    case 57600:
        return B57600;
    case 115200:
        return B115200;
    default:
        throw std::runtime_error("unsupported baud rate " + std::to_string(baud));
    }
}

bool SameTermios(const termios& a, const termios& b) {
    return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag &&
           a.c_lflag == b.c_lflag && cfgetispeed(&a) == cfgetispeed(&b) &&
           cfgetospeed(&a) == cfgetospeed(&b) && a.c_cc[VMIN] == b.c_cc[VMIN] &&
           a.c_cc[VTIME] == b.c_cc[VTIME];
}

// Applies settings only when they differ: a pty answers EINVAL to a repeated identical set.
void ApplyTermios(int fd, const termios& wanted, const std::string& what) {
    termios current{};
    if (::tcgetattr(fd, &current) != 0) {
        throw SystemError(what);
    }
    if (!SameTermios(current, wanted) && ::tcsetattr(fd, TCSANOW, &wanted) != 0) {
        throw SystemError(what);
    }
}

void SetNonBlocking(int fd) {
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) != 0) {
        throw SystemError("fcntl");
    }
}

timespec ToTimespec(microseconds duration) {
    const auto us = std::max<long long>(duration.count(), 0);
    return {static_cast<time_t>(us / 1000000), static_cast<long>(us % 1000000) * 1000};
}

} // namespace

CSimServer::CSimServer(CSimDevice& device) : m_device(device) {}

CSimServer::~CSimServer() {
    Stop();
}

void CSimServer::SetLineTiming(int baud, int turnaroundMs) {
    m_baud = std::max(baud, 0);
    m_turnaroundMs = std::max(turnaroundMs, 0);
}

std::string CSimServer::StartPty(const std::string& linkPath) {
    if (IsRunning()) {
        throw std::logic_error("simulator server already running");
    }
    try {
        m_fd = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (m_fd < 0) {
            throw SystemError("posix_openpt");
        }
        if (::grantpt(m_fd) != 0 || ::unlockpt(m_fd) != 0) {
            throw SystemError("unlockpt");
        }
        char name[128];
        if (::ptsname_r(m_fd, name, sizeof name) != 0) {
            throw SystemError("ptsname");
        }
        m_path = name;
        // Raw both ways: on a pty the master's settings are the slave's line settings.
        termios raw{};
        if (::tcgetattr(m_fd, &raw) != 0) {
            throw SystemError("tcgetattr " + m_path);
        }
        ::cfmakeraw(&raw);
        ApplyTermios(m_fd, raw, "tcsetattr " + m_path);
        m_holderFd = ::open(m_path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (m_holderFd < 0) {
            throw SystemError("open " + m_path);
        }
        SetNonBlocking(m_fd);
        if (!linkPath.empty()) {
            struct stat st {};
            if (::lstat(linkPath.c_str(), &st) == 0) {
                if (!S_ISLNK(st.st_mode)) {
                    errno = EEXIST;
                    throw SystemError("link " + linkPath);
                }
                ::unlink(linkPath.c_str());
            }
            if (::symlink(m_path.c_str(), linkPath.c_str()) != 0) {
                throw SystemError("symlink " + linkPath);
            }
            m_linkPath = linkPath;
        }
        m_lineBaud = m_baud > 0 ? m_baud : 9600;
        Launch(&CSimServer::RunSerial);
    } catch (...) {
        CloseAll();
        throw;
    }
    return m_path;
}

void CSimServer::StartDevice(const std::string& path, int baud) {
    if (IsRunning()) {
        throw std::logic_error("simulator server already running");
    }
    try {
        const speed_t speed = SpeedConstant(baud);
        m_fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (m_fd < 0) {
            throw SystemError("open " + path);
        }
        m_path = path;
        if (::isatty(m_fd)) {
            termios line{};
            if (::tcgetattr(m_fd, &line) != 0) {
                throw SystemError("tcgetattr " + path);
            }
            ::cfmakeraw(&line);
            line.c_cflag &= ~(CSIZE | CSTOPB | CRTSCTS);
            line.c_cflag |= CS8 | PARENB | PARODD | CLOCAL | CREAD;
            line.c_cc[VMIN] = 0;
            line.c_cc[VTIME] = 0;
            ::cfsetispeed(&line, speed);
            ::cfsetospeed(&line, speed);
            ApplyTermios(m_fd, line, "tcsetattr " + path);
        }
        m_lineBaud = m_baud > 0 ? m_baud : baud;
        Launch(&CSimServer::RunSerial);
    } catch (...) {
        CloseAll();
        throw;
    }
}

uint16_t CSimServer::StartTcp(uint16_t port) {
    if (IsRunning()) {
        throw std::logic_error("simulator server already running");
    }
    try {
        m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (m_fd < 0) {
            throw SystemError("socket");
        }
        const int on = 1;
        ::setsockopt(m_fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            throw SystemError("bind 127.0.0.1:" + std::to_string(port));
        }
        if (::listen(m_fd, 4) != 0) {
            throw SystemError("listen");
        }
        socklen_t size = sizeof address;
        if (::getsockname(m_fd, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
            throw SystemError("getsockname");
        }
        m_tcpPort = ntohs(address.sin_port);
        m_path = "127.0.0.1:" + std::to_string(m_tcpPort);
        Launch(&CSimServer::RunTcp);
    } catch (...) {
        CloseAll();
        throw;
    }
    return m_tcpPort;
}

void CSimServer::Launch(void (CSimServer::*body)()) {
    m_wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_wakeFd < 0) {
        throw SystemError("eventfd");
    }
    m_lastTick = Clock::now();
    m_thread = std::thread(body, this);
}

void CSimServer::Stop() {
    if (m_thread.joinable()) {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = ::write(m_wakeFd, &one, sizeof one);
        m_thread.join();
    }
    CloseAll();
}

void CSimServer::CloseAll() {
    CloseFd(m_fd);
    CloseFd(m_holderFd);
    CloseFd(m_wakeFd);
    if (!m_linkPath.empty()) {
        ::unlink(m_linkPath.c_str());
        m_linkPath.clear();
    }
}

bool CSimServer::Pause(microseconds duration) {
    if (duration.count() <= 0) {
        return true;
    }
    pollfd wake{m_wakeFd, POLLIN, 0};
    const auto until = Clock::now() + duration;
    for (;;) {
        const auto left = std::chrono::duration_cast<microseconds>(until - Clock::now());
        if (left.count() <= 0) {
            return true;
        }
        const timespec timeout = ToTimespec(left);
        const int n = ::ppoll(&wake, 1, &timeout, nullptr);
        if (n > 0) {
            return false;
        }
        if (n < 0 && errno != EINTR) {
            return true;
        }
    }
}

microseconds CSimServer::LineDelay(size_t requestBytes, size_t answerBytes) const {
    microseconds delay{static_cast<long long>(m_turnaroundMs) * 1000};
    if (m_baud > 0) {
        delay += microseconds{static_cast<long long>((requestBytes + answerBytes) *
                                                     kBitsPerCharacter * 1000000 / m_baud)};
    }
    return delay;
}

void CSimServer::AdvanceClock() {
    const auto now = Clock::now();
    const double seconds = std::chrono::duration<double>(now - m_lastTick).count();
    m_lastTick = now;
    if (m_autoTick) {
        m_device.Tick(seconds);
    }
}

bool CSimServer::WriteAll(int fd, const std::vector<uint8_t>& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        const ssize_t written = (n < 0 && errno == ENOTSOCK)
                                    ? ::write(fd, bytes.data() + done, bytes.size() - done)
                                    : n;
        if (written > 0) {
            done += static_cast<size_t>(written);
            continue;
        }
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written < 0 && errno == EAGAIN) {
            pollfd fds[2] = {{m_wakeFd, POLLIN, 0}, {fd, POLLOUT, 0}};
            if (::poll(fds, 2, 1000) <= 0 || (fds[0].revents & POLLIN)) {
                return false;
            }
            continue;
        }
        return false;
    }
    return true;
}

bool CSimServer::ServeRtu(const std::vector<uint8_t>& frame, Clock::time_point start) {
    AdvanceClock();
    const CSimReply reply = m_device.AnswerRtu(frame.data(), frame.size());
    if (reply.bytes.empty()) {
        return true;
    }
    // The time spent working out the answer is not added to the line's.
    const microseconds delay =
        LineDelay(frame.size(), reply.bytes.size()) + microseconds{reply.delayMs * 1000LL};
    if (!Pause(delay - std::chrono::duration_cast<microseconds>(Clock::now() - start))) {
        return false;
    }
    if (!WriteAll(m_fd, reply.bytes)) {
        m_device.Trace(std::string("write failed: ") + std::strerror(errno));
    }
    return true;
}

void CSimServer::RunSerial() {
    CSimRtuFramer framer;
    const microseconds silence = std::max(
        kMinSilence,
        microseconds{static_cast<long long>(3.5 * kBitsPerCharacter * 1000000 / m_lineBaud)});
    auto lastByte = Clock::now();
    uint8_t buffer[512];
    for (;;) {
        pollfd fds[2] = {{m_wakeFd, POLLIN, 0}, {m_fd, POLLIN, 0}};
        timespec timeout{};
        timespec* wait = nullptr;
        if (framer.HasPending()) {
            timeout = ToTimespec(
                std::chrono::duration_cast<microseconds>(lastByte + silence - Clock::now()));
            wait = &timeout;
        }
        const int ready = ::ppoll(fds, 2, wait, nullptr);
        if (ready < 0 && errno != EINTR) {
            m_device.Trace(std::string("poll failed: ") + std::strerror(errno));
            return;
        }
        if (fds[0].revents & POLLIN) {
            return;
        }
        if (fds[1].revents & POLLIN) {
            const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
            if (n > 0) {
                framer.Append(buffer, static_cast<size_t>(n));
                lastByte = Clock::now();
                // A second request read with the first one starts when the first answer ends.
                auto start = lastByte;
                while (std::optional<std::vector<uint8_t>> frame = framer.TakeFrame()) {
                    if (!ServeRtu(*frame, start)) {
                        return;
                    }
                    start = Clock::now();
                }
            } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
                // The other side of a device path went away; wait for it to come back.
                if (!Pause(kHangupBackoff)) {
                    return;
                }
            }
        } else if (fds[1].revents & (POLLHUP | POLLERR | POLLNVAL)) {
            if (!Pause(kHangupBackoff)) {
                return;
            }
        }
        if (framer.HasPending() && Clock::now() - lastByte >= silence) {
            const std::vector<uint8_t> rest = framer.TakeOnSilence();
            if (!rest.empty() && !ServeRtu(rest, Clock::now())) {
                return;
            }
        }
    }
}

bool CSimServer::ServeTcp(int fd, const std::vector<uint8_t>& adu) {
    AdvanceClock();
    const CSimReply reply = m_device.AnswerTcp(adu.data(), adu.size());
    if (reply.bytes.empty()) {
        return true;
    }
    const microseconds delay =
        LineDelay(adu.size(), reply.bytes.size()) + microseconds{reply.delayMs * 1000LL};
    if (!Pause(delay)) {
        return false;
    }
    WriteAll(fd, reply.bytes);
    return true;
}

void CSimServer::RunTcp() {
    struct Client {
        int fd;
        std::vector<uint8_t> buffer;
    };
    std::vector<Client> clients;
    auto closeAll = [&]() {
        for (Client& client : clients) {
            ::close(client.fd);
        }
    };
    uint8_t chunk[512];
    for (;;) {
        std::vector<pollfd> fds = {{m_wakeFd, POLLIN, 0}, {m_fd, POLLIN, 0}};
        for (const Client& client : clients) {
            fds.push_back({client.fd, POLLIN, 0});
        }
        if (::poll(fds.data(), fds.size(), -1) < 0 && errno != EINTR) {
            m_device.Trace(std::string("poll failed: ") + std::strerror(errno));
            closeAll();
            return;
        }
        if (fds[0].revents & POLLIN) {
            closeAll();
            return;
        }
        if (fds[1].revents & POLLIN) {
            const int fd = ::accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
            if (fd >= 0 && clients.size() >= kMaxTcpClients) {
                ::close(fd);
            } else if (fd >= 0) {
                const int on = 1;
                ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
                clients.push_back({fd, {}});
            }
        }
        std::vector<int> closed;
        for (size_t i = 2; i < fds.size(); ++i) {
            if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) {
                continue;
            }
            Client& client = clients[i - 2];
            const ssize_t n = ::recv(client.fd, chunk, sizeof chunk, 0);
            if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) {
                closed.push_back(client.fd);
                continue;
            }
            if (n < 0) {
                continue;
            }
            client.buffer.insert(client.buffer.end(), chunk, chunk + n);
            while (client.buffer.size() >= 6) {
                const size_t follow = (client.buffer[4] << 8) | client.buffer[5];
                if (client.buffer[2] != 0 || client.buffer[3] != 0 || follow < 2 || follow > 254) {
                    m_device.Trace("TCP: not a Modbus stream, connection closed");
                    closed.push_back(client.fd);
                    break;
                }
                if (client.buffer.size() < 6 + follow) {
                    break;
                }
                const std::vector<uint8_t> adu(client.buffer.begin(),
                                               client.buffer.begin() + 6 + follow);
                client.buffer.erase(client.buffer.begin(), client.buffer.begin() + 6 + follow);
                if (!ServeTcp(client.fd, adu)) {
                    closeAll();
                    return;
                }
            }
        }
        for (int fd : closed) {
            ::close(fd);
            std::erase_if(clients, [fd](const Client& client) { return client.fd == fd; });
        }
    }
}
