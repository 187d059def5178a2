#include "model/CParTypeQD.h"

#include "model/ModelTables.h"

namespace {
// The thermocouple model keeps its compensation choice where the RTD model has the response
// property.
constexpr std::array kInputRowsQD = {
    Header(kGroupSettings, kIdHeaderInput, kStrInput),
    Choice(kGroupSettings, kIdInputType, kStrInputType, 1000, 0, kChoiceTcInputType,
           R::InputTypeDefaults, kWritesInputType),
    Setting(kGroupSettings, kIdZeroInput, kStrZeroInput, V::Fixed4, 1001, 0, R::InputUnit,
            R::ZeroInput, Show::Temperature),
    Setting(kGroupSettings, kIdFullInput, kStrFullInput, V::Fixed4, 1003, 16000000, R::InputUnit,
            R::FullInput, Show::Temperature),
    Setting(kGroupSettings, kIdFilterTime, kStrFilterTimeConstant, V::Fixed4, 1020, 0,
            R::Unit<kStrUnitSecond>, R::FilterTime),
    Choice(kGroupSettings, kIdColdJunction, kStrColdJunctionComp, 1040, 1, kChoiceColdJunction),
};

template <int O> constexpr auto OutputBlockQD() {
    return Join(OutputRows<O>(true), BurnoutRows<O>());
}

// Group 2: the points V[i] follow without rows.
constexpr auto kCustomTcRows =
    Join(std::array{Header(kGroupTable, kIdHeaderCustom, kStrCustomTc)},
         CustomTableHead(kStrCustomTcStart, kStrCustomTcStep, kStrCustomTcPoints, nullptr));

constexpr auto kTcReadings =
    std::array{Reading(kIdTcVoltage, kStrTcVoltage, R::kSensorValue, R::SensorUnit),
               Reading(kIdCjmTemperature, kStrCjmTemperature, R::kColdJunction, R::Temperature)};

constexpr auto kTableQD =
    Join(kInputRowsQD, std::array{Header(kGroupSettings, kIdHeaderOutput1, kStrOutput1)},
         OutputBlockQD<0>(), std::array{Header(kGroupSettings, kIdHeaderOutput2, kStrOutput2)},
         OutputBlockQD<1>(), kAdjustRowsTwoOutputs, kCustomTcRows,
         InputAndOutput1Readings(kStrOutput1Value), kOutput2Reading, kStatusReading, kTcReadings,
         kDeviceInfoRows);

constexpr auto kTableQD1 =
    Join(kInputRowsQD, std::array{Header(kGroupSettings, kIdHeaderOutput, kStrOutput)},
         OutputBlockQD<0>(), Unlisted(OutputBlockQD<1>()), kAdjustRowsOneOutput,
         kAdjustRowsUnlisted, kCustomTcRows, InputAndOutput1Readings(kStrOutputValue),
         kStatusReading, kTcReadings, kDeviceInfoRows);

constexpr auto kMonitorQD =
    Join(kMonitorInputReads, std::array{MonitorRead{6, 2, MonitorTarget::ColdJunction}},
         kMonitorOutputReads, std::array{MonitorRead{42, 2, MonitorTarget::SensorValue}},
         kDeviceInfoReads);

// Limits of 0 % and 100 % input, then the range set when the type is chosen (deg C).
constexpr InputType T(double smin, double smax, double dmin, double dmax) {
    return {{Fixed4(dmin), Fixed4(dmax), Fixed4(smin), Fixed4(smax), 1}, kStrUnitMillivolt, 5.0};
}

constexpr std::array kTypesQD = {
    T(0, 1760, 0, 1600),       // PR
    T(-270, 1370, 0, 1000),    // K
    T(-270, 1000, 0, 500),     // E
    T(-210, 1200, 0, 500),     // J
    T(-270, 400, 0, 300),      // T
    T(100, 1820, 500, 1600),   // B
    T(-50, 1760, 500, 1600),   // R
    T(-50, 1760, 0, 1600),     // S
    T(0, 2315, 0, 2000),       // C (WRe5-26)
    T(-270, 1300, 0, 1000),    // N
    T(-200, 600, 0, 300),      // U
    T(-200, 900, 0, 500),      // L
    T(0, 1395, 0, 1200),       // Platinel II
    T(-280, 9999, -280, 9999), // custom table
};

constexpr ModelDesc kDescQD =
    Describe(1031, "Q3VD", kTableQD, kMonitorQD, TableKind::CustomTc, 2, true, kTypesQD, 5.0);
constexpr ModelDesc kDescQD1 =
    Describe(1032, "Q3VD1", kTableQD1, kMonitorQD, TableKind::CustomTc, 1, true, kTypesQD, 5.0);
} // namespace

CParTypeQD::CParTypeQD() : CParTypeCommon(kDescQD) {}

CParTypeQD1::CParTypeQD1() : CParTypeQD(kDescQD1) {}
