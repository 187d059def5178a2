// The communication stack against the simulated transmitter (q3simcore, an implementation of
// the device written apart from ours), in-process on a pseudo-terminal and on Modbus TCP, with
// the simulator's fault injection.
#include "comm/CCommInterface.h"
#include "comm/CModbusInterface.h"
#include "comm/CObserverQueue.h"
#include "comm/CPrivateException.h"
#include "device/CDeviceInterface.h"
#include "device/CDeviceInterfaceThread.h"
#include "model/CDeviceType.h"
#include "model/ParameterIds.h"
#include "sim/CSimDevice.h"
#include "sim/CSimServer.h"
#include "tests/support/CRegisterBank.h"
#include "tests/support/ModelFixture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {
using Clock = std::chrono::steady_clock;
using Trace = std::vector<std::string>;

long ElapsedMs(Clock::time_point start) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

const int kModelNumbers[] = {1001, 1002, 1011, 1012, 1021, 1022, 1031, 1032};

// The simulator's view of the requests in the register bank's notation ("R9600x1").
Trace SimTrace(const std::vector<CSimRequestRecord>& log) {
    Trace t;
    for (const CSimRequestRecord& r : log)
        t.push_back((r.function == 0x10 ? "W" : "R") + std::to_string(r.start) + "x" +
                    std::to_string(r.count));
    return t;
}

class SimLine : public ModelFixture {
protected:
    void Start(int modelNumber) {
        sim = std::make_unique<CSimDevice>(modelNumber);
        server = std::make_unique<CSimServer>(*sim);
        path = server->StartPty();
        CommSettings s;
        s.portName = path;
        s.portDisplayName = "simulator";
        comm.SetSettings(s);
        comm.Connect();
        device.SetConnection(&comm);
        sim->ClearLog();
    }
    void TearDown() override {
        comm.Disconnect();
        if (server)
            server->Stop();
        ModelFixture::TearDown();
    }

    uint16_t ReadModel() {
        std::lock_guard lock(comm.Lock());
        return comm.ReadUInt16(kRegModelNumber);
    }

    std::unique_ptr<CSimDevice> sim;
    std::unique_ptr<CSimServer> server;
    std::string path;
    CCommInterface comm;
    CDeviceInterface device;
};
} // namespace

TEST_F(SimLine, RequestFrameReachesTheDeviceExactly) {
    Start(1001);
    EXPECT_EQ(1001, ReadModel());
    std::vector<CSimRequestRecord> log = sim->GetRequestLog();
    ASSERT_EQ(1u, log.size());
    EXPECT_EQ(0x04, log[0].function);
    EXPECT_EQ(9600, log[0].start);
    EXPECT_EQ(1, log[0].count);
}

TEST_F(SimLine, DroppedRequestsAreRetriedAndCounted) {
    Start(1001);
    sim->ForceFault(CSimFault::Drop, 2);
    Clock::time_point start = Clock::now();
    EXPECT_EQ(1001, ReadModel());
    long elapsed = ElapsedMs(start);
    EXPECT_EQ(3u, sim->GetRequestLog().size());
    // Two full time-outs of 226 ms, each followed by the 13 ms silent interval and a quiet
    // line for another time-out before the retry.
    EXPECT_GE(elapsed, 2 * (226 + 13 + 226));
    EXPECT_LT(elapsed, 2 * (226 + 13 + 226) + 150);
}

TEST_F(SimLine, ThreeDropsCostThreeTimeoutsThenRaise) {
    Start(1001);
    sim->ForceFault(CSimFault::Drop, 3);
    Clock::time_point start = Clock::now();
    EXPECT_EQ("Modbus command failed. command=ReadHoldingRegister address=9601 size=1 "
              "reason=timeout.",
              ThrownMessage([&] { ReadModel(); }));
    long elapsed = ElapsedMs(start);
    EXPECT_EQ(3u, sim->GetRequestLog().size());
    EXPECT_GE(elapsed, 3 * (226 + 13) + 2 * 226);
    EXPECT_LT(elapsed, 3 * (226 + 13) + 2 * 226 + 200);
}

TEST_F(SimLine, WriteTimeoutUsesTheLongerFormula) {
    Start(1001);
    sim->ForceFault(CSimFault::Drop, 1);
    int32_t value = 25000;
    Clock::time_point start = Clock::now();
    {
        std::lock_guard lock(comm.Lock());
        comm.WriteValues(&value, 1, 1020, ValueEncoding::Fixed4);
    }
    long elapsed = ElapsedMs(start);
    // (11 + 6 + 4) x 17000 / 9600 + 4000 = 4037 ms for the lost attempt, as long again for a
    // quiet line before the retry.
    EXPECT_GE(elapsed, 4037 + 13 + 4037);
    EXPECT_LT(elapsed, 4037 + 13 + 4037 + 200);
    EXPECT_EQ(25000, sim->GetInt32(1020));
}

TEST_F(SimLine, CrcErrorIsReportedWithoutTheSilentInterval) {
    Start(1001);
    sim->ForceFault(CSimFault::BadCrc, 3);
    Clock::time_point start = Clock::now();
    EXPECT_EQ("Modbus command failed. command=ReadHoldingRegister address=9601 size=1 "
              "reason=crc error.",
              ThrownMessage([&] { ReadModel(); }));
    // Answered at once every time (the simulator's 3.5-character silence aside): no 13 ms pause,
    // only the quiet line of one time-out before each retry.
    long elapsed = ElapsedMs(start);
    EXPECT_GE(elapsed, 2 * 226);
    EXPECT_LT(elapsed, 2 * 226 + 3 * 13);
}

TEST_F(SimLine, ShortAnswerIsInvalid) {
    Start(1001);
    sim->ForceFault(CSimFault::Short, 3);
    EXPECT_EQ("Modbus command failed. command=ReadHoldingRegister address=9601 size=1 "
              "reason=invalid response.",
              ThrownMessage([&] { ReadModel(); }));
}

TEST_F(SimLine, ExceptionAnswerCarriesItsCode) {
    Start(1001);
    sim->ForceFault(CSimFault::Exception, 3);
    EXPECT_EQ("Modbus command failed. command=ReadHoldingRegister address=9601 size=1 "
              "reason=receive exception 6.",
              ThrownMessage([&] { ReadModel(); }));
    // The device's own refusal: a register outside the map.
    EXPECT_EQ("Modbus command failed. command=ReadHoldingRegister address=65001 size=1 "
              "reason=receive exception 2.",
              ThrownMessage([&] {
                  std::lock_guard lock(comm.Lock());
                  comm.ReadUInt16(65000);
              }));
}

TEST_F(SimLine, StrayBytesAfterAnAnswerAreDrained) {
    Start(1001);
    sim->ForceFault(CSimFault::Stray, 1);
    EXPECT_EQ(1001, ReadModel());
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(1001, ReadModel());
    EXPECT_EQ(2u, sim->GetRequestLog().size()) << "the stray bytes caused a retry";
}

TEST_F(SimLine, PollWithAnUnknownModelReopensThePortWithoutError) {
    Start(1001);
    sim->SetRegister(kRegModelNumber, 1000);
    EXPECT_NO_THROW(device.Poll());
    EXPECT_FALSE(device.IsDeviceValid());
    EXPECT_TRUE(comm.IsConnected());
    sim->SetRegister(kRegModelNumber, 1001);
    device.Poll();
    EXPECT_TRUE(device.IsDeviceValid()) << "the reopened pty port works";
}

TEST_F(SimLine, PollReadsTheLiveInput) {
    Start(1001);
    sim->SetInputValue(25.0);
    device.Poll();
    ASSERT_TRUE(device.IsDeviceValid());
    EXPECT_EQ(0u, device.DeviceSet()->GetDisplayText(kIdInputValue, false).rfind("25.0", 0))
        << device.DeviceSet()->GetDisplayText(kIdInputValue, false);
    EXPECT_EQ("SIM-000001", device.DeviceSet()->GetValueText(kIdSerial));
}

TEST_F(SimLine, UploadOfEachModelMatchesTheDeviceDefaults) {
    for (int model : kModelNumbers) {
        SCOPED_TRACE(model);
        comm.Disconnect();
        if (server)
            server->Stop();
        Start(model);
        int code = CDeviceInterface::TypeCodeOfModel(model);
        auto defaults = CDeviceType::NewParameterSet(code);
        ASSERT_TRUE(defaults);
        sim->SetInt32(1020, 25000); // filter time constant 2.5 s on the device
        defaults->SetValueText(kIdFilterTime, "2.5", true);
        device.Upload();
        const CParBase& set = *device.DeviceSet();
        EXPECT_EQ(code, set.TypeCode());
        EXPECT_EQ(100, device.Progress());
        EXPECT_EQ("R9600x1", SimTrace(sim->GetRequestLog()).front());
        for (int g = 0; g <= kGroupTable; ++g)
            for (int i = 0; i < set.GetParameterCount(g); ++i) {
                int id = set.GetParameterId(g, i);
                EXPECT_EQ(defaults->GetValueText(id), set.GetValueText(id)) << "id " << id;
            }
    }
}

TEST_F(SimLine, DownloadOfEachModelWritesTheSequenceTheModelIssues) {
    for (int model : kModelNumbers) {
        SCOPED_TRACE(model);
        comm.Disconnect();
        if (server)
            server->Stop();
        Start(model);
        int code = CDeviceInterface::TypeCodeOfModel(model);
        auto file = CDeviceType::NewParameterSet(code);
        file->SetValueText(kIdFilterTime, "4.5", true);
        file->SetValueText(kIdInputFineSpan, "99.5", true);
        // What the model issues against a device with the simulator's registers 900 and 9602.
        CRegisterBank bank;
        bank[900] = sim->GetRegister(900);
        bank[9602] = sim->GetRegister(9602);
        CCommInterface reference(&bank);
        std::unique_ptr<CParBase>(file->Clone())->Download(reference, kGroupAll);
        device.Download(*file);
        EXPECT_EQ(bank.Trace(), SimTrace(sim->GetRequestLog()));
        EXPECT_EQ(45000, sim->GetInt32(1020));
        EXPECT_EQ(995000, sim->GetInt32(1012));
        EXPECT_EQ(0, sim->GetProcessMode()) << "process mode restored";
        for (const CSimRequestRecord& r : sim->GetRequestLog())
            EXPECT_EQ(0, r.exception) << "request at " << r.start << " refused";
    }
}

TEST_F(SimLine, AdjustmentsReachTheDeviceInsideProcessMode) {
    Start(1002);
    device.Poll();
    CAdjustInfo adjust = device.AdjustInfo();
    adjust.inputZero[0] = 1.5;
    adjust.outputSpan[0] = 101.25;
    device.WriteAdjustments(adjust);
    EXPECT_EQ(15000, sim->GetInt32(1010));
    EXPECT_EQ(1012500, sim->GetInt32(2012));
    EXPECT_EQ(0, sim->GetProcessMode());
    std::vector<CSimRequestRecord> writes = sim->GetWriteLog();
    ASSERT_GE(writes.size(), 2u);
    EXPECT_EQ(900, writes.front().start);
    EXPECT_EQ((std::vector<uint16_t>{1}), writes.front().values);
}

TEST_F(SimLine, TransferThreadStoresTheErrorsOfUploadAndDownload) {
    Start(1001);
    CQueueDispatcher dispatcher;
    class CDone : public CQueuedObserver {
    public:
        using CQueuedObserver::CQueuedObserver;
        int updates = 0;

    protected:
        void OnObserverUpdate(CObservable*) override { ++updates; }
    } done(dispatcher);
    auto thread = std::make_unique<CDeviceInterfaceThread>();
    thread->AddObserver(&done);
    thread->SetConnection(&comm);

    sim->ForceFault(CSimFault::Drop, 3);
    thread->PostCommand(CDeviceInterfaceThread::kUpload);
    while (done.updates < 1)
        dispatcher.WaitAndRun(std::chrono::milliseconds(50));
    ASSERT_NE(nullptr, thread->StoredError());
    EXPECT_EQ("Modbus command failed. command=ReadHoldingRegister address=9601 size=1 "
              "reason=timeout.",
              thread->StoredError()->Message());

    auto file = CDeviceType::NewParameterSet(9);
    thread->SetDownloadSet(file.get());
    sim->ForceFault(CSimFault::Exception, 3);
    thread->PostCommand(CDeviceInterfaceThread::kDownload);
    while (done.updates < 2)
        dispatcher.WaitAndRun(std::chrono::milliseconds(50));
    ASSERT_NE(nullptr, thread->StoredError());
    EXPECT_EQ("Modbus command failed. command=ReadHoldingRegister address=901 size=1 "
              "reason=receive exception 6.",
              thread->StoredError()->Message());
    CDeviceInterfaceThread::StopAndRelease(std::move(thread));
}

TEST(SimTcp, ReadsOverTcpAndRetriesAWrongTransaction) {
    CSimDevice sim(1011);
    CSimServer server(sim);
    uint16_t port = server.StartTcp();
    CCommInterface comm;
    CommSettings s;
    s.mode = kModeTcp;
    s.host = "127.0.0.1";
    s.service = std::to_string(port);
    comm.SetSettings(s);
    comm.Connect();
    std::lock_guard lock(comm.Lock());
    EXPECT_EQ(1011, comm.ReadUInt16(kRegModelNumber));
    // The simulator's corrupted TCP answer carries another transaction identifier.
    sim.ForceFault(CSimFault::BadCrc, 1);
    EXPECT_EQ(1011, comm.ReadUInt16(kRegModelNumber));
    EXPECT_EQ(3u, sim.GetRequestLog().size());
    int32_t value = 35000;
    comm.WriteValues(&value, 1, 1020, ValueEncoding::Fixed4);
    EXPECT_EQ(35000, sim.GetInt32(1020));
    comm.Disconnect();
    server.Stop();
}
