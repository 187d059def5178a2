#include "calib/CalibrationSequences.h"

#include "calib/CCalibInfo.h"
#include "comm/CCommInterface.h"
#include "model/CParTypeQA.h"
#include "model/CParTypeQC.h"
#include "model/ParameterIds.h"
#include "tests/support/CRegisterBank.h"
#include "tests/support/ModelFixture.h"

#include <gtest/gtest.h>

#include <ctime>
#include <future>

namespace {
using Trace = std::vector<std::string>;
using Words = std::vector<uint16_t>;

Words Split(std::initializer_list<int32_t> values) {
    Words out;
    for (int32_t v : values) {
        auto u = static_cast<uint32_t>(v);
        out.push_back(static_cast<uint16_t>(u & 0xFFFF));
        out.push_back(static_cast<uint16_t>(u >> 16));
    }
    return out;
}

int32_t Today() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return CalibratedDateValue(local);
}

class CalibSequences : public ModelFixture {
protected:
    const CRegisterBank::Request& Request(std::size_t i) const { return bank.Requests().at(i); }

    CRegisterBank bank;
    CCommInterface comm{&bank};
};
} // namespace

TEST_F(CalibSequences, StartInputClearsReferencesSeedsCapturesThenEntersMode11) {
    bank.SetInt32(1001, -2000000);
    bank.SetInt32(1003, 8500000);
    bank[900] = 0;
    StartInputCalibration(comm, 0);
    EXPECT_EQ((Trace{"R1001x4", "W901x8", "W900x1"}), bank.Trace());
    EXPECT_EQ(Split({0, 0, -2000000, 8500000}), Request(1).values);
    EXPECT_EQ(Words{11}, Request(2).values);
}

TEST_F(CalibSequences, StartOfTheSecondChannelUsesItsOwnRangeAndMode) {
    StartInputCalibration(comm, 1);
    EXPECT_EQ((Trace{"R1201x4", "W901x8", "W900x1"}), bank.Trace());
    EXPECT_EQ(Words{12}, Request(2).values);
    bank.ClearRequests();
    bank.SetInt32(2201, 40000);
    bank.SetInt32(2203, 200000);
    StartOutputCalibration(comm, 1);
    EXPECT_EQ((Trace{"R2201x4", "W901x8", "W900x1"}), bank.Trace());
    EXPECT_EQ(Split({0, 0, 40000, 200000}), Request(1).values);
    EXPECT_EQ(Words{22}, Request(2).values);
}

TEST_F(CalibSequences, CapturesCopyTheLiveValueOfTheChannel) {
    bank.SetInt32(2, 1234567);
    bank.SetInt32(26, -45678);
    CaptureInputPoint(comm, 0, CalibPoint::Zero);
    CaptureOutputPoint(comm, 1, CalibPoint::Full);
    EXPECT_EQ((Trace{"R2x2", "W905x2", "R26x2", "W907x2"}), bank.Trace());
    EXPECT_EQ(1234567, bank.GetInt32(905));
    EXPECT_EQ(-45678, bank.GetInt32(907));
    bank.ClearRequests();
    CaptureInputPoint(comm, 1, CalibPoint::Full);
    CaptureOutputPoint(comm, 0, CalibPoint::Zero);
    EXPECT_EQ((Trace{"R6x2", "W907x2", "R22x2", "W905x2"}), bank.Trace());
}

TEST_F(CalibSequences, SetInputWritesTheCapturedRangeAndTodayInsideMode1) {
    bank[900] = 11;
    bank.SetInt32(905, -1999000);
    bank.SetInt32(907, 8501234);
    SetInputCalibration(comm, 0);
    EXPECT_EQ((Trace{"R905x4", "W900x1", "R900x1", "W900x1", "W1001x4", "R900x1", "W900x1",
                     "W9627x2", "W900x1", "W900x1"}),
              bank.Trace());
    EXPECT_EQ(Words{0}, Request(1).values);
    EXPECT_EQ(Words{1}, Request(3).values);
    EXPECT_EQ(Split({-1999000, 8501234}), Request(4).values);
    EXPECT_EQ(Split({Today()}), Request(7).values);
    EXPECT_EQ(Words{0}, Request(9).values); // the mode before the privilege
    EXPECT_EQ(0, bank[900]);
}

TEST_F(CalibSequences, SetInputOfTheSecondInputWritesItsRange) {
    SetInputCalibration(comm, 1);
    EXPECT_EQ("W1201x4", bank.Trace().at(4));
}

TEST_F(CalibSequences, FailedRangeWriteStillRestoresTheModeAndPropagates) {
    bank[900] = 11;
    bank.FailAt(4); // W1001x4
    EXPECT_EQ("fault", ThrownMessage([&] { SetInputCalibration(comm, 0); }));
    EXPECT_EQ((Trace{"R905x4", "W900x1", "R900x1", "W900x1", "W1001x4", "W900x1"}), bank.Trace());
    EXPECT_EQ(0, bank[900]);
}

TEST_F(CalibSequences, SetOutputPutsTheCapturedPairIntoTheModelAndWritesBothParameters) {
    CParTypeQA set;
    bank[900] = 21;
    bank.SetInt32(905, 40123);
    bank.SetInt32(907, 199876);
    SetOutputCalibration(comm, set, 0);
    EXPECT_EQ(40123, set.GetValue(101));
    EXPECT_EQ(199876, set.GetValue(102));
    EXPECT_EQ(40123, bank.GetInt32(2001));
    EXPECT_EQ(199876, bank.GetInt32(2003));
    // Each parameter rewrites the limits and the burnout value derived from it (2005, 2007,
    // 2021) inside its own process mode 1; the date comes last, and the mode ends at 0.
    EXPECT_EQ((Trace{"R905x4",  "W900x1", "R900x1", "W900x1", "W2001x2", "W2005x2", "W2007x2",
                     "W2021x2", "W900x1", "R900x1", "W900x1", "W2003x2", "W2005x2", "W2007x2",
                     "W2021x2", "W900x1", "R900x1", "W900x1", "W9627x2", "W900x1"}),
              bank.Trace());
    EXPECT_EQ(Words{0}, Request(1).values);
    EXPECT_EQ(Split({Today()}), Request(18).values);
    EXPECT_EQ(0, bank[900]);
}

TEST_F(CalibSequences, SetOfTheSecondOutputUsesParameters106And107) {
    CParTypeQA set;
    bank.SetInt32(905, 10000);
    bank.SetInt32(907, 50000);
    SetOutputCalibration(comm, set, 1);
    EXPECT_EQ(10000, set.GetValue(106));
    EXPECT_EQ(50000, set.GetValue(107));
    EXPECT_EQ(10000, bank.GetInt32(2201));
    EXPECT_EQ(50000, bank.GetInt32(2203));
    EXPECT_NE(10000, set.GetValue(101));
}

TEST_F(CalibSequences, ReferencesAreWrittenOnlyDuringACycleAndOnlyWhileZero) {
    CCalibInfo info;
    info.refZeroModel = -2000000;
    info.refFullModel = 8500000;
    EXPECT_FALSE(WriteReferencesIfUnset(comm, info, false));
    EXPECT_TRUE(bank.Trace().empty());
    EXPECT_TRUE(WriteReferencesIfUnset(comm, info, true));
    EXPECT_EQ((Trace{"W901x4"}), bank.Trace());
    EXPECT_EQ(Split({-2000000, 8500000}), Request(0).values);
    bank.ClearRequests();
    info.refZeroRaw = 0;
    info.refFullRaw = 8500000;
    EXPECT_FALSE(WriteReferencesIfUnset(comm, info, true));
    info.refZeroRaw = -2000000;
    info.refFullRaw = 0;
    EXPECT_FALSE(WriteReferencesIfUnset(comm, info, true));
    EXPECT_TRUE(bank.Trace().empty());
}

TEST(CalibModes, RangesOfTheCycles) {
    EXPECT_FALSE(IsInputCalibrationMode(10));
    EXPECT_TRUE(IsInputCalibrationMode(11));
    EXPECT_TRUE(IsInputCalibrationMode(20));
    EXPECT_FALSE(IsInputCalibrationMode(21));
    EXPECT_TRUE(IsOutputCalibrationMode(21));
    EXPECT_TRUE(IsOutputCalibrationMode(30));
    EXPECT_FALSE(IsOutputCalibrationMode(31));
    EXPECT_FALSE(IsOutputCalibrationMode(5170));
}

TEST(FactoryTypeLists, GainsForTheResistanceThermometerRangesForTheOthers) {
    auto rtd = FactoryInputTypeTexts(9);
    ASSERT_EQ(8u, rtd.size());
    EXPECT_EQ("Please choose input type or gain.", rtd[0]);
    EXPECT_EQ("ゲイン1倍", rtd[1]);
    EXPECT_EQ("ゲイン8倍", rtd[4]);
    EXPECT_EQ("ゲイン64倍", rtd[7]);
    for (int code : {10, 11, 13, 16}) {
        auto dc = FactoryInputTypeTexts(code);
        ASSERT_EQ(4u, dc.size()) << code;
        EXPECT_EQ("DC 0 - 50mA", dc[1]);
        EXPECT_EQ("DC -10V - +10V", dc[3]);
    }
    auto out = FactoryOutputTypeTexts();
    ASSERT_EQ(4u, out.size());
    EXPECT_EQ("Please choose input type or gain.", out[0]);
    EXPECT_EQ("DC 0 - 20mA", out[1]);
    EXPECT_EQ("DC -5V - +5V", out[2]);
    EXPECT_EQ("DC -10V - +10V", out[3]);
    // Output 2 of every two-output model can be calibrated; single-output variants have none.
    for (int code = 9; code <= 16; ++code)
        EXPECT_EQ(code % 2 == 1, FactoryOutputHasSelector(code)) << code;
}

TEST_F(CalibSequences, FactoryInputTypeSelectsTheGainOnlyForType9) {
    bank[21012] = 1100;
    bank[21013] = 15000;
    bank.SetInt32(21014, 12345);
    bank.SetInt32(21016, 987654);
    FactoryTypeValues v = SelectFactoryInputType(comm, 9, 2);
    EXPECT_EQ((Trace{"W30001x1", "R21012x2", "R21014x4"}), bank.Trace());
    EXPECT_EQ(Words{2}, Request(0).values);
    EXPECT_EQ(1100, v.zeroCount);
    EXPECT_EQ(15000, v.fullCount);
    EXPECT_EQ(12345, v.zeroMeasured);
    EXPECT_EQ(987654, v.fullMeasured);
    bank.ClearRequests();
    SelectFactoryInputType(comm, 13, 0);
    EXPECT_EQ((Trace{"R21000x2", "R21002x4"}), bank.Trace());
}

TEST_F(CalibSequences, FactoryInputPointStoresTheLiveAdCountAndReadsBoth) {
    bank[30100] = 4321;
    FactoryPointValues zero = StoreFactoryInputPoint(comm, 1, CalibPoint::Zero, 12500);
    EXPECT_EQ((Trace{"R30100x1", "W21006x1", "W21008x2", "R21006x1", "R21008x2"}), bank.Trace());
    EXPECT_EQ(Words{4321}, Request(1).values);
    EXPECT_EQ(Split({12500}), Request(2).values);
    EXPECT_EQ(4321, zero.count);
    EXPECT_EQ(12500, zero.measured);
    bank.ClearRequests();
    bank[30100] = 60000;
    FactoryPointValues full = StoreFactoryInputPoint(comm, 1, CalibPoint::Full, -7);
    EXPECT_EQ((Trace{"R30100x1", "W21007x1", "W21010x2", "R21007x1", "R21010x2"}), bank.Trace());
    EXPECT_EQ(60000, full.count);
    EXPECT_EQ(-7, full.measured);
}

TEST_F(CalibSequences, FactoryReferencesAndGainRelease) {
    bank.SetInt32(20100, 1000000);
    bank.SetInt32(20102, 500000);
    int32_t resistance = 0;
    int32_t voltage = 0;
    ReadFactoryReferences(comm, resistance, voltage);
    EXPECT_EQ(1000000, resistance);
    EXPECT_EQ(500000, voltage);
    EXPECT_EQ(250000, WriteFactoryReference(comm, kRegFactoryVoltage, 250000));
    EXPECT_EQ(1002500, WriteFactoryReference(comm, kRegFactoryResistance, 1002500));
    ReleaseFactoryGain(comm);
    EXPECT_EQ((Trace{"R20100x4", "W20102x2", "R20102x2", "W20100x2", "R20100x2", "W30001x1"}),
              bank.Trace());
    EXPECT_EQ(Words{0xFFFF}, Request(5).values);
}

TEST_F(CalibSequences, FactoryOutputTypeIsReadInRowOrder) {
    bank[22106] = 800;
    bank[22107] = 15800;
    bank.SetInt32(22108, 40000);
    bank.SetInt32(22110, 200000);
    FactoryTypeValues v = ReadFactoryOutputType(comm, 1, 1);
    EXPECT_EQ((Trace{"R22106x1", "R22108x2", "R22107x1", "R22110x2"}), bank.Trace());
    EXPECT_EQ(800, v.zeroCount);
    EXPECT_EQ(15800, v.fullCount);
    EXPECT_EQ(40000, v.zeroMeasured);
    EXPECT_EQ(200000, v.fullMeasured);
}

TEST_F(CalibSequences, FactoryOutputPointStoresTheForcedDaCount) {
    ForceFactoryOutput(comm, 0, 3210);
    FactoryPointValues p = StoreFactoryOutputPoint(comm, 0, 2, CalibPoint::Full, 100123);
    EXPECT_EQ((Trace{"W30200x1", "R30200x1", "W22013x1", "W22016x2", "R22013x1", "R22016x2"}),
              bank.Trace());
    EXPECT_EQ(3210, p.count);
    EXPECT_EQ(100123, p.measured);
    bank.ClearRequests();
    StoreFactoryOutputPoint(comm, 1, 0, CalibPoint::Zero, 1);
    EXPECT_EQ((Trace{"R30201x1", "W22100x1", "W22102x2", "R22100x1", "R22102x2"}), bank.Trace());
}

TEST_F(CalibSequences, ReleasingTheOutputsWritesBothInOneRequest) {
    bank[30200] = 5;
    bank[30201] = 6;
    ReleaseFactoryOutputs(comm);
    EXPECT_EQ((Trace{"W30200x2"}), bank.Trace());
    EXPECT_EQ((Words{0, 0}), Request(0).values);
}

TEST_F(CalibSequences, LoopTestChecksTheLimitBeforeAnyTraffic) {
    CParTypeQA set; // both outputs DC 0 - 20mA: -3 to 23 mA accepted
    std::string message = ThrownMessage([&] { WriteLoopTestOutput(comm, set, 0, 230001); });
    EXPECT_EQ(set.GetParameterName(kIdOutput1Value) + " should be a from -3.0000 to 23.0000. ",
              message);
    EXPECT_TRUE(bank.Trace().empty());
    WriteLoopTestOutput(comm, set, 0, 230000);
    WriteLoopTestOutput(comm, set, 1, -30000);
    EXPECT_EQ((Trace{"W22x2", "W26x2"}), bank.Trace());
    EXPECT_EQ(230000, bank.GetInt32(22));
    EXPECT_EQ(-30000, bank.GetInt32(26));
    WriteProcessMode(comm, 2);
    EXPECT_EQ(2, bank[900]);
}

TEST_F(CalibSequences, LoopTestLimitFollowsTheOutputType) {
    CParTypeQC set;
    set.SetValue(OutputId(1, 0), 2, true); // output 2: DC -10V - +10V
    EXPECT_EQ("", ThrownMessage([&] { WriteLoopTestOutput(comm, set, 1, -130000); }));
    EXPECT_NE("", ThrownMessage([&] { WriteLoopTestOutput(comm, set, 1, 130001); }));
    EXPECT_NE("", ThrownMessage([&] { WriteLoopTestOutput(comm, set, 0, -30001); }));
    EXPECT_EQ((Trace{"W26x2"}), bank.Trace());
}

// A sequence that forgot its lock would interleave with the polling thread.
TEST_F(CalibSequences, EverySequenceHoldsTheConnectionLock) {
    int unlocked = 0;
    bank.onRequest = [&](const CRegisterBank::Request&) {
        bool free = std::async(std::launch::async, [&] {
                        if (!comm.Lock().try_lock())
                            return false;
                        comm.Lock().unlock();
                        return true;
                    }).get();
        unlocked += free ? 1 : 0;
    };
    CParTypeQA set;
    CCalibInfo info;
    StartInputCalibration(comm, 0);
    StartOutputCalibration(comm, 0);
    CaptureInputPoint(comm, 0, CalibPoint::Zero);
    CaptureOutputPoint(comm, 0, CalibPoint::Full);
    SetInputCalibration(comm, 0);
    SetOutputCalibration(comm, set, 0);
    WriteReferencesIfUnset(comm, info, true);
    int32_t r = 0;
    int32_t v = 0;
    ReadFactoryReferences(comm, r, v);
    WriteFactoryReference(comm, kRegFactoryVoltage, 1);
    SelectFactoryInputType(comm, 9, 0);
    StoreFactoryInputPoint(comm, 0, CalibPoint::Zero, 1);
    ReleaseFactoryGain(comm);
    ReadFactoryOutputType(comm, 0, 0);
    ForceFactoryOutput(comm, 0, 100);
    StoreFactoryOutputPoint(comm, 0, 0, CalibPoint::Zero, 1);
    ReleaseFactoryOutputs(comm);
    WriteProcessMode(comm, 0);
    WriteLoopTestOutput(comm, set, 0, 0);
    EXPECT_GT(bank.Requests().size(), 40u);
    EXPECT_EQ(0, unlocked);
}
