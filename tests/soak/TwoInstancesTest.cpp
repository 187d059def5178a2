// Two program instances write parameters to one device at the same time (two processes of
// q3_instance_writer on one Modbus TCP simulator), each with a process-mode lock file of its
// own, as two users or two runtime directories have. The lock of one writer per device keeps
// their "900 := 1 ... 900 := restore" pairs apart all the same, and every write is made inside
// its mode: none is skipped for a lock found taken.
#include "sim/CSimDevice.h"
#include "sim/CSimServer.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {
using Clock = std::chrono::steady_clock;

constexpr int kWrites = 1000; // per instance: 8000 requests, inside the simulator's log of 10000
constexpr uint16_t kModeRegister = 900;
constexpr uint16_t kTagRegister = 9629;

class CInstance {
public:
    CInstance(const std::string& lockPath, uint16_t port, const std::string& letter) {
        int in[2];
        int out[2];
        if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in[0], 0);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        std::string program = std::string(Q3_BIN_DIR) + "/q3_instance_writer";
        std::string portText = std::to_string(port);
        std::string count = std::to_string(kWrites);
        std::vector<char*> argv = {program.data(),  const_cast<char*>(lockPath.c_str()),
                                   portText.data(), const_cast<char*>(letter.c_str()),
                                   count.data(),    nullptr};
        if (posix_spawn(&m_pid, program.c_str(), &actions, nullptr, argv.data(), environ) != 0)
            m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(in[0]);
        ::close(out[1]);
        m_in = in[1];
        m_out = out[0];
    }
    ~CInstance() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
        if (m_in >= 0)
            ::close(m_in);
        if (m_out >= 0)
            ::close(m_out);
    }
    CInstance(const CInstance&) = delete;
    CInstance& operator=(const CInstance&) = delete;

    bool Started() const { return m_pid > 0; }
    // The next line of its standard output within the bound ("" on time-out or end).
    std::string ReadLine(std::chrono::milliseconds bound) {
        Clock::time_point end = Clock::now() + bound;
        std::string line;
        for (;;) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
            pollfd fd{m_out, POLLIN, 0};
            if (left.count() <= 0 || ::poll(&fd, 1, static_cast<int>(left.count())) <= 0)
                return {};
            char c;
            if (::read(m_out, &c, 1) != 1)
                return {};
            if (c == '\n')
                return line;
            line += c;
        }
    }
    void Go() {
        ssize_t n = ::write(m_in, "go\n", 3);
        (void)n;
        ::close(m_in);
        m_in = -1;
    }
    // Exit status once ended (-1: killed after the bound).
    int Wait(std::chrono::milliseconds bound) {
        Clock::time_point end = Clock::now() + bound;
        int status = 0;
        while (::waitpid(m_pid, &status, WNOHANG) == 0) {
            if (Clock::now() > end) {
                ::kill(m_pid, SIGKILL);
                ::waitpid(m_pid, nullptr, 0);
                m_pid = -1;
                return -1;
            }
            ::usleep(2000);
        }
        m_pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    pid_t m_pid = -1;
    int m_in = -1;
    int m_out = -1;
};

struct Outcome {
    int pairs = 0;      // 900 := 1 followed by its restore
    int tagWrites[2]{}; // by instance A and B
    bool interleaved = false;
    std::string firstBreak; // where the pairs broke, for the failure message
    uint16_t finalMode = 0;
};

// Runs both instances against one simulator and reads its write log.
Outcome RunTwoInstances(const std::string& lockA, const std::string& lockB) {
    Outcome outcome;
    CSimDevice sim(1001);
    CSimServer server(sim);
    uint16_t port = server.StartTcp();
    const uint16_t initialMode = sim.GetProcessMode();
    CInstance a(lockA, port, "A");
    CInstance b(lockB, port, "B");
    EXPECT_TRUE(a.Started() && b.Started());
    EXPECT_EQ("ready", a.ReadLine(std::chrono::seconds(10)));
    EXPECT_EQ("ready", b.ReadLine(std::chrono::seconds(10)));
    sim.ClearLog();
    // Both are connected and waiting: they start within a millisecond of each other.
    a.Go();
    b.Go();
    EXPECT_EQ("done " + std::to_string(kWrites), a.ReadLine(std::chrono::seconds(60)));
    EXPECT_EQ("done " + std::to_string(kWrites), b.ReadLine(std::chrono::seconds(60)));
    EXPECT_EQ(0, a.Wait(std::chrono::seconds(10)));
    EXPECT_EQ(0, b.Wait(std::chrono::seconds(10)));

    bool inPair = false;
    int index = 0;
    for (const CSimRequestRecord& w : sim.GetWriteLog()) {
        ++index;
        if (w.start == kTagRegister && !w.values.empty()) {
            if (w.values[0] == 'A')
                ++outcome.tagWrites[0];
            else if (w.values[0] == 'B')
                ++outcome.tagWrites[1];
            continue;
        }
        if (w.start != kModeRegister || w.values.size() != 1)
            continue;
        const uint16_t mode = w.values[0];
        // Strictly set, restore, set, restore: a set inside a pair, or a restore outside one or
        // to anything but the mode the device was in, is another instance's pair cutting in.
        bool expected = inPair ? mode == initialMode : mode == 1;
        if (!expected && !outcome.interleaved) {
            outcome.interleaved = true;
            outcome.firstBreak = "write " + std::to_string(index) +
                                 ": 900 := " + std::to_string(mode) +
                                 (inPair ? " inside a pair" : " outside");
        }
        if (inPair && mode == initialMode)
            ++outcome.pairs;
        inPair = mode == 1;
    }
    outcome.finalMode = sim.GetProcessMode();
    server.Stop();
    return outcome;
}
} // namespace

TEST(TwoInstances, OneWriterPerDeviceKeepsTheirSequencesApart) {
    TempDir dir;
    Outcome o = RunTwoInstances(dir.File("a.lock"), dir.File("b.lock"));
    EXPECT_FALSE(o.interleaved) << o.firstBreak;
    EXPECT_EQ(kWrites, o.tagWrites[0]);
    EXPECT_EQ(kWrites, o.tagWrites[1]);
    EXPECT_EQ(2 * kWrites, o.pairs) << "a write went out without the mode change";
    EXPECT_EQ(0, o.finalMode) << "the device was left in a process mode";
    std::printf("two instances: %d + %d tag writes, %d process-mode pairs, interleaved: %s\n",
                o.tagWrites[0], o.tagWrites[1], o.pairs, o.interleaved ? "yes" : "no");
}
