#include "model/CParTypeQA.h"

#include "model/ModelTables.h"

namespace {
// The coefficients R0, A, B and C that make the custom table when the type says so.
constexpr ParameterRow Coefficient(int id, int nameId, int reg) {
    return {.group = kGroupTable,
            .id = id,
            .nameId = nameId,
            .kind = kKindText,
            .encoding = V::Float,
            .reg = reg,
            .kindRule = R::CoefficientKind};
}

constexpr auto kCustomRtdRows = Join(
    std::array{
        Header(kGroupTable, kIdHeaderCustom, kStrCustomRtd),
        Choice(kGroupTable, kIdCustomType, kStrCustomRtdType, 4000, 0, kChoiceCustomRtdType),
    },
    std::array{
        Coefficient(21001, kStrCoefficientR0, 4001), Coefficient(21002, kStrCoefficientA, 4003),
        Coefficient(21003, kStrCoefficientB, 4005), Coefficient(21004, kStrCoefficientC, 4007)},
    CustomTableHead(kStrCustomRtdStart, kStrCustomRtdStep, kStrCustomRtdPoints, R::CustomHeadKind));

constexpr std::array kInputRowsQA = {
    Header(kGroupSettings, kIdHeaderInput, kStrInput),
    Choice(kGroupSettings, kIdInputType, kStrInputType, 1000, 0, kChoiceRtdInputType,
           R::InputTypeDefaults, kWritesInputType),
    Setting(kGroupSettings, kIdZeroInput, kStrZeroInput, V::Fixed4, 1001, 0, R::InputUnit,
            R::ZeroInput, Show::Temperature),
    Setting(kGroupSettings, kIdFullInput, kStrFullInput, V::Fixed4, 1003, 1000000, R::InputUnit,
            R::FullInput, Show::Temperature),
    Setting(kGroupSettings, kIdFilterTime, kStrFilterTimeConstant, V::Fixed4, 1020, 0,
            R::Unit<kStrUnitSecond>, R::FilterTime),
    Choice(kGroupSettings, kIdSensorWires, kStrSensorWires, 1030, 2, kChoiceSensorWires),
    kResponsePropertyRow[0],
};

constexpr auto kRtdReading =
    std::array{Reading(kIdRtdResistance, kStrRtdResistance, R::kSensorValue, R::SensorUnit)};

constexpr auto kTableQA =
    Join(kInputRowsQA, std::array{Header(kGroupSettings, kIdHeaderOutput1, kStrOutput1)},
         OutputRows<0>(true), BurnoutRows<0>(),
         std::array{Header(kGroupSettings, kIdHeaderOutput2, kStrOutput2)}, OutputRows<1>(true),
         BurnoutRows<1>(), kAdjustRowsTwoOutputs, kCustomRtdRows,
         InputAndOutput1Readings(kStrOutput1Value), kOutput2Reading, kStatusReading, kRtdReading,
         kDeviceInfoRows);

constexpr auto kTableQA1 = Join(
    kInputRowsQA, std::array{Header(kGroupSettings, kIdHeaderOutput, kStrOutput)},
    OutputRows<0>(true), BurnoutRows<0>(), Unlisted(Join(OutputRows<1>(true), BurnoutRows<1>())),
    kAdjustRowsOneOutput, kAdjustRowsUnlisted, kCustomRtdRows,
    InputAndOutput1Readings(kStrOutputValue), kStatusReading, kRtdReading, kDeviceInfoRows);

constexpr auto kMonitorQA =
    Join(kMonitorInputReads, kMonitorOutputReads,
         std::array{MonitorRead{42, 2, MonitorTarget::SensorValue}}, kDeviceInfoReads);

constexpr InputType C(double dmin, double dmax, double smin, double smax) {
    return {{Fixed4(dmin), Fixed4(dmax), Fixed4(smin), Fixed4(smax), 1}, kStrUnitOhm, 40.0};
}

// Default range, then the limits of 0 % and 100 %: the default widened by 5 % of its span.
constexpr std::array kTypesQA = {
    C(-200, 500, -235, 535),       C(-200, 650, -242.5, 692.5), C(-200, 850, -252.5, 902.5),
    C(-200, 649, -242.45, 691.45), C(-200, 850, -252.5, 902.5), C(-50, 250, -65, 265),
    C(-200, 1000, -260, 1060),
};

constexpr ModelDesc kDescQA =
    Describe(1001, "Q3VA", kTableQA, kMonitorQA, TableKind::CustomRtd, 2, true, kTypesQA, 40.0);
constexpr ModelDesc kDescQA1 =
    Describe(1002, "Q3VA1", kTableQA1, kMonitorQA, TableKind::CustomRtd, 1, true, kTypesQA, 40.0);
} // namespace

CParTypeQA::CParTypeQA() : CParTypeCommon(kDescQA) {}

CParTypeQA1::CParTypeQA1() : CParTypeQA(kDescQA1) {}
