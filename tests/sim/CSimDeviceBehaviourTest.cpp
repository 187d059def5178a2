// Live values, process modes, calibration and factory area of CSimDevice.
#include "sim/CSimDevice.h"

#include "tests/sim/SimTestSupport.h"

#include <gtest/gtest.h>

namespace {

Bytes Answer(CSimDevice& device, const Bytes& frame) {
    return device.ProcessRtuFrame(frame).value_or(Bytes{});
}

bool Accepted(CSimDevice& device, uint16_t start, const std::vector<uint16_t>& values) {
    const Bytes answer = Answer(device, WriteFrame(start, values));
    return answer.size() == 8 && answer[1] == 0x10;
}

uint8_t WriteException(CSimDevice& device, uint16_t start, const std::vector<uint16_t>& values) {
    const Bytes answer = Answer(device, WriteFrame(start, values));
    return answer.size() == 5 && answer[1] == 0x90 ? answer[2] : 0;
}

int32_t Read32(CSimDevice& device, uint16_t start) {
    const std::vector<uint16_t> v = ReadAnswerValues(Answer(device, ReadFrame(start, 2)));
    return v.size() == 2 ? static_cast<int32_t>(v[0] | (static_cast<uint32_t>(v[1]) << 16))
                         : INT32_MIN;
}

CSimInput Relative(CSimInput::Shape shape, double a, double b, double period) {
    CSimInput input;
    input.shape = shape;
    input.relative = true;
    input.a = a;
    input.b = b;
    input.periodS = period;
    return input;
}

} // namespace

TEST(CSimDeviceLive, OutputsFollowTheInputThroughTheRanges) {
    CSimDevice device(1001); // 0-100 deg C to 4-20 mA on both outputs
    device.SetInputValue(25.0);
    EXPECT_EQ(Read32(device, 2), 250000);
    EXPECT_EQ(Read32(device, 4), 250000);
    EXPECT_EQ(Read32(device, 22), 80000);
    EXPECT_EQ(Read32(device, 24), 250000);
    EXPECT_EQ(Read32(device, 26), 80000);
    EXPECT_EQ(Read32(device, 0), 0);

    // Output 2 on 0-10 V of the -10..10 V type.
    ASSERT_TRUE(Accepted(device, 2200, {2}));
    ASSERT_TRUE(Accepted(device, 2201, Split32(0)));
    ASSERT_TRUE(Accepted(device, 2203, Split32(100000)));
    ASSERT_TRUE(Accepted(device, 2205, Split32(-10000)));
    ASSERT_TRUE(Accepted(device, 2207, Split32(110000)));
    EXPECT_EQ(Read32(device, 26), 25000);

    // A new input range is used at once.
    ASSERT_TRUE(Accepted(device, 1001, Split32(-500000)));
    EXPECT_EQ(Read32(device, 4), 500000);
    EXPECT_EQ(Read32(device, 22), 120000);
}

TEST(CSimDeviceLive, StatusBitsForRangeOverAndOutputLimit) {
    CSimDevice device(1001);
    device.SetInputValue(104.0);
    EXPECT_EQ(Read32(device, 0), 0);
    EXPECT_EQ(Read32(device, 22), 206400);
    device.SetInputValue(106.0);
    EXPECT_EQ(Read32(device, 0), 0x2);
    EXPECT_EQ(Read32(device, 22), 200000 + 9600);
    device.SetInputValue(120.0);
    EXPECT_EQ(Read32(device, 0), 0x3);
    EXPECT_EQ(Read32(device, 22), 216000);
    device.SetInputValue(-12.0);
    EXPECT_EQ(Read32(device, 0), 0x3);
    EXPECT_EQ(Read32(device, 22), 24000);
    device.SetInputValue(-5.0);
    EXPECT_EQ(Read32(device, 0), 0);
    EXPECT_EQ(Read32(device, 22), 32000);
}

TEST(CSimDeviceLive, BurnoutDrivesOutputsToTheirSetting) {
    CSimDevice device(1031); // thermocouple, 0-1600 deg C
    device.SetInputValue(400.0);
    ASSERT_EQ(Read32(device, 26), 80000);
    ASSERT_TRUE(Accepted(device, 2220, {0})); // output 2: None, holds
    ASSERT_TRUE(Accepted(device, 2020, {1})); // output 1: Downscale with its value
    ASSERT_TRUE(Accepted(device, 2021, Split32(16000)));
    device.SetBurnout(true);
    device.SetInputValue(800.0);
    EXPECT_EQ(Read32(device, 0) & 0x10, 0x10);
    EXPECT_EQ(Read32(device, 22), 16000);
    EXPECT_EQ(Read32(device, 26), 80000);
    ASSERT_TRUE(Accepted(device, 2020, {2}));
    ASSERT_TRUE(Accepted(device, 2021, Split32(224000)));
    EXPECT_EQ(Read32(device, 22), 224000);
    device.SetBurnout(false);
    EXPECT_EQ(Read32(device, 0), 0);
    EXPECT_EQ(Read32(device, 22), 120000);
    EXPECT_EQ(Read32(device, 26), 120000);
}

TEST(CSimDeviceLive, DcModelHasNoBurnoutDetection) {
    CSimDevice device(1021); // 4-20 mA in, 4-20 mA out
    device.SetInputValue(12.0);
    device.SetBurnout(true);
    EXPECT_EQ(Read32(device, 0), 0);
    EXPECT_EQ(Read32(device, 2), 120000);
    EXPECT_EQ(Read32(device, 22), 120000);
}

TEST(CSimDeviceLive, FineAdjustmentsShiftInputAndOutput) {
    CSimDevice device(1011); // potentiometer, 0-100 %
    device.SetInputValue(50.0);
    ASSERT_TRUE(Accepted(device, 1010, Split32(20000)));   // +2 %
    ASSERT_TRUE(Accepted(device, 1012, Split32(1100000))); // 110 %
    EXPECT_EQ(Read32(device, 2), 570000);
    ASSERT_TRUE(Accepted(device, 2010, Split32(-10000))); // output -1 %
    ASSERT_TRUE(Accepted(device, 2012, Split32(1000000)));
    EXPECT_EQ(Read32(device, 22), 40000 + 56 * 1600);
}

TEST(CSimDeviceLive, UserXyTableLinearisesTheOutput) {
    CSimDevice device(1012);
    ASSERT_TRUE(Accepted(device, 5000, {3}));
    std::vector<uint16_t> points;
    for (int32_t v : {0, 0, 500000, 800000, 1000000, 1000000}) {
        const std::vector<uint16_t> pair = Split32(v);
        points.insert(points.end(), pair.begin(), pair.end());
    }
    ASSERT_TRUE(Accepted(device, 5001, points));
    device.SetInputValue(25.0);
    EXPECT_EQ(Read32(device, 22), 80000);
    ASSERT_TRUE(Accepted(device, 2030, {1}));
    EXPECT_EQ(Read32(device, 22), 104000); // 25 % in -> 40 % out
    device.SetInputValue(75.0);
    EXPECT_EQ(Read32(device, 22), 184000); // 75 % in -> 90 % out
}

TEST(CSimDeviceLive, SensorReadingsOfTheTemperatureModels) {
    CSimDevice rtd(1001);
    ASSERT_TRUE(Accepted(rtd, 1000, {2})); // Pt100
    rtd.SetInputValue(100.0);
    EXPECT_EQ(Read32(rtd, 42), 1385000);
    ASSERT_TRUE(Accepted(rtd, 1000, {4})); // Pt1000
    EXPECT_EQ(Read32(rtd, 42), 13850000);

    CSimDevice tc(1032);
    ASSERT_TRUE(Accepted(tc, 1000, {1})); // type K
    tc.SetInputValue(525.0);
    EXPECT_EQ(Read32(tc, 6), 250000);
    EXPECT_EQ(Read32(tc, 42), 205000); // 0.041 mV/deg C above the 25 deg C terminals
    EXPECT_EQ(Read32(tc, 2), 5250000);
}

TEST(CSimDeviceLive, RampAndSineFollowTheSimulatedClock) {
    CSimDevice device(1011);
    device.SetInput(Relative(CSimInput::Shape::Ramp, 0, 100, 10));
    EXPECT_EQ(Read32(device, 2), 0);
    device.Tick(2.5);
    EXPECT_EQ(Read32(device, 2), 250000);
    device.Tick(10.0);
    EXPECT_EQ(Read32(device, 2), 250000);

    device.SetInput(Relative(CSimInput::Shape::Sine, 50, 25, 4));
    device.Tick(0.5); // clock at 13 s: a quarter period
    EXPECT_EQ(Read32(device, 2), 750000);

    // Relative values follow a changed input range; absolute ones do not.
    CSimDevice dc(1021);
    dc.SetInput(Relative(CSimInput::Shape::Constant, 50, 0, 1));
    EXPECT_EQ(Read32(dc, 2), 120000);
    ASSERT_TRUE(Accepted(dc, 1003, Split32(400000)));
    EXPECT_EQ(Read32(dc, 2), 220000);
}

TEST(CSimDeviceModes, FixedOutputHoldsWrittenValuesOnlyInMode2) {
    CSimDevice device(1001);
    device.SetInputValue(50.0);
    ASSERT_EQ(Read32(device, 22), 120000);
    // Outside mode 2 the write is answered but the device keeps driving the output.
    ASSERT_TRUE(Accepted(device, 22, Split32(55555)));
    EXPECT_EQ(Read32(device, 22), 120000);

    ASSERT_TRUE(Accepted(device, 900, {2}));
    ASSERT_TRUE(Accepted(device, 22, Split32(55555)));
    ASSERT_TRUE(Accepted(device, 26, Split32(-20000)));
    device.SetInputValue(10.0);
    device.Tick(1.0);
    EXPECT_EQ(Read32(device, 22), 55555);
    EXPECT_EQ(Read32(device, 26), -20000);
    EXPECT_EQ(Read32(device, 2), 100000);

    ASSERT_TRUE(Accepted(device, 900, {0}));
    EXPECT_EQ(Read32(device, 22), 56000);
}

TEST(CSimDeviceModes, OnlyKnownProcessModesAreAccepted) {
    CSimDevice two(1001);
    for (uint16_t mode : {0, 1, 2, 11, 21, 22, 5170, 0}) {
        EXPECT_TRUE(Accepted(two, 900, {mode})) << mode;
        EXPECT_EQ(two.GetProcessMode(), mode);
    }
    for (uint16_t mode : {3, 12, 23, 99, 5171, 0xFFFF}) {
        EXPECT_EQ(WriteException(two, 900, {mode}), 3) << mode;
    }
    CSimDevice one(1002);
    EXPECT_TRUE(Accepted(one, 900, {21}));
    EXPECT_EQ(WriteException(one, 900, {22}), 3);
    EXPECT_EQ(one.GetProcessMode(), 21);
}

TEST(CSimDeviceModes, SettingsAreWritableInEveryModeAndCalibrationRegistersKept) {
    CSimDevice device(1031);
    EXPECT_TRUE(Accepted(device, 1000, {5}));
    ASSERT_TRUE(Accepted(device, 900, {11}));
    const std::vector<uint16_t> work = {1, 2, 3, 4, 5, 6, 7, 8};
    ASSERT_TRUE(Accepted(device, 901, work));
    EXPECT_EQ(ReadAnswerValues(Answer(device, ReadFrame(901, 8))), work);
    EXPECT_TRUE(Accepted(device, 1001, Split32(5000000)));
    ASSERT_TRUE(Accepted(device, 900, {0}));
    EXPECT_EQ(ReadAnswerValues(Answer(device, ReadFrame(901, 8))), work);
    EXPECT_EQ(Read32(device, 1001), 5000000);
    EXPECT_EQ(Read32(device, 1003), 16000000);
}

TEST(CSimDeviceFactory, FactoryAreaIsReadableAlwaysButWritableOnlyInMode5170) {
    CSimDevice device(1001);
    EXPECT_EQ(device.GetText8(20000, 8), "SIM-000001");
    EXPECT_EQ(ReadAnswerValues(Answer(device, ReadFrame(20000, 24))).size(), 24u);
    for (uint16_t address : {20000, 20008, 20100, 21000, 22000, 22100, 30001, 30200}) {
        EXPECT_EQ(WriteException(device, address, {1}), 4) << address;
    }
    ASSERT_TRUE(Accepted(device, 900, {1}));
    EXPECT_EQ(WriteException(device, 20000, {1}), 4);
    EXPECT_EQ(WriteException(device, 30100, {1}), 2);
    ASSERT_TRUE(Accepted(device, 900, {5170}));
    EXPECT_EQ(WriteException(device, 30100, {1}), 2);
    EXPECT_TRUE(Accepted(device, 20100, Split32(1234567)));
    EXPECT_EQ(Read32(device, 20100), 1234567);
}

TEST(CSimDeviceFactory, SerialAndModelTextAreCopiedToTheInformationRegisters) {
    CSimDevice device(1021);
    ASSERT_TRUE(Accepted(device, 900, {5170}));
    std::vector<uint16_t> serial = {('2' << 8) | '1', ('4' << 8) | '3', 0, 0, 0, 0, 0, 0};
    ASSERT_TRUE(Accepted(device, 20000, serial));
    EXPECT_EQ(ReadAnswerValues(Answer(device, ReadFrame(9603, 8))), serial);
    std::vector<uint16_t> model(16, 0);
    model[0] = ('3' << 8) | 'Q';
    model[1] = ('C' << 8) | 'V';
    model[2] = '-';
    ASSERT_TRUE(Accepted(device, 20008, model));
    EXPECT_EQ(device.GetText8(9611, 16), "Q3VC-");
    EXPECT_EQ(device.GetText8(20008, 16), "Q3VC-");
}

TEST(CSimDeviceFactory, CalibrationTablesGainAndLiveAdCount) {
    CSimDevice device(1001);
    ASSERT_TRUE(Accepted(device, 900, {5170}));
    // AD table of gain entry 6: counts, then the true values as fixed-4.
    std::vector<uint16_t> row = {1111, 2222};
    for (int32_t v : {-10000, 990000}) {
        const std::vector<uint16_t> pair = Split32(v);
        row.insert(row.end(), pair.begin(), pair.end());
    }
    ASSERT_TRUE(Accepted(device, 21036, row));
    EXPECT_EQ(ReadAnswerValues(Answer(device, ReadFrame(21036, 6))), row);
    ASSERT_TRUE(Accepted(device, 22100 + 12, {500, 15000}));
    EXPECT_EQ(ReadAnswerValues(Answer(device, ReadFrame(22112, 2))),
              (std::vector<uint16_t>{500, 15000}));

    EXPECT_TRUE(Accepted(device, 30001, {6}));
    EXPECT_TRUE(Accepted(device, 30001, {0xFFFF}));
    EXPECT_EQ(WriteException(device, 30001, {7}), 3);

    device.SetInputValue(0.0);
    EXPECT_EQ(ReadAnswerValues(Answer(device, ReadFrame(30100, 1))), (std::vector<uint16_t>{1000}));
    device.SetInputValue(100.0);
    EXPECT_EQ(ReadAnswerValues(Answer(device, ReadFrame(30100, 1))),
              (std::vector<uint16_t>{61000}));

    CSimDevice pot(1011);
    ASSERT_TRUE(Accepted(pot, 900, {5170}));
    EXPECT_EQ(WriteException(pot, 30001, {3}), 3);
    EXPECT_EQ(WriteException(pot, 21018, {1}), 2);
}

TEST(CSimDeviceFactory, ForcedDaDrivesTheOutputUntilReleasedOrModeLeft) {
    CSimDevice device(1001);
    device.SetInputValue(50.0);
    ASSERT_TRUE(Accepted(device, 900, {5170}));
    // Default DA table of 0-20 mA: 3200 counts = 4 mA, 16000 counts = 20 mA.
    ASSERT_TRUE(Accepted(device, 30200, {16000, 6400}));
    EXPECT_EQ(Read32(device, 22), 200000);
    EXPECT_EQ(Read32(device, 26), 80000);
    ASSERT_TRUE(Accepted(device, 30200, {0}));
    EXPECT_EQ(Read32(device, 22), 120000);
    ASSERT_TRUE(Accepted(device, 30201, {3200}));
    ASSERT_TRUE(Accepted(device, 30001, {2}));
    EXPECT_EQ(Read32(device, 26), 40000);
    ASSERT_TRUE(Accepted(device, 900, {0}));
    EXPECT_EQ(ReadAnswerValues(Answer(device, ReadFrame(30200, 2))), (std::vector<uint16_t>{0, 0}));
    EXPECT_EQ(ReadAnswerValues(Answer(device, ReadFrame(30001, 1))),
              (std::vector<uint16_t>{0xFFFF}));
    EXPECT_EQ(Read32(device, 26), 120000);
}

TEST(CSimDeviceFactory, InitialiseThroughTheLibraryMatchesAFreshDevice) {
    CSimIdentity identity;
    identity.serial = "KEEP";
    CSimDevice device(1011, identity);
    const CSimDevice fresh(1011, identity);
    device.SetRegister(1000, 5);
    device.SetRegister(5000, 50);
    device.SetRegister(2030, 1);
    device.SetSerialNumber("NEW");
    device.Initialise();
    for (uint16_t address : {1000, 5000, 2030, 1003, 1004, 5001, 5002}) {
        EXPECT_EQ(device.GetRegister(address), fresh.GetRegister(address)) << address;
    }
    EXPECT_EQ(device.GetText8(9603, 8), "NEW");
}
