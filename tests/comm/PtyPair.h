#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

// A pseudo-terminal pair standing in for a serial line: the code under test opens SlavePath();
// the test plays the device on the master. A second slave descriptor is held open so the
// master never sees a hang-up while the port under test is closed and reopened.
class CPtyPair {
public:
    CPtyPair() {
        m_master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0)
            throw std::runtime_error("no pseudo-terminal");
        char name[128];
        if (ptsname_r(m_master, name, sizeof name) != 0)
            throw std::runtime_error("no pseudo-terminal name");
        m_slavePath = name;
        m_keepOpen = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
        if (m_keepOpen < 0)
            throw std::runtime_error("cannot open pseudo-terminal slave");
        // Raw until the code under test configures the line, so bytes pass unchanged.
        termios t{};
        tcgetattr(m_keepOpen, &t);
        cfmakeraw(&t);
        tcsetattr(m_keepOpen, TCSANOW, &t);
    }
    ~CPtyPair() {
        ::close(m_keepOpen);
        ::close(m_master);
    }
    CPtyPair(const CPtyPair&) = delete;
    CPtyPair& operator=(const CPtyPair&) = delete;

    int Master() const { return m_master; }
    const std::string& SlavePath() const { return m_slavePath; }

    void Write(const std::vector<uint8_t>& bytes) const {
        std::size_t done = 0;
        while (done < bytes.size()) {
            ssize_t n = ::write(m_master, bytes.data() + done, bytes.size() - done);
            if (n > 0)
                done += static_cast<std::size_t>(n);
            else if (errno != EINTR && errno != EAGAIN)
                return;
        }
    }

    // What the port under test sent within the given time.
    std::vector<uint8_t> ReadFor(std::chrono::milliseconds time) const {
        std::vector<uint8_t> out;
        auto end = std::chrono::steady_clock::now() + time;
        for (;;) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                end - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                return out;
            pollfd p{m_master, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(left.count())) <= 0)
                continue;
            uint8_t buffer[256];
            ssize_t n = ::read(m_master, buffer, sizeof buffer);
            if (n > 0)
                out.insert(out.end(), buffer, buffer + n);
        }
    }

private:
    int m_master = -1;
    int m_keepOpen = -1;
    std::string m_slavePath;
};

// A tiny device on the master side: collects request frames (function 0x04: 8 bytes, 0x10:
// 9 + byte count) and answers each with what the script returns (nothing: no answer).
class CPtyResponder {
public:
    using Script = std::function<std::vector<uint8_t>(const std::vector<uint8_t>& request)>;

    CPtyResponder(CPtyPair& pty, Script script)
        : m_pty(pty), m_script(std::move(script)), m_thread([this] { Run(); }) {}
    ~CPtyResponder() {
        m_stop = true;
        m_thread.join();
    }
    CPtyResponder(const CPtyResponder&) = delete;
    CPtyResponder& operator=(const CPtyResponder&) = delete;

    int Requests() const { return m_requests.load(); }

private:
    void Run() {
        std::vector<uint8_t> pending;
        while (!m_stop) {
            pollfd p{m_pty.Master(), POLLIN, 0};
            if (::poll(&p, 1, 5) <= 0 || !(p.revents & POLLIN))
                continue;
            uint8_t buffer[512];
            ssize_t n = ::read(m_pty.Master(), buffer, sizeof buffer);
            if (n <= 0)
                continue;
            pending.insert(pending.end(), buffer, buffer + n);
            for (;;) {
                std::size_t size = FrameSize(pending);
                if (size == 0 || pending.size() < size)
                    break;
                std::vector<uint8_t> request(pending.begin(),
                                             pending.begin() + static_cast<std::ptrdiff_t>(size));
                pending.erase(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(size));
                ++m_requests;
                std::vector<uint8_t> reply = m_script(request);
                if (!reply.empty())
                    m_pty.Write(reply);
            }
        }
    }

    static std::size_t FrameSize(const std::vector<uint8_t>& bytes) {
        if (bytes.size() < 2)
            return 0;
        if (bytes[1] == 0x10)
            return bytes.size() < 7 ? 0 : 9 + static_cast<std::size_t>(bytes[6]);
        return 8;
    }

    CPtyPair& m_pty;
    Script m_script;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_requests{0};
    std::thread m_thread;
};
