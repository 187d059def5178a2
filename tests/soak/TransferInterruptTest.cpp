// The simulator vanishes in the middle of an upload or a download: the transfer ends with the
// composed Modbus message, the file set the window holds stays as it was, the polls that follow
// find no device (Searching) and find it again once it is back on the same port.
#include "comm/CCommInterface.h"
#include "comm/CPrivateException.h"
#include "model/CDeviceType.h"
#include "model/CIniFile.h"
#include "model/ParameterIds.h"
#include "sim/CSimDevice.h"
#include "sim/CSimServer.h"
#include "tests/soak/SoakSupport.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace soak;

namespace {
std::string SettingsText(const CParBase& set) {
    CIniFile file;
    set.SaveSettings(file);
    return file.Serialize();
}

class SimulatorGone : public ::testing::Test {
protected:
    void SetUp() override {
        link = dir.File("q3sim-link");
        StartServer();
        comm.SetSettings(SerialSettings(link));
        comm.Connect();
        thread = std::make_unique<CDeviceInterfaceThread>();
        thread->AddObserver(&watcher);
        thread->SetConnection(&comm);

        // The window's file set: a parameter file the user opened and edited.
        fileSet = CDeviceType::NewParameterSet(9);
        fileSet->SetValueText(kIdTag, "Boiler feed", true);
        fileSet->SetValueText(2, "450", true);
        filePath = dir.File("boiler.cfg");
        fileSet->SaveFile(filePath);
        fileText = SettingsText(*fileSet);
        fileBytes = ReadWholeFile(filePath);
    }
    void TearDown() override {
        if (killer.joinable())
            killer.join();
        CDeviceInterfaceThread::StopAndRelease(std::move(thread));
        comm.Disconnect();
        if (server)
            server->Stop();
    }

    void StartServer() {
        server = std::make_unique<CSimServer>(sim);
        server->StartPty(link);
    }
    // Stops the server from another thread once the device has seen `requests` requests.
    void StopAfter(std::size_t requests) {
        sim.ClearLog();
        killer = std::thread([this, requests] {
            Clock::time_point end = Clock::now() + std::chrono::seconds(20);
            while (sim.GetRequestLog().size() < requests && Clock::now() < end)
                std::this_thread::sleep_for(milliseconds(1));
            server->Stop();
            stoppedAt = sim.GetRequestLog().size();
        });
    }
    // The transfer's notification, then the Searching polls.
    void ExpectFailedTransferAndSearching(int command) {
        ASSERT_TRUE(WaitForNotification(dispatcher, watcher, milliseconds(20000)));
        killer.join();
        EXPECT_EQ(command, watcher.last.command);
        EXPECT_EQ(0u, watcher.last.error.rfind("Modbus command failed. command=", 0))
            << watcher.last.error;
        EXPECT_NE(std::string::npos, watcher.last.error.find(" reason=timeout."))
            << watcher.last.error;
        EXPECT_GE(stoppedAt.load(), 20u) << "the device went away part way, not at the start";
        EXPECT_EQ(fileText, SettingsText(*fileSet)) << "the file set was changed";
        EXPECT_EQ(fileBytes, ReadWholeFile(filePath));

        for (int i = 0; i < 3; ++i) {
            thread->PostCommand(CDeviceInterfaceThread::kPoll);
            ASSERT_TRUE(WaitForNotification(dispatcher, watcher, milliseconds(5000)));
            EXPECT_FALSE(watcher.last.valid) << "poll " << i << " found a device that is gone";
            EXPECT_TRUE(comm.IsConnected()) << "Searching keeps trying the port";
        }

        // Back on the same port: the next poll reopens it, the one after is Online.
        StartServer();
        bool online = false;
        for (int i = 0; i < 2 && !online; ++i) {
            thread->PostCommand(CDeviceInterfaceThread::kPoll);
            ASSERT_TRUE(WaitForNotification(dispatcher, watcher, milliseconds(5000)));
            online = watcher.last.valid;
        }
        EXPECT_TRUE(online) << "not Online again within two polls of the device's return";
    }

    TempDir dir;
    std::string link;
    CSimDevice sim{1001};
    std::unique_ptr<CSimServer> server;
    CCommInterface comm;
    CQueueDispatcher dispatcher;
    CThreadWatcher watcher{dispatcher};
    std::unique_ptr<CDeviceInterfaceThread> thread;
    std::thread killer;
    std::atomic<std::size_t> stoppedAt{0};

    std::unique_ptr<CParBase> fileSet;
    std::string filePath;
    std::string fileText;
    std::string fileBytes;
};
} // namespace

TEST_F(SimulatorGone, DuringUploadTheTransferFailsAndTheFileSetStays) {
    StopAfter(25);
    thread->PostCommand(CDeviceInterfaceThread::kUpload);
    ExpectFailedTransferAndSearching(CDeviceInterfaceThread::kUpload);
}

TEST_F(SimulatorGone, DuringDownloadTheTransferFailsAndTheFileSetStays) {
    thread->SetDownloadSet(fileSet.get());
    StopAfter(25);
    thread->PostCommand(CDeviceInterfaceThread::kDownload);
    ExpectFailedTransferAndSearching(CDeviceInterfaceThread::kDownload);
    EXPECT_NE("Boiler feed", sim.GetText16(9629, 16)) << "the download had not reached the tag";
}

// The line itself, without the device interface: a port whose other end has gone refuses every
// frame, and the client reports that as the device's silence, at once.
TEST(SimulatorGoneLine, RefusedFramesGiveTheModbusTimeoutMessageWithoutWaiting) {
    CSimDevice sim(1001);
    CSimServer server(sim);
    CCommInterface comm;
    comm.SetSettings(SerialSettings(server.StartPty()));
    comm.Connect();
    std::lock_guard lock(comm.Lock());
    EXPECT_EQ(1001, comm.ReadUInt16(9600));
    server.Stop();
    Clock::time_point start = Clock::now();
    std::string message;
    try {
        comm.ReadUInt16(9600);
    } catch (const CPrivateException& e) {
        message = e.Message();
    }
    EXPECT_EQ("Modbus command failed. command=ReadHoldingRegister address=9601 size=1 "
              "reason=timeout.",
              message);
    // Three attempts, each only its silent interval: no response time-out is waited for.
    EXPECT_LT(ElapsedMs(start), 200);
    try {
        int32_t value = 1;
        comm.WriteValues(&value, 1, 1020, ValueEncoding::Fixed4);
        message.clear();
    } catch (const CPrivateException& e) {
        message = e.Message();
    }
    EXPECT_EQ("Modbus command failed. command=WriteMultipleRegisters address=1021 size=2 "
              "reason=timeout.",
              message);
}
