#include "comm/CCommInterface.h"
#include "model/CParTypeQA.h"
#include "model/CProcessPrivilege.h"
#include "model/ParameterIds.h"
#include "tests/support/CRegisterBank.h"
#include "tests/support/ModelFixture.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

namespace {

void Append(Trace& to, const Trace& more) {
    to.insert(to.end(), more.begin(), more.end());
}

class QARegisters : public ModelFixture {
protected:
    CRegisterBank bank;
    CCommInterface comm{&bank};
    CParTypeQA qa;

    void SetUp() override {
        ModelFixture::SetUp();
        bank[9602] = 110;
    }
};

Trace QAGroup0Writes() {
    Trace t;
    Append(t, Guarded({"W1000x1", "W1001x2", "W1003x2"}));
    Append(t, Guarded({"W1001x2"}));
    Append(t, Guarded({"W1003x2"}));
    Append(t, Guarded({"W1020x2"}));
    Append(t, Guarded({"W1030x1"}));
    Append(t, Guarded({"R9602x1", "W1040x1"}));
    for (int base : {2000, 2200}) {
        auto r = [base](int offset, int count) {
            return "W" + std::to_string(base + offset) + "x" + std::to_string(count);
        };
        Append(t, Guarded({r(0, 1), r(1, 2), r(3, 2), r(5, 2), r(7, 2), r(21, 2)}));
        Append(t, Guarded({r(1, 2), r(5, 2), r(7, 2), r(21, 2)}));
        Append(t, Guarded({r(3, 2), r(5, 2), r(7, 2), r(21, 2)}));
        Append(t, Guarded({r(5, 2)}));
        Append(t, Guarded({r(7, 2)}));
        Append(t, Guarded({r(20, 1), r(21, 2)}));
        Append(t, Guarded({r(21, 2)}));
    }
    return t;
}
} // namespace

TEST_F(QARegisters, FullDownloadWritesEveryRegisterInOrderInsideProcessMode) {
    qa.Download(comm, kGroupAll);
    Trace expected{"R900x1", "W900x1"};
    Append(expected, QAGroup0Writes());
    Append(expected, {"W1010x2", "W1012x2", "W2010x2", "W2012x2", "W2210x2", "W2212x2"});
    Append(expected, {"W4000x1", "W4001x2", "W4003x2", "W4005x2", "W4007x2", "W4009x2", "W4011x1",
                      "W4012x1"});
    for (int k = 0; k < 30; ++k)
        expected.push_back("W" + std::to_string(4013 + 20 * k) + "x20");
    expected.push_back("W900x1");
    EXPECT_EQ(expected, bank.Trace());
    // The outer guard enters mode 1 and restores the mode it found.
    EXPECT_EQ((std::vector<uint16_t>{1}), bank.Requests()[1].values);
    EXPECT_EQ((std::vector<uint16_t>{0}), bank.Requests().back().values);
    EXPECT_EQ(100, qa.GetProgress());
}

TEST_F(QARegisters, DownloadValuesTravelLowHalfFirst) {
    qa.SetValue(kIdInputFineZero, 100000, true);
    qa.Download(comm, kGroupAdjust);
    ASSERT_EQ("W1010x2", bank.Trace()[2]);
    EXPECT_EQ((std::vector<uint16_t>{0x86A0, 0x0001}), bank.Requests()[2].values);
    qa.SetValue(kIdOutput1FineZero, -1, true);
    bank.ClearRequests();
    qa.Download(comm, kGroupAdjust);
    EXPECT_EQ((std::vector<uint16_t>{0xFFFF, 0xFFFF}), bank.Requests()[4].values);
}

TEST_F(QARegisters, FullUploadReadsEveryRegisterAndConvertsInput) {
    bank.SetInt32(1003, 2000000);
    bank[1030] = 1;
    bank.SetInt32(4013 + 2 * 299, 3000000);
    qa.ResetProgress();
    qa.Upload(comm, kGroupAll);
    Trace expected{"R1000x1", "R1001x2", "R1003x2", "R1020x2", "R1030x1", "R9602x1", "R1040x1"};
    for (int base : {2000, 2200})
        for (auto [offset, count] : std::vector<std::pair<int, int>>{
                 {0, 1}, {1, 2}, {3, 2}, {5, 2}, {7, 2}, {20, 1}, {21, 2}})
            expected.push_back("R" + std::to_string(base + offset) + "x" + std::to_string(count));
    Append(expected, {"R1010x2", "R1012x2", "R2010x2", "R2012x2", "R2210x2", "R2212x2"});
    Append(expected, {"R4000x1", "R4001x2", "R4003x2", "R4005x2", "R4007x2", "R4009x2", "R4011x1",
                      "R4012x1"});
    for (int k = 0; k < 30; ++k)
        expected.push_back("R" + std::to_string(4013 + 20 * k) + "x20");
    Append(expected, {"R0x2", "R2x2", "R4x2", "R22x2", "R24x2", "R26x2", "R28x2", "R42x2", "R900x1",
                      "R9601x1", "R9602x1", "R9603x8", "R9611x16", "R9627x2", "R9629x16"});
    EXPECT_EQ(expected, bank.Trace());
    EXPECT_EQ(2000000, qa.GetValue(2));
    EXPECT_EQ(1, qa.GetValue(kIdSensorWires));
    EXPECT_EQ(3000000, qa.GetValue(21307));
    EXPECT_EQ(0, qa.GetValue(kIdCustomFirst + 1));
    EXPECT_EQ(100, qa.GetProgress());
}

TEST_F(QARegisters, OldFirmwareHidesResponseProperty) {
    bank[9602] = 109;
    bank[1040] = 1;
    qa.SetOnline(true);
    qa.Upload(comm, kGroupSettings);
    EXPECT_EQ(0, qa.GetValue(kIdResponseProperty));
    EXPECT_FALSE(qa.ResponsePropertySupported());
    EXPECT_EQ(kKindReadOnly, qa.GetParameterKind(kIdResponseProperty));
    for (const auto& r : bank.Requests())
        EXPECT_NE(1040, r.start);

    // A file asking for Sensitive writes nothing; the warning stays with the set for the thread
    // that shows it (the write may run on a transfer thread), never shown from here.
    qa.SetValue(kIdResponseProperty, 1, false);
    bank.ClearRequests();
    qa.WriteParameter(comm, kIdResponseProperty);
    EXPECT_EQ(Guarded({"R9602x1"}), bank.Trace());
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(std::vector<std::string>{"The response property of this device supports only the "
                                       "standard."},
              qa.TakeWarnings());
    EXPECT_TRUE(qa.TakeWarnings().empty());
}

TEST_F(QARegisters, FactoryTextsUseFactoryModeAndFactoryArea) {
    qa.SetValueText(kIdSerial, "AB12", false);
    qa.WriteParameter(comm, kIdSerial);
    EXPECT_EQ(Guarded({"W20000x8"}), bank.Trace());
    EXPECT_EQ((std::vector<uint16_t>{5170}), bank.Requests()[1].values);
    EXPECT_EQ(static_cast<uint16_t>('A' | ('B' << 8)), bank.Requests()[2].values[0]);
    EXPECT_EQ(static_cast<uint16_t>('1' | ('2' << 8)), bank.Requests()[2].values[1]);
    EXPECT_EQ(0, bank.Requests()[2].values[2]);
    bank.ClearRequests();
    qa.ReadParameter(comm, kIdModelText);
    EXPECT_EQ((Trace{"R20008x16"}), bank.Trace());
}

TEST_F(QARegisters, ErrorMidDownloadStillRestoresMode) {
    bank[900] = 0;
    bank.FailAt(10);
    EXPECT_EQ("fault", ThrownMessage([&] { qa.Download(comm, kGroupAll); }));
    const auto& last = bank.Requests().back();
    EXPECT_TRUE(last.write);
    EXPECT_EQ(900, last.start);
    EXPECT_EQ((std::vector<uint16_t>{0}), last.values);
    // The lock is free again: the next write enters the mode.
    bank.FailAt(-1);
    bank.ClearRequests();
    qa.WriteParameter(comm, kIdFilterTime);
    EXPECT_EQ(Guarded({"W1020x2"}), bank.Trace());
}

TEST_F(QARegisters, FailedModeReadReleasesTheLock) {
    bank.FailAt(0);
    EXPECT_EQ("fault", ThrownMessage([&] { qa.WriteParameter(comm, kIdFilterTime); }));
    bank.FailAt(-1);
    bank.ClearRequests();
    qa.WriteParameter(comm, kIdFilterTime);
    EXPECT_EQ(Guarded({"W1020x2"}), bank.Trace());
}

TEST_F(QARegisters, HeaderRowsWriteNothing) {
    qa.WriteParameter(comm, kIdHeaderOutput1);
    qa.ReadParameter(comm, kIdHeaderOutput1);
    EXPECT_TRUE(bank.Requests().empty());
}

TEST(ProcessPrivilege, NestedGuardRestoresOuterMode) {
    CRegisterBank bank;
    CCommInterface comm(&bank);
    bank[900] = 7;
    {
        CProcessPrivilege outer;
        ASSERT_TRUE(outer.Enter(5170, comm));
        {
            CProcessPrivilege inner;
            ASSERT_TRUE(inner.Enter(1, comm));
            EXPECT_EQ(5170, inner.SavedMode());
            EXPECT_EQ(1, bank.Get(900));
        }
        EXPECT_EQ(5170, bank.Get(900));
    }
    EXPECT_EQ(7, bank.Get(900));
}

// Another thread or program instance holding the mode lock is waited for: never a write
// without the mode, and a bounded wait ends in a clear failure with nothing written.
TEST(ProcessPrivilege, HeldElsewhereIsWaitedForAndABoundedWaitFailsWithNothingWritten) {
    // A second open file description stands for another instance: flock excludes it.
    int fd = ::open(CProcessPrivilege::LockPath().c_str(), O_RDWR | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(0, ::flock(fd, LOCK_EX | LOCK_NB));
    CProcessPrivilege::SetLockWait(std::chrono::milliseconds(200));
    CRegisterBank bank;
    CCommInterface comm(&bank);
    {
        CProcessPrivilege guard;
        EXPECT_NE(std::string::npos,
                  ThrownMessage([&] { guard.Enter(1, comm); }).find("busy for 1 seconds"));
    }
    EXPECT_TRUE(bank.Requests().empty());

    CProcessPrivilege::SetLockWait(std::chrono::seconds(10));
    std::thread other([fd] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        ::flock(fd, LOCK_UN);
    });
    {
        CProcessPrivilege guard;
        EXPECT_TRUE(guard.Enter(1, comm));
        EXPECT_EQ(1, bank.Get(900));
    }
    other.join();
    ::close(fd);
    EXPECT_EQ(0, bank.Get(900));
    CProcessPrivilege::SetLockWait(std::chrono::seconds(60));
}

// The restore that the device does not take is tried once more, then said: by Leave, and added
// to the error of a sequence that failed on its own.
TEST(ProcessPrivilege, RestoreTheDeviceDoesNotTakeIsSaid) {
    CRegisterBank bank;
    CCommInterface comm(&bank);
    int restores = 0;
    bank.onRequest = [&restores](const CRegisterBank::Request& r) {
        if (r.write && r.start == 900 && r.values == std::vector<uint16_t>{0}) {
            ++restores;
            throw CPrivateException("no answer");
        }
    };
    const std::string warning = "The process mode (register 900) could not be set back to 0: "
                                "the device may still be in write mode. Check the device before "
                                "use.";
    EXPECT_EQ(warning, ThrownMessage([&] { InProcessMode(1, comm, [] {}); }));
    EXPECT_EQ(2, restores);
    bank[900] = 0;
    EXPECT_EQ("fault\n" + warning, ThrownMessage([&] {
                  InProcessMode(1, comm, [] { throw CPrivateException("fault"); });
              }));
    // The locks were let go both times.
    bank.onRequest = nullptr;
    bank[900] = 0;
    InProcessMode(1, comm, [] {});
    EXPECT_EQ(0, bank.Get(900));
}
