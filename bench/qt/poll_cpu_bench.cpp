// CPU time per poll of a Q3VA: a plain write/poll/read loop, q3cli monitor and the q3config
// window online, against one q3sim on a pseudo-terminal, in the same run.
//
//   poll_cpu_bench [RUNS] [POLLS] [SLICES]
//
// The plain loop sends the very requests of q3cli's poll (taken from its trace) with the same
// pause after each answer (the silent interval and the drain read's millisecond) and does
// nothing else. q3cli monitor's CPU time is taken between the lines of its first and its last
// poll, so that starting the program is left out. The window is built as q3config's main()
// builds it, on the offscreen platform, connected with its Connect button; its whole process's
// CPU time (window, polling and timer threads) is taken over POLLS poll results once it is
// online, the start page showing. All three are read from the kernel's CPU clocks.
//
// On a virtual machine the host's work lands on whatever runs here as system time, in bursts
// that only ever add. So each run measures every program in SLICES pieces, interleaved, and
// keeps each one's least; the medians over RUNS (default 5) are compared: q3cli / plain loop
// and q3config / q3cli.

#include "app/qt/CVELKApp.h"
#include "app/qt/CVELKDlg.h"
#include "app/qt/ProgramAssembly.h"
#include "comm/CModbusInterface.h"

#include <QApplication>
#include <QPushButton>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

extern char** environ;

namespace {
using Clock = std::chrono::steady_clock;

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "poll_cpu_bench: %s\n", what.c_str());
    std::exit(1);
}

// CPU time of a clock (this thread, this process or another one), exact to the nanosecond.
double CpuMs(clockid_t clock) {
    timespec t{};
    if (clock_gettime(clock, &t) != 0)
        Fail("no CPU clock");
    return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}

// Runs a program; its standard output and error go to the given descriptors (-1: /dev/null).
pid_t Spawn(const std::vector<std::string>& args, int out = -1, int err = -1) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (out >= 0)
        posix_spawn_file_actions_adddup2(&actions, out, STDOUT_FILENO);
    else
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    if (err >= 0)
        posix_spawn_file_actions_adddup2(&actions, err, STDERR_FILENO);
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        Fail("cannot start " + args[0]);
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// Waits for a program to end with success.
void WaitOk(pid_t pid) {
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        Fail("a measured program failed");
}

std::string ReadAll(int fd) {
    std::string text;
    char buffer[4096];
    ssize_t n = 0;
    while ((n = read(fd, buffer, sizeof buffer)) > 0)
        text.append(buffer, static_cast<std::size_t>(n));
    return text;
}

struct Request {
    std::vector<uint8_t> frame;
    std::size_t answer = 0;
};

// The requests of one poll, from q3cli's trace ("ReadHoldingRegisters: adrs=N size=M").
std::vector<Request> PollRequests(const std::string& cli, const std::string& port) {
    int fds[2];
    if (pipe(fds) != 0)
        Fail("pipe");
    pid_t pid = Spawn({cli, "--port", port, "--trace", "monitor", "--count", "1"}, -1, fds[1]);
    close(fds[1]);
    std::string trace = ReadAll(fds[0]);
    close(fds[0]);
    WaitOk(pid);
    std::vector<Request> requests;
    const std::string key = "ReadHoldingRegisters: adrs=";
    for (std::size_t at = trace.find(key); at != std::string::npos; at = trace.find(key, at + 1)) {
        int address = 0;
        int size = 0;
        if (std::sscanf(trace.c_str() + at + key.size(), "%d size=%d", &address, &size) != 2)
            Fail("unreadable trace");
        int start = address - 1;
        std::vector<uint8_t> frame = {1,
                                      4,
                                      static_cast<uint8_t>(start >> 8),
                                      static_cast<uint8_t>(start & 0xFF),
                                      0,
                                      static_cast<uint8_t>(size)};
        uint16_t crc = CModbusInterface::Crc16(frame.data(), frame.size());
        frame.push_back(static_cast<uint8_t>(crc & 0xFF));
        frame.push_back(static_cast<uint8_t>(crc >> 8));
        requests.push_back({frame, 5 + 2 * static_cast<std::size_t>(size)});
    }
    if (requests.empty())
        Fail("q3cli's trace shows no request");
    return requests;
}

// CPU time per poll of the least a client must do: write, wait, read, pause.
double PlainLoop(const std::string& port, const std::vector<Request>& requests, int polls) {
    int fd = open(port.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        Fail("cannot open " + port);
    termios line{};
    tcgetattr(fd, &line);
    cfmakeraw(&line);
    line.c_cflag |= CLOCAL | CREAD | PARENB | PARODD;
    cfsetspeed(&line, B9600);
    tcsetattr(fd, TCSANOW, &line);
    CommSettings settings;
    const auto pause = std::chrono::milliseconds(CModbusInterface::SilentInterval(settings) + 1);
    uint8_t answer[512];
    const double before = CpuMs(CLOCK_THREAD_CPUTIME_ID);
    for (int p = 0; p < polls; ++p) {
        for (const Request& r : requests) {
            if (write(fd, r.frame.data(), r.frame.size()) != static_cast<ssize_t>(r.frame.size()))
                Fail("write");
            std::size_t got = 0;
            while (got < r.answer) {
                pollfd wait{fd, POLLIN, 0};
                if (poll(&wait, 1, 1000) <= 0)
                    Fail("no answer");
                ssize_t n = read(fd, answer + got, sizeof answer - got);
                if (n > 0)
                    got += static_cast<std::size_t>(n);
            }
            std::this_thread::sleep_for(pause);
        }
    }
    const double after = CpuMs(CLOCK_THREAD_CPUTIME_ID);
    close(fd);
    return (after - before) / polls;
}

// q3cli monitor's CPU time per poll: its process's clock read when it has printed the line of
// its first poll and again after the line of the last, so that starting the program (and
// ending it) is left out.
double CliCpu(const std::string& cli, const std::string& port, int polls) {
    int out[2];
    if (pipe(out) != 0)
        Fail("pipe");
    pid_t pid =
        Spawn({cli, "--port", port, "monitor", "--count", std::to_string(1 + polls)}, out[1]);
    close(out[1]);
    clockid_t clock{};
    if (clock_getcpuclockid(pid, &clock) != 0)
        Fail("no CPU clock of q3cli");
    FILE* lines = fdopen(out[0], "r");
    if (lines == nullptr)
        Fail("cannot read q3cli's output");
    char line[512];
    double first = 0;
    double last = 0;
    for (int n = 0; n <= polls; ++n) {
        if (std::fgets(line, sizeof line, lines) == nullptr)
            Fail("q3cli monitor ended early");
        (n == 0 ? first : last) = CpuMs(clock);
    }
    std::fclose(lines);
    WaitOk(pid);
    return (last - first) / polls;
}

// The window, as main() builds it, online: CPU time of the process per poll result.
int WindowChild(int argc, char** argv, const std::string& port, int polls, int commandFd,
                int reportFd) {
    QApplication application(argc, argv);
    AssembleProgram();
    CVELKApp app(std::string(Q3_BIN_DIR) + "/q3config");
    app.SetInitialPort(port);
    app.LoadSettings();
    app.LoadLanguageModule(app.Settings().DisplayLanguage);
    app.CreateInitialFileSet();
    CVELKDlg dialog;
    dialog.Initialise();
    dialog.show();
    auto waitFor = [](auto done) {
        Clock::time_point giveUp = Clock::now() + std::chrono::seconds(30);
        while (!done()) {
            if (Clock::now() > giveUp)
                Fail("the window did not get on");
            // The window's 500 ms timer wakes the wait at the latest.
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
    };
    // One slice each time the parent writes a byte; the answer is the slice's CPU time. The
    // window holds the port only meanwhile, as the others need it in between.
    char go = 0;
    while (read(commandFd, &go, 1) == 1) {
        waitFor([&] { return dialog.UiStateValue() == CVELKDlg::kOffline; });
        dialog.ConnectButton()->click();
        waitFor([&] { return dialog.UiStateValue() == CVELKDlg::kOnline; });
        // Settled: the first results have filled the pages.
        int first = dialog.PollsPosted() + 2;
        waitFor([&] { return dialog.PollsPosted() >= first; });
        const double before = CpuMs(CLOCK_PROCESS_CPUTIME_ID);
        waitFor([&] { return dialog.PollsPosted() >= first + polls; });
        const double after = CpuMs(CLOCK_PROCESS_CPUTIME_ID);
        dialog.ConnectButton()->click();
        waitFor([&] { return dialog.UiStateValue() == CVELKDlg::kOffline; });
        std::string line = std::to_string((after - before) / polls) + "\n";
        if (write(reportFd, line.data(), line.size()) != static_cast<ssize_t>(line.size()))
            return 1;
    }
    dialog.Shutdown();
    return 0;
}

// The window in a process of its own, measuring one slice at a time.
class WindowProcess {
public:
    WindowProcess(const char* self, const std::string& port, int polls) {
        int command[2];
        int report[2];
        // Only the child's ends are inherited: the window sees the end of the commands.
        if (pipe2(command, O_CLOEXEC) != 0 || pipe2(report, O_CLOEXEC) != 0)
            Fail("pipe");
        fcntl(command[0], F_SETFD, 0);
        fcntl(report[1], F_SETFD, 0);
        m_pid = Spawn({self, "--window", port, std::to_string(polls), std::to_string(command[0]),
                       std::to_string(report[1])});
        close(command[0]);
        close(report[1]);
        m_command = command[1];
        m_report = fdopen(report[0], "r");
    }
    ~WindowProcess() {
        close(m_command);
        WaitOk(m_pid);
        fclose(m_report);
    }
    double Slice() {
        char line[64] = {};
        if (write(m_command, "s", 1) != 1 || !fgets(line, sizeof line, m_report))
            Fail("the window reported nothing");
        return std::atof(line);
    }

private:
    pid_t m_pid = 0;
    int m_command = -1;
    FILE* m_report = nullptr;
};
} // namespace

int main(int argc, char** argv) {
    if (argc > 5 && std::strcmp(argv[1], "--window") == 0)
        return WindowChild(argc, argv, argv[2], std::atoi(argv[3]), std::atoi(argv[4]),
                           std::atoi(argv[5]));

    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const int polls = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    const int slices = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;
    QTemporaryDir home;
    if (!home.isValid())
        Fail("no temporary folder");
    const std::string dir = home.path().toStdString();
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR"})
        setenv(name, dir.c_str(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const std::string bin = Q3_BIN_DIR;
    const std::string cli = bin + "/q3cli";

    int simOut[2];
    if (pipe(simOut) != 0)
        Fail("pipe");
    pid_t sim = Spawn({bin + "/q3sim", "--model", "Q3VA"}, simOut[1]);
    close(simOut[1]);
    std::string port;
    char c = 0;
    while (read(simOut[0], &c, 1) == 1 && c != '\n')
        port += c;
    if (port.empty())
        Fail("the simulator gave no port");

    std::vector<Request> requests = PollRequests(cli, port);
    std::printf("Q3VA poll: %zu requests; %d polls a slice, the least of %d slices a run, "
                "%d runs\n",
                requests.size(), polls, slices, runs);
    std::vector<double> plain, cliMs, window;
    for (int run = 0; run < runs; ++run) {
        double p = 1e9, q = 1e9, w = 1e9;
        {
            WindowProcess gui(argv[0], port, polls);
            for (int i = 0; i < slices; ++i) {
                p = std::min(p, PlainLoop(port, requests, polls));
                q = std::min(q, CliCpu(cli, port, polls));
                w = std::min(w, gui.Slice());
            }
        }
        plain.push_back(p);
        cliMs.push_back(q);
        window.push_back(w);
        std::printf("run %d: plain loop %.2f ms, q3cli %.2f ms, q3config %.2f ms per poll\n",
                    run + 1, plain.back(), cliMs.back(), window.back());
        std::fflush(stdout);
    }
    kill(sim, SIGTERM);
    waitpid(sim, nullptr, 0);
    close(simOut[0]);

    double p = Median(plain);
    double q = Median(cliMs);
    double w = Median(window);
    std::printf("CPU per poll, medians: plain loop %.2f ms, q3cli monitor %.2f ms, q3config "
                "%.2f ms\n",
                p, q, w);
    std::printf("q3cli / plain loop: %.2f (target at most 1.2)\n", q / p);
    std::printf("q3config / q3cli: %.2f (target at most 1.3)\n", w / q);
    return 0;
}
