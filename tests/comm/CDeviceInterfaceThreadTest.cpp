#include "device/CDeviceInterfaceThread.h"

#include "comm/CObserverQueue.h"
#include "model/ParameterIds.h"
#include "tests/comm/DeviceFixture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// The window side: what an observer reads from the thread when the update arrives.
class CWindow : public CQueuedObserver {
public:
    struct Seen {
        int command;
        bool valid;
        std::string error;
        int typeCode;
    };
    explicit CWindow(IUiDispatcher& dispatcher) : CQueuedObserver(dispatcher) {}
    std::vector<Seen> seen;

protected:
    void OnObserverUpdate(CObservable* source) override {
        auto* thread = dynamic_cast<CDeviceInterfaceThread*>(source);
        ASSERT_NE(nullptr, thread);
        const CPrivateException* error = thread->StoredError();
        seen.push_back({thread->LastCommand(), thread->Device().IsDeviceValid(),
                        error ? error->Message() : "", thread->Device().DeviceSet()->TypeCode()});
    }
};

class DeviceThread : public DeviceFixture {
protected:
    void SetUp() override {
        DeviceFixture::SetUp();
        bank[9600] = 1001;
        thread = std::make_unique<CDeviceInterfaceThread>();
        thread->AddObserver(&window);
        thread->SetConnection(comm.get());
    }
    void TearDown() override {
        CDeviceInterfaceThread::StopAndRelease(std::move(thread));
        DeviceFixture::TearDown();
    }

    // Runs queued updates until n have arrived (or 5 s have passed).
    void WaitForUpdates(std::size_t n) {
        auto end = Clock::now() + std::chrono::seconds(5);
        while (window.seen.size() < n && Clock::now() < end)
            dispatcher.WaitAndRun(milliseconds(10));
    }
    // A poll behind the commands posted so far: when its update arrives, they are done.
    void Barrier() {
        std::size_t n = window.seen.size() + 1;
        thread->PostCommand(CDeviceInterfaceThread::kPoll);
        WaitForUpdates(n);
    }
    int Requests(const std::string& item) const {
        Trace t = bank.Trace();
        return static_cast<int>(std::count(t.begin(), t.end(), item));
    }

    CQueueDispatcher dispatcher;
    CWindow window{dispatcher};
    std::unique_ptr<CDeviceInterfaceThread> thread;
};
} // namespace

TEST_F(DeviceThread, ThreePollsGiveThreeUpdatesInOrder) {
    for (int i = 0; i < 3; ++i)
        thread->PostCommand(CDeviceInterfaceThread::kPoll);
    WaitForUpdates(3);
    ASSERT_EQ(3u, window.seen.size());
    for (const CWindow::Seen& s : window.seen) {
        EXPECT_EQ(1, s.command);
        EXPECT_TRUE(s.valid) << "the result is set before the notification";
        EXPECT_EQ(9, s.typeCode);
    }
    EXPECT_EQ(3, Requests("R9600x1"));
}

TEST_F(DeviceThread, FailedPollIsDroppedButStillNotifies) {
    bank.onRequest = [](const CRegisterBank::Request&) { throw CPrivateException("x"); };
    thread->PostCommand(CDeviceInterfaceThread::kPoll);
    WaitForUpdates(1);
    ASSERT_EQ(1u, window.seen.size());
    EXPECT_FALSE(window.seen[0].valid);
    EXPECT_EQ("", window.seen[0].error);
    EXPECT_EQ(nullptr, thread->StoredError());
}

TEST_F(DeviceThread, UnknownCommandOnlyBecomesTheLastCommand) {
    thread->PostCommand(7);
    auto end = Clock::now() + std::chrono::seconds(2);
    while (thread->LastCommand() != 7 && Clock::now() < end)
        std::this_thread::sleep_for(milliseconds(1));
    EXPECT_EQ(7, thread->LastCommand());
    dispatcher.WaitAndRun(milliseconds(50));
    EXPECT_TRUE(window.seen.empty());
    EXPECT_TRUE(bank.Requests().empty());
}

TEST_F(DeviceThread, AdjustmentRequestOlderThanTheLastWriteIsSkipped) {
    CAdjustInfo adjust;
    adjust.inputZero[0] = 1.0;
    thread->SetAdjustInfo(adjust);
    thread->SetRequestTime(thread->LastWriteTime() - milliseconds(1));
    thread->PostCommand(CDeviceInterfaceThread::kWriteAdjustments);
    Barrier();
    EXPECT_EQ(0, Requests("W1010x4"));
    // A request exactly as old as the last write is carried out.
    thread->SetRequestTime(thread->LastWriteTime());
    thread->PostCommand(CDeviceInterfaceThread::kWriteAdjustments);
    Barrier();
    EXPECT_EQ(1, Requests("W1010x4"));
    EXPECT_EQ(10000, bank.GetInt32(1010));
    EXPECT_EQ(1u + 1u, window.seen.size()) << "command 2 itself does not notify";
}

TEST_F(DeviceThread, BurstOfAdjustmentRequestsWritesOnceWithTheNewestValues) {
    std::unique_lock<std::recursive_mutex> busy(comm->Lock());
    thread->PostCommand(CDeviceInterfaceThread::kPoll); // waits for the lock
    for (int i = 1; i <= 3; ++i) {
        CAdjustInfo adjust;
        adjust.inputZero[0] = i;
        thread->RequestAdjustmentWrite(adjust);
        std::this_thread::sleep_for(milliseconds(2));
    }
    busy.unlock();
    WaitForUpdates(1);
    Barrier();
    EXPECT_EQ(1, Requests("W1010x4"));
    EXPECT_EQ(30000, bank.GetInt32(1010));
}

TEST_F(DeviceThread, UploadStoresItsTimeoutKeepsWhatWasReadAndNotifies) {
    bank.SetInt32(1001, 123400); // 0 % input of group 0, read early in the upload
    int requests = 0;
    bank.onRequest = [&requests](const CRegisterBank::Request&) {
        if (++requests > 5)
            throw CPrivateException("x");
    };
    thread->PostCommand(CDeviceInterfaceThread::kUpload);
    WaitForUpdates(1);
    ASSERT_EQ(1u, window.seen.size());
    EXPECT_EQ(3, window.seen[0].command);
    EXPECT_EQ(0u,
              window.seen[0].error.rfind("Modbus command failed. command=ReadHoldingRegister", 0))
        << window.seen[0].error;
    EXPECT_NE(std::string::npos, window.seen[0].error.find("reason=timeout."));
    EXPECT_EQ("12.3400", thread->Device().DeviceSet()->GetValueText(kIdZeroInput));
}

TEST_F(DeviceThread, DownloadStoresItsErrorAndALaterSuccessClearsIt) {
    auto file = CDeviceType::NewParameterSet(9);
    thread->SetDownloadSet(file.get());
    bank.onRequest = [](const CRegisterBank::Request& r) {
        if (r.write && r.start == 1020)
            throw CPrivateException("x");
    };
    thread->PostCommand(CDeviceInterfaceThread::kDownload);
    WaitForUpdates(1);
    ASSERT_EQ(1u, window.seen.size());
    EXPECT_EQ(4, window.seen[0].command);
    EXPECT_EQ("Modbus command failed. command=WriteMultipleRegisters address=1021 size=2 "
              "reason=timeout.",
              window.seen[0].error);
    EXPECT_EQ(0, bank[900]) << "the process mode is restored after the failure";
    bank.onRequest = nullptr;
    thread->PostCommand(CDeviceInterfaceThread::kDownload);
    WaitForUpdates(2);
    EXPECT_EQ("", window.seen[1].error);
}

TEST_F(DeviceThread, DownloadWithoutASetIsAnError) {
    thread->PostCommand(CDeviceInterfaceThread::kDownload);
    WaitForUpdates(1);
    ASSERT_EQ(1u, window.seen.size());
    EXPECT_FALSE(window.seen[0].error.empty());
    EXPECT_TRUE(bank.Requests().empty());
}

TEST_F(DeviceThread, StopOfAnIdleThreadEndsAtOnce) {
    Clock::time_point start = Clock::now();
    EXPECT_TRUE(thread->Stop());
    EXPECT_LT(std::chrono::duration_cast<milliseconds>(Clock::now() - start).count(), 100);
    EXPECT_TRUE(thread->HasEnded());
    EXPECT_EQ(0, thread->LastCommand());
}

TEST_F(DeviceThread, StopWaitsForTheRunningCommandAndGivesUpAfterTheLimit) {
    std::unique_lock<std::recursive_mutex> busy(comm->Lock());
    thread->PostCommand(CDeviceInterfaceThread::kPoll);
    std::this_thread::sleep_for(milliseconds(20));
    Clock::time_point start = Clock::now();
    EXPECT_FALSE(thread->Stop(milliseconds(100)));
    EXPECT_GE(std::chrono::duration_cast<milliseconds>(Clock::now() - start).count(), 100);
    EXPECT_FALSE(thread->HasEnded());
    busy.unlock();
    EXPECT_TRUE(thread->Stop(milliseconds(3000)));
    WaitForUpdates(1);
    EXPECT_EQ(1u, window.seen.size()) << "the poll ran to its end before the thread stopped";
}

TEST_F(DeviceThread, ReleasedBusyThreadFinishesAloneAndNotifiesNobody) {
    std::unique_lock<std::recursive_mutex> busy(comm->Lock());
    thread->PostCommand(CDeviceInterfaceThread::kUpload); // waits for the lock
    thread->PostCommand(CDeviceInterfaceThread::kUpload); // dropped on release
    std::this_thread::sleep_for(milliseconds(20));
    Clock::time_point start = Clock::now();
    CDeviceInterfaceThread::StopAndRelease(std::move(thread), milliseconds(100));
    EXPECT_LT(std::chrono::duration_cast<milliseconds>(Clock::now() - start).count(), 1000);
    EXPECT_EQ(nullptr, thread);
    busy.unlock();
    std::this_thread::sleep_for(milliseconds(20));
    // The upload in progress runs to its end (it holds the lock until then).
    { std::lock_guard wait(comm->Lock()); }
    std::this_thread::sleep_for(milliseconds(50));
    EXPECT_EQ(1, Requests("R9600x1")) << "only the running upload, not the queued one";
    dispatcher.RunPending();
    EXPECT_TRUE(window.seen.empty());
}
