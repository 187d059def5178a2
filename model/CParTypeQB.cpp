#include "model/CParTypeQB.h"

#include "model/ModelTables.h"

namespace {
constexpr auto kInputRowsQB =
    Join(InputRows(2, kChoicePotInputType, 0, 1000000, Show::Plain), kResponsePropertyRow);

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

constexpr auto kMonitorQB = JoinReads(kMonitorInputReads, kMonitorOutputReads, kDeviceInfoReads);

// Every potentiometer range is 0 to 100 % of the travel, also as the limits of 0 % and 100 %.
constexpr std::array kTypesQB = {InputType{{0, 1000000, 0, 1000000, 1}, kStrUnitPercent, 15.0}};

constexpr ModelDesc kDescQB =
    Describe(1011, "Q3VB", kTableQB, kMonitorQB, TableKind::XY, 2, false, kTypesQB, 15.0);
constexpr ModelDesc kDescQB1 =
    Describe(1012, "Q3VB1", kTableQB1, kMonitorQB, TableKind::XY, 1, false, kTypesQB, 15.0);
} // namespace

CParTypeQB::CParTypeQB() : CParTypeCommon(kDescQB) {}

CParTypeQB1::CParTypeQB1() : CParTypeQB(kDescQB1) {}
