#pragma once

// Table pieces shared by the model classes. Rows and settings are static data, so the shared
// pieces are spelled once here and spliced into each model's tables.

#include "model/CParTypeCommon.h"
#include "model/ParameterIds.h"
#include "resources/ParameterNameIds.h"

// Fixed-4 value of a decimal constant, rounded half away from zero.
constexpr int32_t Fixed4(double v) {
    return static_cast<int32_t>(v < 0 ? v * 10000 - 0.5 : v * 10000 + 0.5);
}

// Output o (0 or 1) block of group 0: header, type, range, limits, burnout and its value.
#define Q3_OUTPUT_ROWS_CORE(o)                                                                     \
    {0, OutputId(o, 0), kStrOutputType, kKindChoice},                                              \
        {0, OutputId(o, 1), kStrZeroOutput, kKindText},                                            \
        {0, OutputId(o, 2), kStrFullOutput, kKindText},                                            \
        {0, OutputId(o, 3), kStrOutputLowLimit, kKindText}, {                                      \
        0, OutputId(o, 4), kStrOutputHighLimit, kKindText                                          \
    }
#define Q3_BURNOUT_ROWS(o)                                                                         \
    {0, (o) == 0 ? kIdBurnout1 : kIdBurnout2, kStrBurnout, kKindChoice}, {                         \
        0, (o) == 0 ? kIdBurnoutValue1 : kIdBurnoutValue2, kStrBurnoutOutputValue, kKindText       \
    }
#define Q3_OUTPUT_ROWS_WITH_BURNOUT(o, headerId, headerName)                                       \
    {0, headerId, headerName, kKindHeader}, Q3_OUTPUT_ROWS_CORE(o), Q3_BURNOUT_ROWS(o)

// Group 1 of the two-output models and of the single-output RTD and TC models.
#define Q3_ADJUST_ROWS_TWO_OUTPUTS                                                                 \
    {1, kIdHeaderAdjust, kStrFineAdjustment, kKindHeader},                                         \
        {1, kIdInputFineZero, kStrInputFineZero, kKindText},                                       \
        {1, kIdInputFineSpan, kStrInputFineSpan, kKindText},                                       \
        {1, kIdOutput1FineZero, kStrOutput1FineZero, kKindText},                                   \
        {1, kIdOutput1FineSpan, kStrOutput1FineSpan, kKindText},                                   \
        {1, kIdOutput2FineZero, kStrOutput2FineZero, kKindText}, {                                 \
        1, kIdOutput2FineSpan, kStrOutput2FineSpan, kKindText                                      \
    }
#define Q3_ADJUST_ROWS_ONE_OUTPUT                                                                  \
    {1, kIdHeaderAdjust, kStrFineAdjustment, kKindHeader},                                         \
        {1, kIdInputFineZero, kStrInputFineZero, kKindText},                                       \
        {1, kIdInputFineSpan, kStrInputFineSpan, kKindText},                                       \
        {1, kIdOutput1FineZero, kStrOutputFineZero, kKindText}, {                                  \
        1, kIdOutput1FineSpan, kStrOutputFineSpan, kKindText                                       \
    }

#define Q3_CUSTOM_RTD_ROWS                                                                         \
    {2, kIdHeaderCustom, kStrCustomRtd, kKindHeader},                                              \
        {2, kIdCustomType, kStrCustomRtdType, kKindChoice},                                        \
        {2, 21001, kStrCoefficientR0, kKindText}, {2, 21002, kStrCoefficientA, kKindText},         \
        {2, 21003, kStrCoefficientB, kKindText}, {2, 21004, kStrCoefficientC, kKindText},          \
        {2, kIdCustomStart, kStrCustomRtdStart, kKindText},                                        \
        {2, kIdCustomStep, kStrCustomRtdStep, kKindText}, {                                        \
        2, kIdCustomPoints, kStrCustomRtdPoints, kKindText                                         \
    }

// Output o block of group 0 of the XY models: header, linearizer choice, then the output rows.
#define Q3_OUTPUT_ROWS_WITH_LINEARIZER(o, headerId, headerName)                                    \
    {0, headerId, headerName, kKindHeader},                                                        \
        {0, (o) == 0 ? kIdLinearizer1 : kIdLinearizer2, kStrLinearizer, kKindChoice},              \
        Q3_OUTPUT_ROWS_CORE(o)

// Group 2 of the thermocouple model: the points V[i] follow without rows.
#define Q3_CUSTOM_TC_ROWS                                                                          \
    {2, kIdHeaderCustom, kStrCustomTc, kKindHeader},                                               \
        {2, kIdCustomStart, kStrCustomTcStart, kKindText},                                         \
        {2, kIdCustomStep, kStrCustomTcStep, kKindText}, {                                         \
        2, kIdCustomPoints, kStrCustomTcPoints, kKindText                                          \
    }

// Group 2 of the XY models: the 202 interleaved X and Y values follow without rows.
#define Q3_XY_ROWS                                                                                 \
    {2, kIdHeaderLinearizer, kStrLinearizer, kKindHeader}, {                                       \
        2, kIdXYPoints, kStrNumberOfPoints, kKindText                                              \
    }

#define Q3_DEVICE_INFO_ROWS                                                                        \
    {10, kIdTag, kStrTagNo, kKindText}, {10, kIdCalibDate, kStrCalibratedDate, kKindReadOnly},     \
        {10, kIdModelText, kStrModel, kKindText}, {10, kIdSerial, kStrSerial, kKindText},          \
        {10, kIdHardware, kStrHardware, kKindReadOnly}, {                                          \
        10, kIdFirmware, kStrFirmware, kKindReadOnly                                               \
    }

// Output settings with their registers (2000.. for output 1, 2200.. for output 2).
#define Q3_OUTPUT_SETTINGS_CORE                                                                    \
    {100, ValueEncoding::UInt16, 2000, 0}, {101, ValueEncoding::Fixed4, 2001, 40000},              \
        {102, ValueEncoding::Fixed4, 2003, 200000}, {103, ValueEncoding::Fixed4, 2005, 0},         \
        {104, ValueEncoding::Fixed4, 2007, 0}, {105, ValueEncoding::UInt16, 2200, 0},              \
        {106, ValueEncoding::Fixed4, 2201, 40000}, {107, ValueEncoding::Fixed4, 2203, 200000},     \
        {108, ValueEncoding::Fixed4, 2205, 0}, {                                                   \
        109, ValueEncoding::Fixed4, 2207, 0                                                        \
    }
#define Q3_OUTPUT_SETTINGS_WITH_BURNOUT                                                            \
    Q3_OUTPUT_SETTINGS_CORE, {kIdBurnout1, ValueEncoding::UInt16, 2020, 2},                        \
        {kIdBurnoutValue1, ValueEncoding::Fixed4, 2021, 0},                                        \
        {kIdBurnout2, ValueEncoding::UInt16, 2220, 2}, {                                           \
        kIdBurnoutValue2, ValueEncoding::Fixed4, 2221, 0                                           \
    }
#define Q3_ADJUST_SETTINGS                                                                         \
    {kIdInputFineZero, ValueEncoding::Fixed4, 1010, 0},                                            \
        {kIdInputFineSpan, ValueEncoding::Fixed4, 1012, 1000000},                                  \
        {kIdOutput1FineZero, ValueEncoding::Fixed4, 2010, 0},                                      \
        {kIdOutput1FineSpan, ValueEncoding::Fixed4, 2012, 1000000},                                \
        {kIdOutput2FineZero, ValueEncoding::Fixed4, 2210, 0}, {                                    \
        kIdOutput2FineSpan, ValueEncoding::Fixed4, 2212, 1000000                                   \
    }

// Custom table head of the temperature models (start deg C, step, number of points).
#define Q3_CUSTOM_TABLE_SETTINGS                                                                   \
    {kIdCustomStart, ValueEncoding::Fixed4, 4009, 0},                                              \
        {kIdCustomStep, ValueEncoding::UInt16, 4011, 1}, {                                         \
        kIdCustomPoints, ValueEncoding::UInt16, 4012, 2                                            \
    }

// Per-output linearizer choice (0 Linear, 1 User table) of the XY models.
#define Q3_LINEARIZER_SETTINGS                                                                     \
    {kIdLinearizer1, ValueEncoding::UInt16, 2030, 0}, {                                            \
        kIdLinearizer2, ValueEncoding::UInt16, 2230, 0                                             \
    }

// Number of XY pairs; the values sit on 5001 + 2k without a setting of their own.
#define Q3_XY_SETTINGS                                                                             \
    { kIdXYPoints, ValueEncoding::UInt16, 5000, 2 }

// Status and input readings that open every group 10 upload.
#define Q3_MONITOR_INPUT_READS                                                                     \
    {0, 2, MonitorTarget::Status}, {2, 2, MonitorTarget::InputValue}, {                            \
        4, 2, MonitorTarget::InputPercent                                                          \
    }
// Output values and their auxiliary values (output 2 read by the single-output variants too).
#define Q3_MONITOR_OUTPUT_READS                                                                    \
    {22, 2, MonitorTarget::Output1}, {24, 2, MonitorTarget::Output1Aux},                           \
        {26, 2, MonitorTarget::Output2}, {                                                         \
        28, 2, MonitorTarget::Output2Aux                                                           \
    }

// Device information read at the end of every group 10 upload, then the end mark.
#define Q3_DEVICE_INFO_READS                                                                       \
    {900, 1, MonitorTarget::ProcessMode}, {9601, 1, MonitorTarget::Hardware},                      \
        {9602, 1, MonitorTarget::Firmware}, {9603, 8, MonitorTarget::Serial},                      \
        {9611, 16, MonitorTarget::ModelText}, {9627, 2, MonitorTarget::CalibDate},                 \
        {9629, 16, MonitorTarget::Tag}, {                                                          \
        -1, 0, MonitorTarget::Status                                                               \
    }

// Multi-register writes of the models with burnout: an output's type or range also rewrites
// the limits and the burnout value the program derived from it.
inline constexpr WriteRule kWritesWithBurnout[] = {
    {kIdInputType, {0, 1, 2, -1}},
    {kIdBurnout1, {60, 66, -1}},
    {kIdBurnout2, {67, 68, -1}},
    {100, {100, 101, 102, 103, 104, 66, -1}},
    {101, {101, 103, 104, 66, -1}},
    {102, {102, 103, 104, 66, -1}},
    {105, {105, 106, 107, 108, 109, 68, -1}},
    {106, {106, 108, 109, 68, -1}},
    {107, {107, 108, 109, 68, -1}},
    {-1, {-1}},
};

// The same for the models without burnout.
inline constexpr WriteRule kWritesWithoutBurnout[] = {
    {kIdInputType, {0, 1, 2, -1}},        {100, {100, 101, 102, 103, 104, -1}},
    {101, {101, 103, 104, -1}},           {102, {102, 103, 104, -1}},
    {105, {105, 106, 107, 108, 109, -1}}, {106, {106, 108, 109, -1}},
    {107, {107, 108, 109, -1}},           {-1, {-1}},
};
