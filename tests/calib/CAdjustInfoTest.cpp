#include "calib/CAdjustInfo.h"

#include "calib/CCalibInfo.h"
#include "comm/CCommInterface.h"
#include "model/CParTypeQA.h"
#include "tests/support/CRegisterBank.h"
#include "tests/support/ModelFixture.h"

#include <gtest/gtest.h>

#include <limits>

namespace {
using Trace = std::vector<std::string>;

std::vector<uint16_t> Pair(int32_t a, int32_t b) {
    auto ua = static_cast<uint32_t>(a);
    auto ub = static_cast<uint32_t>(b);
    return {static_cast<uint16_t>(ua & 0xFFFF), static_cast<uint16_t>(ua >> 16),
            static_cast<uint16_t>(ub & 0xFFFF), static_cast<uint16_t>(ub >> 16)};
}

// A model without inputs and outputs.
class CNoChannels : public CParTypeQA {
public:
    int GetInputCount() const override { return 0; }
    int GetOutputCount() const override { return 0; }
};

class AdjustRecords : public ModelFixture {
protected:
    CRegisterBank bank;
    CCommInterface comm{&bank};
};
} // namespace

TEST(AdjustRounding, HalfAwayFromZeroAndOutOfRange) {
    EXPECT_EQ(-1, CAdjustInfo::ToDevice(-0.00005));
    EXPECT_EQ(0, CAdjustInfo::ToDevice(0.00004));
    EXPECT_EQ(1, CAdjustInfo::ToDevice(0.00005));
    EXPECT_EQ(0, CAdjustInfo::ToDevice(-0.00004));
    EXPECT_EQ(1000000, CAdjustInfo::ToDevice(100.0));
    EXPECT_EQ(std::numeric_limits<int32_t>::min(), CAdjustInfo::ToDevice(300000.0));
    EXPECT_EQ(std::numeric_limits<int32_t>::min(), CAdjustInfo::ToDevice(-300000.0));
    EXPECT_EQ(std::numeric_limits<int32_t>::min(),
              CAdjustInfo::ToDevice(std::numeric_limits<double>::quiet_NaN()));
    EXPECT_EQ(std::numeric_limits<int32_t>::max(), CAdjustInfo::ToDevice(214748.3647));
}

TEST(AdjustDefaults, MatchTheRecordDefinition) {
    CAdjustInfo a;
    EXPECT_EQ(1, a.inputCount);
    EXPECT_DOUBLE_EQ(100.0, a.inputSpan[1]);
    EXPECT_DOUBLE_EQ(-15.0, a.inputZeroMin[0]);
    EXPECT_DOUBLE_EQ(15.0, a.inputZeroMax[1]);
    EXPECT_EQ("%", a.outputUnit[0]);
    EXPECT_EQ("", a.inputUnit[0]);
    EXPECT_TRUE(a.ioPresent);
    EXPECT_FALSE(a.inputValid);
    CCalibInfo c;
    EXPECT_TRUE(c.ioPresent);
    EXPECT_EQ(1, c.outputCount);
}

TEST(AdjustCopy, CopiesAreIndependent) {
    CAdjustInfo page;
    page.inputUnit[0] = "Ohm";
    page.outputUnit[1] = "mA";
    page.inputZero[0] = 1.25;
    CAdjustInfo thread = page;
    page.inputUnit[0] = "mV";
    page.inputZero[0] = 0;
    EXPECT_EQ("Ohm", thread.inputUnit[0]);
    EXPECT_EQ("mA", thread.outputUnit[1]);
    EXPECT_DOUBLE_EQ(1.25, thread.inputZero[0]);
}

TEST_F(AdjustRecords, WriteEntersProcessModeAndWritesEveryChannel) {
    bank[900] = 0;
    CAdjustInfo a;
    a.inputCount = 1;
    a.outputCount = 2;
    a.inputZero[0] = -0.00005;
    a.inputSpan[0] = 100.00004;
    a.outputZero[0] = 1.5;
    a.outputSpan[0] = 99.0;
    a.outputZero[1] = -2.0;
    a.outputSpan[1] = 101.0;
    a.Write(comm);
    EXPECT_EQ((Trace{"R900x1", "W900x1", "W1010x4", "W2010x4", "W2210x4", "W900x1"}), bank.Trace());
    const auto& r = bank.Requests();
    EXPECT_EQ((std::vector<uint16_t>{1}), r[1].values);
    EXPECT_EQ(Pair(-1, 1000000), r[2].values);
    EXPECT_EQ(Pair(15000, 990000), r[3].values);
    EXPECT_EQ(Pair(-20000, 1010000), r[4].values);
    EXPECT_EQ((std::vector<uint16_t>{0}), r[5].values);
}

TEST_F(AdjustRecords, OneInputOneOutputWritesOnlyTheFirstOfEach) {
    CAdjustInfo a;
    a.inputCount = 1;
    a.outputCount = 1;
    a.Write(comm);
    EXPECT_EQ((Trace{"R900x1", "W900x1", "W1010x4", "W2010x4", "W900x1"}), bank.Trace());
}

TEST_F(AdjustRecords, WithoutChannelsOnlyTheInputsAreWritten) {
    CAdjustInfo a;
    a.ioPresent = false;
    a.Write(comm);
    EXPECT_EQ((Trace{"R900x1", "W900x1", "W1010x4", "W900x1"}), bank.Trace());
}

TEST_F(AdjustRecords, FailedWriteStillRestoresTheProcessMode) {
    bank[900] = 0;
    bank.FailAt(2);
    CAdjustInfo a;
    EXPECT_EQ("fault", ThrownMessage([&] { a.Write(comm); }));
    EXPECT_EQ((Trace{"R900x1", "W900x1", "W1010x4", "W900x1"}), bank.Trace());
    EXPECT_EQ(0, bank[900]);
}

TEST_F(AdjustRecords, ModelWithoutChannelsClearsIoPresentAndReadsNothing) {
    CNoChannels set;
    CCalibInfo calib;
    calib.Read(comm, set);
    CAdjustInfo adjust;
    adjust.Read(comm, set);
    EXPECT_FALSE(calib.ioPresent);
    EXPECT_FALSE(adjust.ioPresent);
    EXPECT_FALSE(adjust.inputValid);
    EXPECT_TRUE(bank.Requests().empty());
}

TEST_F(AdjustRecords, SingleOutputModelReadsOnlyIndexZero) {
    CParTypeQA1 set;
    bank.SetInt32(2210, 5); // output 2's registers: must stay unread
    CAdjustInfo adjust;
    adjust.outputZero[1] = 7.0;
    adjust.Read(comm, set);
    EXPECT_EQ((Trace{"R1010x4", "R2010x4"}), bank.Trace());
    EXPECT_EQ(1, adjust.outputCount);
    EXPECT_DOUBLE_EQ(7.0, adjust.outputZero[1]);
}

TEST(CalibratedDate, ValueIsYearMonthDay) {
    std::tm date{};
    date.tm_year = 2019 - 1900;
    date.tm_mon = 11;
    date.tm_mday = 31;
    EXPECT_EQ(132320287, CalibratedDateValue(date));
    date.tm_year = 100;
    date.tm_mon = 0;
    date.tm_mday = 1;
    EXPECT_EQ(0x7D00101, CalibratedDateValue(date));
}

TEST_F(AdjustRecords, CalibratedDateIsWrittenInsideProcessMode) {
    bank[900] = 0;
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    WriteCalibratedDate(comm);
    EXPECT_EQ((Trace{"R900x1", "W900x1", "W9627x2", "W900x1"}), bank.Trace());
    int32_t written = bank.GetInt32(9627);
    EXPECT_EQ(CalibratedDateValue(local), written);
    EXPECT_EQ(local.tm_year + 1900, written >> 16);
}
