#pragma once

// The pieces the model tables share, and the helpers that spell a row. Every model's table is
// in its own file (CParTypeQA.cpp ...), joined from its own rows and these pieces.

#include "model/CParTypeCommon.h"
#include "model/ParameterIds.h"
#include "model/ParameterRules.h"
#include "resources/ParameterNameIds.h"

#include <algorithm>
#include <array>
#include <cstddef>

using R = ParameterRules;
using V = ValueEncoding;

// Fixed-4 value of a decimal constant, rounded half away from zero.
constexpr int32_t Fixed4(double v) {
    return static_cast<int32_t>(v < 0 ? v * 10000 - 0.5 : v * 10000 + 0.5);
}

// The rows (or reads) of several pieces, in order.
template <typename T, std::size_t... N> constexpr auto Join(const std::array<T, N>&... parts) {
    std::array<T, (N + ...)> all{};
    std::size_t at = 0;
    ((std::copy(parts.begin(), parts.end(), all.begin() + static_cast<std::ptrdiff_t>(at)),
      at += N),
     ...);
    return all;
}

template <std::size_t N> constexpr auto Unlisted(std::array<ParameterRow, N> rows) {
    for (ParameterRow& row : rows)
        row.listed = false;
    return rows;
}

constexpr ParameterRow Header(int group, int id, int nameId) {
    return {.group = group, .id = id, .nameId = nameId, .kind = kKindHeader};
}

// A row of group 10 (or a device text) whose value the rules give.
constexpr ParameterRow Reading(int id, int nameId, const ValueRules& value, UnitRule unit = nullptr,
                               int kind = kKindReadOnly) {
    return {.group = kGroupMonitor,
            .id = id,
            .nameId = nameId,
            .kind = kind,
            .unit = unit,
            .value = &value};
}

// A stored choice: an index into its list, one register.
constexpr ParameterRow Choice(int group, int id, int nameId, int reg, int32_t defaultValue,
                              ChoiceListIds choices, UpdateRule update = nullptr,
                              const int* writes = nullptr) {
    return {.group = group,
            .id = id,
            .nameId = nameId,
            .kind = kKindChoice,
            .encoding = V::UInt16,
            .reg = reg,
            .defaultValue = defaultValue,
            .writes = writes,
            .choices = choices,
            .update = update};
}

// A stored number or text value.
constexpr ParameterRow Setting(int group, int id, int nameId, ValueEncoding encoding, int reg,
                               int32_t defaultValue, UnitRule unit, CheckRule range,
                               Show show = Show::Plain, UpdateRule update = nullptr) {
    return {.group = group,
            .id = id,
            .nameId = nameId,
            .kind = kKindText,
            .encoding = encoding,
            .reg = reg,
            .defaultValue = defaultValue,
            .unit = unit,
            .range = range,
            .show = show,
            .update = update};
}

// Registers an id's change writes besides its own (derived limits and burnout values).
inline constexpr int kWritesInputType[] = {kIdInputType, kIdZeroInput, kIdFullInput, -1};
inline constexpr int kWritesBurnout1[] = {kIdBurnout1, kIdBurnoutValue1, -1};
inline constexpr int kWritesBurnout2[] = {kIdBurnout2, kIdBurnoutValue2, -1};
inline constexpr int kWritesOutput1Type[] = {100, 101, 102, 103, 104, -1};
inline constexpr int kWritesOutput1Zero[] = {101, 103, 104, -1};
inline constexpr int kWritesOutput1Full[] = {102, 103, 104, -1};
inline constexpr int kWritesOutput2Type[] = {105, 106, 107, 108, 109, -1};
inline constexpr int kWritesOutput2Zero[] = {106, 108, 109, -1};
inline constexpr int kWritesOutput2Full[] = {107, 108, 109, -1};
inline constexpr int kWritesOutput1TypeBurnout[] = {100, 101, 102, 103, 104, 66, -1};
inline constexpr int kWritesOutput1ZeroBurnout[] = {101, 103, 104, 66, -1};
inline constexpr int kWritesOutput1FullBurnout[] = {102, 103, 104, 66, -1};
inline constexpr int kWritesOutput2TypeBurnout[] = {105, 106, 107, 108, 109, 68, -1};
inline constexpr int kWritesOutput2ZeroBurnout[] = {106, 108, 109, 68, -1};
inline constexpr int kWritesOutput2FullBurnout[] = {107, 108, 109, 68, -1};

// Output o's type, range and limits (2000.. for output 1, 2200.. for output 2); the burnout
// models write the burnout value with them.
template <int O> constexpr std::array<ParameterRow, 5> OutputRows(bool burnout) {
    constexpr int base = O == 0 ? 2000 : 2200;
    const int* writesType = O == 0 ? (burnout ? kWritesOutput1TypeBurnout : kWritesOutput1Type)
                                   : (burnout ? kWritesOutput2TypeBurnout : kWritesOutput2Type);
    const int* writesZero = O == 0 ? (burnout ? kWritesOutput1ZeroBurnout : kWritesOutput1Zero)
                                   : (burnout ? kWritesOutput2ZeroBurnout : kWritesOutput2Zero);
    const int* writesFull = O == 0 ? (burnout ? kWritesOutput1FullBurnout : kWritesOutput1Full)
                                   : (burnout ? kWritesOutput2FullBurnout : kWritesOutput2Full);
    auto limit = [](int k, int nameId, int reg, int32_t defaultValue, CheckRule range,
                    const int* writes, UpdateRule update) {
        return ParameterRow{.group = kGroupSettings,
                            .id = OutputId(O, k),
                            .nameId = nameId,
                            .kind = kKindText,
                            .encoding = V::Fixed4,
                            .reg = reg,
                            .defaultValue = defaultValue,
                            .unit = R::OutputUnit<O>,
                            .range = range,
                            .writes = writes,
                            .update = update};
    };
    return {
        Choice(kGroupSettings, OutputId(O, 0), kStrOutputType, base, 0, kChoiceOutputType,
               R::OutputTypeDefaults<O>, writesType),
        limit(1, kStrZeroOutput, base + 1, 40000, R::OutputAbsolute<O>, writesZero,
              R::OutputLimits<O>),
        limit(2, kStrFullOutput, base + 3, 200000, R::OutputAbsolute<O>, writesFull,
              R::OutputLimits<O>),
        limit(3, kStrOutputLowLimit, base + 5, 0, R::OutputLowLimit<O>, nullptr, nullptr),
        limit(4, kStrOutputHighLimit, base + 7, 0, R::OutputHighLimit<O>, nullptr, nullptr),
    };
}

// Output o's burnout choice and the output value it drives.
template <int O> constexpr std::array<ParameterRow, 2> BurnoutRows() {
    constexpr int base = O == 0 ? 2000 : 2200;
    return {
        Choice(kGroupSettings, O == 0 ? kIdBurnout1 : kIdBurnout2, kStrBurnout, base + 20, 2,
               kChoiceBurnout, R::BurnoutValue<O>, O == 0 ? kWritesBurnout1 : kWritesBurnout2),
        ParameterRow{.group = kGroupSettings,
                     .id = O == 0 ? kIdBurnoutValue1 : kIdBurnoutValue2,
                     .nameId = kStrBurnoutOutputValue,
                     .kind = kKindText,
                     .encoding = V::Fixed4,
                     .reg = base + 21,
                     .unit = R::OutputUnit<O>,
                     .range = R::OutputAbsolute<O>,
                     .kindRule = R::BurnoutValueKind<O>},
    };
}

// The linearizer choice of output o (0 Linear, 1 User table) of the XY models.
template <int O> constexpr std::array<ParameterRow, 1> LinearizerRow() {
    return {Choice(kGroupSettings, O == 0 ? kIdLinearizer1 : kIdLinearizer2, kStrLinearizer,
                   O == 0 ? 2030 : 2230, 0, kChoiceLinearizer)};
}

constexpr ParameterRow FineAdjust(int id, int nameId, int reg, int32_t defaultValue, UnitRule unit,
                                  CheckRule range, Show show) {
    return Setting(kGroupAdjust, id, nameId, V::Fixed4, reg, defaultValue, unit, range, show);
}

// The fine adjustments (group 1): input zero and span, then each output's zero and span.
constexpr std::array<ParameterRow, 3> kInputFineRows = {
    Header(kGroupAdjust, kIdHeaderAdjust, kStrFineAdjustment),
    FineAdjust(kIdInputFineZero, kStrInputFineZero, 1010, 0, R::SensorUnit, R::InputFineZero,
               Show::Signed),
    FineAdjust(kIdInputFineSpan, kStrInputFineSpan, 1012, 1000000, R::Unit<kStrUnitPercent>,
               R::Limits<850000, 1150000>, Show::Plain),
};

template <int O> constexpr std::array<ParameterRow, 2> OutputFineRows(int zeroName, int spanName) {
    return {
        FineAdjust(O == 0 ? kIdOutput1FineZero : kIdOutput2FineZero, zeroName, O == 0 ? 2010 : 2210,
                   0, R::Unit<kStrUnitPercent>, R::Limits<-150000, 150000>, Show::Signed),
        FineAdjust(O == 0 ? kIdOutput1FineSpan : kIdOutput2FineSpan, spanName, O == 0 ? 2012 : 2212,
                   1000000, R::Unit<kStrUnitPercent>, R::Limits<850000, 1150000>, Show::Plain),
    };
}

inline constexpr auto kAdjustRowsTwoOutputs =
    Join(kInputFineRows, OutputFineRows<0>(kStrOutput1FineZero, kStrOutput1FineSpan),
         OutputFineRows<1>(kStrOutput2FineZero, kStrOutput2FineSpan));
// The single-output RTD and TC variants: one output named "Output"; the second output's
// adjustments are still held and transferred.
inline constexpr auto kAdjustRowsOneOutput =
    Join(kInputFineRows, OutputFineRows<0>(kStrOutputFineZero, kStrOutputFineSpan));
inline constexpr auto kAdjustRowsUnlisted =
    Unlisted(OutputFineRows<1>(kStrOutput2FineZero, kStrOutput2FineSpan));

// The head of the custom table of the temperature models: start (deg C), step, points.
constexpr std::array<ParameterRow, 3> CustomTableHead(int startName, int stepName, int pointsName,
                                                      KindRule kindRule) {
    auto row = [kindRule](int id, int nameId, ValueEncoding encoding, int reg, int32_t defaultValue,
                          UnitRule unit, CheckRule range, Show show) {
        return ParameterRow{.group = kGroupTable,
                            .id = id,
                            .nameId = nameId,
                            .kind = kKindText,
                            .encoding = encoding,
                            .reg = reg,
                            .defaultValue = defaultValue,
                            .unit = unit,
                            .range = range,
                            .show = show,
                            .kindRule = kindRule};
    };
    return {
        row(kIdCustomStart, startName, V::Fixed4, 4009, 0, R::Temperature,
            R::Limits<-3000000, 10000000>, Show::Temperature),
        row(kIdCustomStep, stepName, V::UInt16, 4011, 1, R::Temperature, R::Limits<1, 50>,
            Show::TemperatureStep),
        row(kIdCustomPoints, pointsName, V::UInt16, 4012, 2, nullptr, R::Limits<2, 300>,
            Show::Plain),
    };
}

// Group 2 of the XY models: the 202 interleaved X and Y values follow without rows.
inline constexpr std::array<ParameterRow, 2> kXYRows = {
    Header(kGroupTable, kIdHeaderLinearizer, kStrLinearizer),
    Setting(kGroupTable, kIdXYPoints, kStrNumberOfPoints, V::UInt16, 5000, 2, nullptr,
            R::Limits<2, 101>),
};

// Group 10: the readings every model has, and the device information that ends it.
constexpr std::array<ParameterRow, 2> InputAndOutput1Readings(int outputName) {
    return {Reading(kIdInputValue, kStrInputValue, R::kInputValue),
            Reading(kIdOutput1Value, outputName, R::kOutput1Value)};
}
inline constexpr std::array<ParameterRow, 1> kOutput2Reading = {
    Reading(kIdOutput2Value, kStrOutput2Value, R::kOutput2Value)};
inline constexpr std::array<ParameterRow, 1> kStatusReading = {
    Reading(kIdStatus, kStrStatus, R::kStatus)};
inline constexpr std::array<ParameterRow, 6> kDeviceInfoRows = {
    Reading(kIdTag, kStrTagNo, R::kTag, nullptr, kKindText),
    Reading(kIdCalibDate, kStrCalibratedDate, R::kCalibDate),
    ParameterRow{.group = kGroupMonitor,
                 .id = kIdModelText,
                 .nameId = kStrModel,
                 .kind = kKindText,
                 .kindRule = R::Privileged,
                 .value = &R::kModelText},
    ParameterRow{.group = kGroupMonitor,
                 .id = kIdSerial,
                 .nameId = kStrSerial,
                 .kind = kKindText,
                 .kindRule = R::Privileged,
                 .value = &R::kSerial},
    Reading(kIdHardware, kStrHardware, R::kHardware),
    Reading(kIdFirmware, kStrFirmware, R::kFirmware),
};

// The response property exists from firmware 1.10 on; older devices read it as standard.
inline constexpr std::array<ParameterRow, 1> kResponsePropertyRow = {
    ParameterRow{.group = kGroupSettings,
                 .id = kIdResponseProperty,
                 .nameId = kStrResponseProperty,
                 .kind = kKindChoice,
                 .encoding = V::UInt16,
                 .reg = 1040,
                 .choices = kChoiceResponseProperty,
                 .kindRule = R::ResponsePropertyKind,
                 .value = &R::kResponseProperty},
};

// Status and input readings that open every group 10 upload.
inline constexpr std::array<MonitorRead, 3> kMonitorInputReads = {{
    {0, 2, MonitorTarget::Status},
    {2, 2, MonitorTarget::InputValue},
    {4, 2, MonitorTarget::InputPercent},
}};
// Output values and their auxiliary values (output 2 read by the single-output variants too).
inline constexpr std::array<MonitorRead, 4> kMonitorOutputReads = {{
    {22, 2, MonitorTarget::Output1},
    {24, 2, MonitorTarget::Output1Aux},
    {26, 2, MonitorTarget::Output2},
    {28, 2, MonitorTarget::Output2Aux},
}};
// Device information read at the end of every group 10 upload.
inline constexpr std::array<MonitorRead, 7> kDeviceInfoReads = {{
    {900, 1, MonitorTarget::ProcessMode},
    {9601, 1, MonitorTarget::Hardware},
    {9602, 1, MonitorTarget::Firmware},
    {9603, 8, MonitorTarget::Serial},
    {9611, 16, MonitorTarget::ModelText},
    {9627, 2, MonitorTarget::CalibDate},
    {9629, 16, MonitorTarget::Tag},
}};

// The description of a model from its tables.
template <std::size_t Rows, std::size_t Reads, std::size_t Types>
constexpr ModelDesc
Describe(int modelNumber, const char* modelString, const std::array<ParameterRow, Rows>& rows,
         const std::array<MonitorRead, Reads>& monitor, TableKind tableKind, int outputCount,
         bool temperatureInput, const std::array<InputType, Types>& types,
         double zeroAdjustOfOtherType) {
    return {modelNumber,
            modelString,
            rows.data(),
            static_cast<int>(Rows),
            monitor.data(),
            Reads,
            tableKind,
            outputCount,
            temperatureInput,
            types.data(),
            static_cast<int>(Types),
            zeroAdjustOfOtherType};
}
