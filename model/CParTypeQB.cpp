#include "model/CParTypeQB.h"

#include "model/ModelTables.h"

namespace {
constexpr std::array kInputRowsQB = {
    Header(kGroupSettings, kIdHeaderInput, kStrInput),
    Choice(kGroupSettings, kIdInputType, kStrInputType, 1000, 2, kChoicePotInputType,
           R::InputTypeDefaults, kWritesInputType),
    Setting(kGroupSettings, kIdZeroInput, kStrZeroInput, V::Fixed4, 1001, 0, R::InputUnit,
            R::ZeroInput, Show::Plain),
    Setting(kGroupSettings, kIdFullInput, kStrFullInput, V::Fixed4, 1003, 1000000, R::InputUnit,
            R::FullInput, Show::Plain),
    Setting(kGroupSettings, kIdFilterTime, kStrFilterTimeConstant, V::Fixed4, 1020, 0,
            R::Unit<kStrUnitSecond>, R::FilterTime),
    kResponsePropertyRow[0],
};

template <int O> constexpr auto OutputBlockQB() {
    return Join(LinearizerRow<O>(), OutputRows<O>(true), BurnoutRows<O>());
}

constexpr auto kTableQB = Join(
    kInputRowsQB, std::array{Header(kGroupSettings, kIdHeaderOutput1, kStrOutput1)},
    OutputBlockQB<0>(), std::array{Header(kGroupSettings, kIdHeaderOutput2, kStrOutput2)},
    OutputBlockQB<1>(), kAdjustRowsTwoOutputs, kXYRows, InputAndOutput1Readings(kStrOutput1Value),
    kOutput2Reading, kStatusReading, kDeviceInfoRows);

constexpr auto kTableQB1 =
    Join(kInputRowsQB, std::array{Header(kGroupSettings, kIdHeaderOutput1, kStrOutput1)},
         OutputBlockQB<0>(), Unlisted(OutputBlockQB<1>()), kAdjustRowsTwoOutputs, kXYRows,
         InputAndOutput1Readings(kStrOutput1Value), kStatusReading, kDeviceInfoRows);

constexpr auto kMonitorQB = Join(kMonitorInputReads, kMonitorOutputReads, kDeviceInfoReads);

// Every potentiometer range is 0 to 100 % of the travel, also as the limits of 0 % and 100 %.
constexpr std::array kTypesQB = {InputType{{0, 1000000, 0, 1000000, 1}, kStrUnitPercent, 15.0}};

constexpr ModelDesc kDescQB =
    Describe(1011, "Q3VB", kTableQB, kMonitorQB, TableKind::XY, 2, false, kTypesQB, 15.0);
constexpr ModelDesc kDescQB1 =
    Describe(1012, "Q3VB1", kTableQB1, kMonitorQB, TableKind::XY, 1, false, kTypesQB, 15.0);
} // namespace

CParTypeQB::CParTypeQB() : CParTypeCommon(kDescQB) {}

CParTypeQB1::CParTypeQB1() : CParTypeQB(kDescQB1) {}
