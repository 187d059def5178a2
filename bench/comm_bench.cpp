// Full upload, full download and one poll of each model against the simulator at 9600 baud
// (in-process on a pseudo-terminal, answers delayed by their line time), each reported as the
// measured time over the protocol's own minimum for the same requests: request and answer
// bytes at 11 bits per character, the 1 ms drain read and the silent interval the client must
// keep before each request and after each answer, and the simulator's turnaround (it answers
// as soon as a frame is complete, after the line time, plus the turnaround it is configured
// with, 0 here). Counters: ratio (target at most 1.03), measured_ms, minimum_ms, requests,
// cpu_user_ms and cpu_sys_ms; the CPU time column is the client's own (the simulator runs on
// its own thread).
#include "comm/CCommInterface.h"
#include "comm/CModbusInterface.h"
#include "device/CDeviceInterface.h"
#include "model/CDeviceType.h"
#include "model/ParameterIds.h"
#include "sim/CSimDevice.h"
#include "sim/CSimServer.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <memory>

#include <poll.h>
#include <sys/resource.h>

namespace {
using Clock = std::chrono::steady_clock;

constexpr int kBaud = 9600;
constexpr double kBitsPerCharacter = 11;
constexpr double kDrainReadMs = 1;
constexpr int kSimTurnaroundMs = 0;

double WireMs(std::size_t bytes) {
    return bytes * kBitsPerCharacter * 1000.0 / kBaud;
}

// The least time the requests in the simulator's log can take on this line.
double MinimumMs(const std::vector<CSimRequestRecord>& log, uint32_t silentIntervalMs) {
    double total = 0;
    for (const CSimRequestRecord& r : log) {
        bool write = r.function == 0x10;
        std::size_t request = write ? 9 + 2u * r.count : 8;
        std::size_t answer = write ? 8 : 5 + 2u * r.count;
        total += kDrainReadMs + WireMs(request + answer) + kSimTurnaroundMs + silentIntervalMs;
    }
    return total;
}

struct Line {
    explicit Line(int model) : sim(model), server(sim) {
        server.SetLineTiming(kBaud, kSimTurnaroundMs);
        CommSettings s;
        s.portName = server.StartPty();
        comm.SetSettings(s);
        comm.Connect();
        device.SetConnection(&comm);
        silentInterval = CModbusInterface::SilentInterval(s);
    }
    ~Line() {
        comm.Disconnect();
        server.Stop();
    }
    CSimDevice sim;
    CSimServer server;
    CCommInterface comm;
    CDeviceInterface device;
    uint32_t silentInterval = 0;
};

// User and system CPU time of the calling thread, in milliseconds.
struct ThreadCpu {
    double user = 0;
    double system = 0;
    static ThreadCpu Now() {
        rusage usage{};
        getrusage(RUSAGE_THREAD, &usage);
        auto ms = [](const timeval& t) { return t.tv_sec * 1000.0 + t.tv_usec / 1000.0; };
        return {ms(usage.ru_utime), ms(usage.ru_stime)};
    }
};

template <class Operation> void Measure(benchmark::State& state, Line& line, Operation operation) {
    double measured = 0;
    double minimum = 0;
    double user = 0;
    double system = 0;
    std::size_t requests = 0;
    for (auto _ : state) {
        line.sim.ClearLog();
        ThreadCpu cpu = ThreadCpu::Now();
        Clock::time_point start = Clock::now();
        operation();
        measured += std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        ThreadCpu after = ThreadCpu::Now();
        user += after.user - cpu.user;
        system += after.system - cpu.system;
        std::vector<CSimRequestRecord> log = line.sim.GetRequestLog();
        minimum += MinimumMs(log, line.silentInterval);
        requests = log.size();
    }
    double n = static_cast<double>(state.iterations());
    state.counters["ratio"] = measured / minimum;
    state.counters["measured_ms"] = measured / n;
    state.counters["minimum_ms"] = minimum / n;
    state.counters["requests"] = static_cast<double>(requests);
    // The client's CPU split: its own code, and the kernel's (system calls and the wake-ups of
    // the prescribed waits).
    state.counters["cpu_user_ms"] = user / n;
    state.counters["cpu_sys_ms"] = system / n;
}

void BM_Upload(benchmark::State& state) {
    Line line(static_cast<int>(state.range(0)));
    Measure(state, line, [&] { line.device.Upload(); });
}

void BM_Download(benchmark::State& state) {
    int model = static_cast<int>(state.range(0));
    Line line(model);
    auto set = CDeviceType::NewParameterSet(CDeviceInterface::TypeCodeOfModel(model));
    set->SetValueText(kIdFilterTime, "2.5", true);
    Measure(state, line, [&] { line.device.Download(*set); });
}

void BM_Poll(benchmark::State& state) {
    Line line(static_cast<int>(state.range(0)));
    Measure(state, line, [&] { line.device.Poll(); });
}

// What the kernel charges on this machine for the waits alone: two blocking waits per request
// of a Q3VA poll (the answer and the silent interval), each a 1 ms sleep, nothing else.
void BM_WaitFloor(benchmark::State& state) {
    int waits = 2 * static_cast<int>(state.range(0));
    for (auto _ : state)
        for (int i = 0; i < waits; ++i)
            ::poll(nullptr, 0, 1);
    state.counters["waits"] = waits;
}

void Models(benchmark::internal::Benchmark* b) {
    for (int model : {1001, 1002, 1011, 1012, 1021, 1022, 1031, 1032})
        b->Arg(model);
}
} // namespace

BENCHMARK(BM_Upload)->Apply(Models)->Iterations(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Download)->Apply(Models)->Iterations(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Poll)->Apply(Models)->Iterations(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WaitFloor)->Arg(42)->Iterations(10)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
