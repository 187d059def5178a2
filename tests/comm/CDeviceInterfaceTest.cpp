#include "device/CDeviceInterface.h"

#include "comm/CPrivateException.h"
#include "model/CParTypeCommon.h"
#include "model/ParameterIds.h"
#include "tests/comm/DeviceFixture.h"

#include <gtest/gtest.h>

#include <chrono>

namespace {
using Clock = std::chrono::steady_clock;

long ElapsedMs(Clock::time_point start) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

// Every model number of the model table with its type code; a model whose class the registry
// does not provide yet is expected to be treated as unknown.
struct ModelRow {
    int modelNumber;
    int typeCode;
};
const ModelRow kModels[] = {{1001, 9},  {1002, 10}, {1011, 11}, {1012, 12},
                            {1021, 13}, {1022, 14}, {1031, 15}, {1032, 16}};

class DeviceInterface : public DeviceFixture {
protected:
    void SetUp() override {
        DeviceFixture::SetUp();
        device.SetConnection(comm.get());
    }

    // The reads of the two records after groups 0 and 10.
    static Trace RecordReads(int outputs) {
        Trace t = {"R900x1", "R901x8", "R1010x4", "R2010x4"};
        if (outputs == 2)
            t.push_back("R2210x4");
        return t;
    }

    CDeviceInterface device;
};
} // namespace

TEST(DeviceModelTable, MapsModelNumbersToTypeCodes) {
    for (const ModelRow& row : kModels)
        EXPECT_EQ(row.typeCode, CDeviceInterface::TypeCodeOfModel(row.modelNumber));
    EXPECT_EQ(0, CDeviceInterface::TypeCodeOfModel(1000));
    EXPECT_EQ(0, CDeviceInterface::TypeCodeOfModel(0));
}

TEST_F(DeviceInterface, PollOfEachModelReadsItsGroupsAndTheRecords) {
    for (const ModelRow& row : kModels) {
        SCOPED_TRACE(row.modelNumber);
        bank[9600] = static_cast<uint16_t>(row.modelNumber);
        bank.ClearRequests();
        transport.log.clear();
        auto reference = CDeviceType::NewParameterSet(row.typeCode);
        EXPECT_NO_THROW(device.Poll());
        if (!reference) {
            EXPECT_FALSE(device.IsDeviceValid());
            EXPECT_EQ((Trace{"R9600x1"}), bank.Trace());
            continue;
        }
        Trace expected = {"R9600x1"};
        Append(expected, ModelSequence(row.typeCode, {kGroupSettings, kGroupMonitor}));
        Append(expected, RecordReads(reference->GetOutputCount()));
        EXPECT_EQ(expected, bank.Trace());
        EXPECT_TRUE(device.IsDeviceValid());
        EXPECT_EQ(row.typeCode, device.DeviceSet()->TypeCode());
        EXPECT_TRUE(device.DeviceSet()->IsOnline());
        EXPECT_EQ(0, Count("open")) << "a good poll keeps the port";
    }
}

TEST_F(DeviceInterface, PollFillsTheRecordsFromTheRegisters) {
    bank[9600] = 1001;
    bank.SetInt32(0, 0x2); // status: range over
    bank[900] = 0;
    bank.SetInt32(901, 10000);   // reference at 0 %
    bank.SetInt32(903, 2000000); // reference at 100 %
    bank.SetInt32(905, -5);
    bank.SetInt32(907, 1999990);
    bank.SetInt32(1010, 15000);  // input zero 1.5 Ohm
    bank.SetInt32(1012, 995000); // input span 99.5 %
    bank.SetInt32(2010, -2500);  // output 1 zero -0.25 %
    bank.SetInt32(2012, 1000000);
    bank.SetInt32(2210, 1);
    bank.SetInt32(2212, 1010000);
    device.Poll();
    const CCalibInfo& calib = device.CalibInfo();
    EXPECT_EQ(0x2, calib.statusWord);
    EXPECT_EQ(1, calib.inputCount);
    EXPECT_EQ(2, calib.outputCount);
    EXPECT_TRUE(calib.ioPresent);
    EXPECT_EQ(0, calib.processMode);
    EXPECT_EQ(10000, calib.refZeroRaw);
    EXPECT_EQ(2000000, calib.refFullRaw);
    EXPECT_EQ(-5, calib.capturedZeroRaw);
    EXPECT_EQ(1999990, calib.capturedFullRaw);
    const CAdjustInfo& adjust = device.AdjustInfo();
    EXPECT_EQ(1, adjust.inputCount);
    EXPECT_EQ(2, adjust.outputCount);
    EXPECT_DOUBLE_EQ(1.5, adjust.inputZero[0]);
    EXPECT_DOUBLE_EQ(99.5, adjust.inputSpan[0]);
    EXPECT_DOUBLE_EQ(-40.0, adjust.inputZeroMin[0]);
    EXPECT_DOUBLE_EQ(40.0, adjust.inputZeroMax[0]);
    EXPECT_EQ("Ohm", adjust.inputUnit[0]);
    EXPECT_TRUE(adjust.inputValid);
    EXPECT_TRUE(adjust.ioPresent);
    EXPECT_DOUBLE_EQ(-0.25, adjust.outputZero[0]);
    EXPECT_DOUBLE_EQ(100.0, adjust.outputSpan[0]);
    EXPECT_DOUBLE_EQ(0.0001, adjust.outputZero[1]);
    EXPECT_DOUBLE_EQ(101.0, adjust.outputSpan[1]);
    EXPECT_EQ("%", adjust.outputUnit[1]);
}

TEST_F(DeviceInterface, CalibrationReferenceFollowsTheProcessMode) {
    bank[9600] = 1001;
    bank[2000] = 0; // output 1: first output type
    bank[2200] = 2; // output 2: third output type
    struct Case {
        uint16_t mode;
        int output; // -1: the input's measuring range
    } cases[] = {{11, -1}, {21, 0}, {22, 1}, {0, 0}, {2, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        bank[900] = c.mode;
        device.Poll();
        int32_t low = 0, high = 0;
        if (c.output < 0)
            device.DeviceSet()->GetSensorRange(low, high);
        else
            device.DeviceSet()->GetOutputNominalRange(c.output, low, high);
        EXPECT_EQ(c.mode, device.CalibInfo().processMode);
        EXPECT_EQ(low, device.CalibInfo().refZeroModel);
        EXPECT_EQ(high, device.CalibInfo().refFullModel);
    }
    // Output 2's type differs from output 1's, so the two cases above told them apart.
    EXPECT_NE(CParTypeCommon::OutputRange(0).nominalMin, CParTypeCommon::OutputRange(2).nominalMin);
}

TEST_F(DeviceInterface, UnknownModelClearsValidAndRenewsThePortWithoutError) {
    bank[9600] = 1001;
    device.Poll();
    ASSERT_TRUE(device.IsDeviceValid());
    bank[9600] = 1000;
    bank.ClearRequests();
    transport.log.clear();
    EXPECT_NO_THROW(device.Poll());
    EXPECT_FALSE(device.IsDeviceValid());
    EXPECT_EQ(0, device.CalibInfo().statusWord);
    EXPECT_EQ((Trace{"R9600x1"}), bank.Trace());
    EXPECT_EQ(1, Count("open"));
    EXPECT_EQ("open", transport.log.back());
    EXPECT_TRUE(comm->IsConnected());
}

TEST_F(DeviceInterface, PollWhileDisconnectedWaitsAndTouchesNothing) {
    comm->Disconnect();
    bank.ClearRequests();
    device.SetDeviceValid(true);
    Clock::time_point start = Clock::now();
    device.Poll();
    long elapsed = ElapsedMs(start);
    EXPECT_GE(elapsed, 200);
    EXPECT_LT(elapsed, 300);
    EXPECT_FALSE(device.IsDeviceValid());
    EXPECT_TRUE(bank.Requests().empty());
    CDeviceInterface unconnected;
    unconnected.Poll();
    EXPECT_FALSE(unconnected.IsDeviceValid());
}

TEST_F(DeviceInterface, TimeoutOnTheModelRegisterRenewsThePortAndPropagates) {
    bank[9600] = 1001;
    device.Poll();
    bank.onRequest = [](const CRegisterBank::Request& r) {
        if (r.start == 9600)
            throw CPrivateException("no answer");
    };
    bank.ClearRequests();
    transport.log.clear();
    Clock::time_point start = Clock::now();
    try {
        device.Poll();
        FAIL() << "no error";
    } catch (const CPrivateException& e) {
        EXPECT_EQ("Modbus command failed. command=ReadHoldingRegister address=9601 size=1 "
                  "reason=timeout.",
                  e.Message());
    }
    EXPECT_GE(ElapsedMs(start), 200);
    EXPECT_FALSE(device.IsDeviceValid());
    EXPECT_EQ(0, device.CalibInfo().statusWord);
    EXPECT_EQ(3, Count("send 01 04 25 80 00 01 3B 2E"));
    EXPECT_EQ("open", transport.log.back());
    // The next poll starts again from the model register.
    bank.onRequest = nullptr;
    bank.ClearRequests();
    device.Poll();
    EXPECT_TRUE(device.IsDeviceValid());
    EXPECT_EQ("R9600x1", bank.Trace().front());
}

TEST_F(DeviceInterface, ModelChangeReplacesTheSetBeforeReadingIt) {
    bank[9600] = 1002;
    device.Poll();
    EXPECT_EQ(10, device.DeviceSet()->TypeCode());
    CParBase* single = device.DeviceSet();
    device.Poll();
    EXPECT_EQ(single, device.DeviceSet()) << "the same model keeps its set";
    bank[9600] = 1001;
    // The new model's first read after the model register fails.
    int seen = 0;
    bank.onRequest = [&seen](const CRegisterBank::Request&) {
        if (seen++ >= 1)
            throw CPrivateException("no answer");
    };
    EXPECT_THROW(device.Poll(), CPrivateException);
    EXPECT_EQ(9, device.DeviceSet()->TypeCode());
    EXPECT_FALSE(device.IsDeviceValid());
}

TEST_F(DeviceInterface, UploadOfEachModelReadsTheModelRegisterThenEverything) {
    for (const ModelRow& row : kModels) {
        if (!CDeviceType::NewParameterSet(row.typeCode))
            continue; // its class is not in the registry yet
        SCOPED_TRACE(row.modelNumber);
        bank[9600] = static_cast<uint16_t>(row.modelNumber);
        bank.ClearRequests();
        device.Upload();
        Trace expected = {"R9600x1"};
        Append(expected, ModelSequence(row.typeCode, {kGroupAll}));
        EXPECT_EQ(expected, bank.Trace());
        EXPECT_EQ(row.typeCode, device.DeviceSet()->TypeCode());
        EXPECT_EQ(100, device.Progress());
    }
}

TEST_F(DeviceInterface, UploadCarriesTheDeviceValues) {
    bank[9600] = 1001;
    bank.SetInt32(1020, 25000); // filter time constant 2.5 s
    device.Upload();
    EXPECT_EQ("2.5000", device.DeviceSet()->GetValueText(kIdFilterTime));
}

TEST_F(DeviceInterface, UploadOfAnUnknownModelReadsTheSetAlreadyHeld) {
    bank[9600] = 1002;
    device.Upload();
    ASSERT_EQ(10, device.DeviceSet()->TypeCode());
    bank[9600] = 1000;
    bank.ClearRequests();
    device.Upload();
    Trace expected = {"R9600x1"};
    Append(expected, ModelSequence(10, {kGroupAll}));
    EXPECT_EQ(expected, bank.Trace());
    EXPECT_EQ(10, device.DeviceSet()->TypeCode());
}

TEST_F(DeviceInterface, DownloadOfEachModelWritesACopyOfTheGivenSet) {
    for (const ModelRow& row : kModels) {
        auto file = CDeviceType::NewParameterSet(row.typeCode);
        if (!file)
            continue;
        SCOPED_TRACE(row.modelNumber);
        file->SetValueText(kIdFilterTime, "3.5", true);
        Trace expected;
        {
            CRegisterBank copy = bank;
            copy.ClearRequests();
            CCommInterface refComm(&copy);
            std::unique_ptr<CParBase> reference(file->Clone());
            reference->Download(refComm, kGroupAll);
            expected = copy.Trace();
        }
        bank.ClearRequests();
        device.Download(*file);
        EXPECT_EQ(expected, bank.Trace());
        EXPECT_NE(file.get(), device.DeviceSet());
        EXPECT_EQ(row.typeCode, device.DeviceSet()->TypeCode());
        EXPECT_EQ("3.5000", device.DeviceSet()->GetValueText(kIdFilterTime));
        EXPECT_EQ(35000, bank.GetInt32(1020));
        EXPECT_EQ(100, device.Progress());
    }
}

TEST_F(DeviceInterface, TransfersWithoutAConnectionSayOffline) {
    comm->Disconnect();
    EXPECT_EQ("Currently offline", ThrownMessage([&] { device.Upload(); }));
    auto set = CDeviceType::NewParameterSet(9);
    EXPECT_EQ("Currently offline", ThrownMessage([&] { device.Download(*set); }));
    EXPECT_TRUE(bank.Requests().empty());
}

TEST_F(DeviceInterface, OperationsHoldTheConnectionLock) {
    bank[9600] = 1001;
    std::atomic<bool> inside{false};
    std::atomic<bool> otherGotLock{false};
    std::atomic<bool> overlapped{false};
    bank.onRequest = [&](const CRegisterBank::Request&) {
        inside = true;
        if (otherGotLock)
            overlapped = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    };
    std::thread other([&] {
        while (!inside)
            std::this_thread::yield();
        std::lock_guard lock(comm->Lock());
        otherGotLock = true;
    });
    device.Poll();
    other.join();
    EXPECT_FALSE(overlapped) << "another thread took the lock in the middle of a poll";
    EXPECT_TRUE(otherGotLock);
}
