#pragma once

// Parameter ids shared by the models of the family.
inline constexpr int kIdInputType = 0;
inline constexpr int kIdZeroInput = 1;
inline constexpr int kIdFullInput = 2;
inline constexpr int kIdResponseRate = 50;
inline constexpr int kIdFilterTime = 51;
inline constexpr int kIdBurnout1 = 60;
inline constexpr int kIdColdJunction = 61;
inline constexpr int kIdSensorWires = 63;
inline constexpr int kIdBurnoutValue1 = 66;
inline constexpr int kIdBurnout2 = 67;
inline constexpr int kIdBurnoutValue2 = 68;
inline constexpr int kIdResponseProperty = 69;
inline constexpr int kIdOutputType1 = 100; // 100..104: type, 0 %, 100 %, low limit, high limit
inline constexpr int kIdOutputType2 = 105; // 105..109 likewise
inline constexpr int kIdLinearizer1 = 110;
inline constexpr int kIdLinearizer2 = 111;
inline constexpr int kIdInputFineZero = 10000;
inline constexpr int kIdInputFineSpan = 10002;
inline constexpr int kIdOutput1FineZero = 10003;
inline constexpr int kIdOutput1FineSpan = 10004;
inline constexpr int kIdOutput2FineZero = 10008;
inline constexpr int kIdOutput2FineSpan = 10009;
inline constexpr int kIdXYPoints = 20001;
inline constexpr int kIdXYFirst = 20002; // X[0], Y[0], X[1], ... up to 20203
inline constexpr int kIdXYLast = 20203;
inline constexpr int kIdCustomType = 21000;
inline constexpr int kIdCoefR0 = 21001; // 21001..21004: R0, A, B, C
inline constexpr int kIdCoefC = 21004;
inline constexpr int kIdCustomStart = 21005;
inline constexpr int kIdCustomStep = 21006;
inline constexpr int kIdCustomPoints = 21007;
inline constexpr int kIdCustomFirst = 21008; // R[0] / V[0] up to 21307
inline constexpr int kIdCustomLast = 21307;
inline constexpr int kIdInputValue = 60000;
inline constexpr int kIdOutput1Value = 60001;
inline constexpr int kIdInput2Value = 60002;
inline constexpr int kIdOutput2Value = 60003;
inline constexpr int kIdStatus = 61000;
inline constexpr int kIdCjmTemperature = 61001;
inline constexpr int kIdTcVoltage = 61002;
inline constexpr int kIdRtdResistance = 61003;
inline constexpr int kIdTag = 62000;
inline constexpr int kIdCalibDate = 62001;
inline constexpr int kIdModelText = 62002;
inline constexpr int kIdSerial = 62003;
inline constexpr int kIdHardware = 62004;
inline constexpr int kIdFirmware = 62005;
inline constexpr int kIdHeaderInput = 65000;
inline constexpr int kIdHeaderOutput = 65001;
inline constexpr int kIdHeaderAdjust = 65002;
inline constexpr int kIdHeaderLinearizer = 65003;
inline constexpr int kIdHeaderCustom = 65004;
inline constexpr int kIdHeaderOutput1 = 65010;
inline constexpr int kIdHeaderOutput2 = 65011;
inline constexpr int kIdFirstHeader = 65000;

// Output parameter id of output o (0 or 1) with offset k (0 type .. 4 high limit).
constexpr int OutputId(int output, int k) {
    return (output == 0 ? 100 : 105) + k;
}
