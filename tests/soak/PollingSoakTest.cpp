// The device interface polling the simulator through 10 % dropped answers and 5 % corrupted
// CRCs for $Q3_SOAK_SECONDS (default 30; CI runs 180), one poll outstanding and re-posted from
// each notification as the main window does. Checks: no notification later than the worst case
// of the client's retries, memory flat after the warm-up, no run of failed polls, and Online on
// the poll after the faults stop.
#include "comm/CCommInterface.h"
#include "comm/CModbusInterface.h"
#include "sim/CSimDevice.h"
#include "sim/CSimServer.h"
#include "tests/soak/SoakSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

using namespace soak;

namespace {
struct Figures {
    int polls = 0;
    int failed = 0;
    int recoveries = 0;
    int longestFailedRun = 0;
    long slowestMs = 0;
    long requests = 0;
    long drops = 0;
    long badCrcs = 0;
    long survived = 0; // faults met by polls that still succeeded (absorbed by the retries)
    long writes = 0;
};
} // namespace

TEST(Soak, PollingThroughDroppedAndCorruptedAnswers) {
    const int seconds = EnvSeconds("Q3_SOAK_SECONDS", 30);
    const int warmupSeconds = std::max(3, seconds / 6);

    CSimDevice sim(1001);
    sim.SetSeed(20240611);
    CSimServer server(sim);
    const CommSettings settings = SerialSettings(server.StartPty());
    CCommInterface comm;
    comm.SetSettings(settings);
    comm.Connect();

    CQueueDispatcher dispatcher;
    CThreadWatcher watcher(dispatcher);
    auto thread = std::make_unique<CDeviceInterfaceThread>();
    thread->AddObserver(&watcher);
    thread->SetConnection(&comm);

    // A clean poll first: it gives the number of requests of one poll.
    thread->PostCommand(CDeviceInterfaceThread::kPoll);
    ASSERT_TRUE(WaitForNotification(dispatcher, watcher, milliseconds(10000)));
    ASSERT_TRUE(watcher.last.valid);
    const std::vector<CSimRequestRecord> clean = sim.GetRequestLog();
    const auto perPoll = static_cast<long>(clean.size());
    ASSERT_GT(perPoll, 1);
    std::size_t longestRead = 0;
    for (const CSimRequestRecord& r : clean)
        longestRead = std::max<std::size_t>(longestRead, r.count);
    sim.ClearLog();

    // The worst poll that still ends: every request needs all three attempts, each a full
    // time-out of the longest read, the silent interval and a quiet line for another time-out;
    // then the idle wait and the reopen.
    const long timeoutMs =
        CModbusInterface::ResponseTimeoutFor(settings, false, 8, 2 * longestRead + 3);
    const long attemptMs = 2 * timeoutMs + CModbusInterface::SilentInterval(settings);
    const milliseconds bound(perPoll * 3 * attemptMs + CDeviceInterface::kIdleWaitMs + 3000);

    CSimFaults faults;
    faults.drop = 0.10;
    faults.badCrc = 0.05;
    sim.SetFaults(faults);

    Figures f;
    int failedRun = 0;
    bool previousValid = true;
    // Runs in the notification's handler: the worker is idle until the next post, so the log
    // holds exactly the requests of the poll that just ended.
    watcher.then = [&](CDeviceInterfaceThread& t) {
        std::vector<CSimRequestRecord> log = sim.GetRequestLog();
        sim.ClearLog();
        long faultsMet = 0;
        for (const CSimRequestRecord& r : log) {
            f.drops += r.fault == CSimFault::Drop;
            f.badCrcs += r.fault == CSimFault::BadCrc;
            faultsMet += r.fault != CSimFault::None;
            f.writes += r.function == 0x10;
        }
        f.requests += static_cast<long>(log.size());
        ++f.polls;
        if (watcher.last.valid) {
            f.survived += faultsMet;
            if (!previousValid)
                ++f.recoveries;
            failedRun = 0;
        } else {
            ++f.failed;
            f.longestFailedRun = std::max(f.longestFailedRun, ++failedRun);
        }
        previousValid = watcher.last.valid;
        t.PostCommand(CDeviceInterfaceThread::kPoll);
    };

    const Clock::time_point start = Clock::now();
    long rssWarm = 0;
    thread->PostCommand(CDeviceInterfaceThread::kPoll);
    while (ElapsedMs(start) < seconds * 1000L) {
        Clock::time_point asked = Clock::now();
        ASSERT_TRUE(WaitForNotification(dispatcher, watcher, bound))
            << "no notification within " << bound.count() << " ms after poll " << f.polls;
        f.slowestMs = std::max(f.slowestMs, ElapsedMs(asked));
        ASSERT_EQ(CDeviceInterfaceThread::kPoll, watcher.last.command);
        ASSERT_EQ("", watcher.last.error) << "a poll stores no error";
        if (rssWarm == 0 && ElapsedMs(start) >= warmupSeconds * 1000L) {
            rssWarm = ResidentBytes();
            // Whatever the seed gives, one poll fails outright: its first request is lost
            // three times.
            sim.ForceFault(CSimFault::Drop, 3);
        }
    }
    const long rssEnd = ResidentBytes();

    // The faults stop while a poll is under way: that poll may still fail, the next one is
    // Online.
    watcher.then = [&](CDeviceInterfaceThread& t) {
        if (!watcher.last.valid)
            t.PostCommand(CDeviceInterfaceThread::kPoll);
    };
    sim.SetFaults(CSimFaults{});
    int pollsToOnline = 0;
    bool online = false;
    while (!online && pollsToOnline < 2) {
        ASSERT_TRUE(WaitForNotification(dispatcher, watcher, bound));
        ++pollsToOnline;
        online = watcher.last.valid;
    }
    watcher.then = nullptr;
    EXPECT_TRUE(thread->Stop()) << "the worker did not end";
    dispatcher.RunPending();

    std::printf("soak: %d s, %d polls (%ld requests), %d failed, %d recoveries, longest failed "
                "run %d, slowest poll %ld ms (bound %ld ms); faults %ld dropped + %ld bad CRC, "
                "%ld absorbed by retries; RSS %ld kB after %d s warm-up, %ld kB at the end; "
                "Online %d poll(s) after the faults stopped\n",
                seconds, f.polls, f.requests, f.failed, f.recoveries, f.longestFailedRun,
                f.slowestMs, static_cast<long>(bound.count()), f.drops, f.badCrcs, f.survived,
                rssWarm / 1024, warmupSeconds, rssEnd / 1024, pollsToOnline);

    EXPECT_TRUE(online) << "not Online within one poll after the faults stopped";
    EXPECT_EQ(0, f.writes) << "polling writes nothing";
    // A poll through these faults takes two to three seconds (each failed attempt waits for a
    // quiet line): a few a minute at the least.
    ASSERT_GE(f.polls, std::max(5, seconds / 4));
    // The faults were really there, at their fractions, and the retries carried most polls.
    EXPECT_GT(f.survived, 0);
    EXPECT_GT(f.failed, 0) << "the forced drops fail a poll";
    if (f.requests >= 1000) {
        EXPECT_NEAR(0.10, static_cast<double>(f.drops) / f.requests, 0.04);
        EXPECT_NEAR(0.05, static_cast<double>(f.badCrcs) / f.requests, 0.025);
    }
    // A failed poll reopens the port; a client that stayed broken would fail poll after poll.
    EXPECT_LE(f.longestFailedRun, 5);
    EXPECT_GT(f.recoveries, 0);
    if (!kSanitized) {
        ASSERT_GT(rssWarm, 0);
        EXPECT_LE(rssEnd - rssWarm, 1024L * 1024) << "memory grew while polling";
    }
    server.Stop();
}
