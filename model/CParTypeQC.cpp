#include "model/CParTypeQC.h"

#include "model/ModelTables.h"

namespace {
constexpr std::array kInputRowsQC = {
    Header(kGroupSettings, kIdHeaderInput, kStrInput),
    Choice(kGroupSettings, kIdInputType, kStrInputType, 1000, 0, kChoiceDcInputType,
           R::InputTypeDefaults, kWritesInputType),
    Setting(kGroupSettings, kIdZeroInput, kStrZeroInput, V::Fixed4, 1001, 40000, R::InputUnit,
            R::ZeroInput, Show::Plain),
    Setting(kGroupSettings, kIdFullInput, kStrFullInput, V::Fixed4, 1003, 200000, R::InputUnit,
            R::FullInput, Show::Plain),
    Setting(kGroupSettings, kIdFilterTime, kStrFilterTimeConstant, V::Fixed4, 1020, 0,
            R::Unit<kStrUnitSecond>, R::FilterTime),
    Choice(kGroupSettings, kIdResponseRate, kStrResponseRate, 1050, 0, kChoiceResponseRate),
};

template <int O> constexpr auto OutputBlockQC() {
    return Join(LinearizerRow<O>(), OutputRows<O>(false));
}

constexpr auto kTableQC = Join(
    kInputRowsQC, std::array{Header(kGroupSettings, kIdHeaderOutput1, kStrOutput1)},
    OutputBlockQC<0>(), std::array{Header(kGroupSettings, kIdHeaderOutput2, kStrOutput2)},
    OutputBlockQC<1>(), kAdjustRowsTwoOutputs, kXYRows, InputAndOutput1Readings(kStrOutput1Value),
    kOutput2Reading, kStatusReading, kDeviceInfoRows);

constexpr auto kTableQC1 =
    Join(kInputRowsQC, std::array{Header(kGroupSettings, kIdHeaderOutput1, kStrOutput1)},
         OutputBlockQC<0>(), Unlisted(OutputBlockQC<1>()), kAdjustRowsTwoOutputs, kXYRows,
         InputAndOutput1Readings(kStrOutput1Value), kStatusReading, kDeviceInfoRows);

constexpr auto kMonitorQC = Join(kMonitorInputReads, kMonitorOutputReads, kDeviceInfoReads);

// Limits of 0 % and 100 %, the range set with the type (in the type's unit), the unit and the
// input fine zero allowed either side.
constexpr InputType D(double smin, double smax, double dmin, double dmax, int unitId,
                      double zeroAdjust) {
    return {{Fixed4(dmin), Fixed4(dmax), Fixed4(smin), Fixed4(smax), 1}, unitId, zeroAdjust};
}

constexpr std::array kTypesQC = {
    D(-7.5, 57.5, 0, 50, kStrUnitMilliampere, 7.5),      // DC 0 - 50mA
    D(-1150, 1150, -1000, 1000, kStrUnitMillivolt, 150), // DC -1000 - +1000mV
    D(-11.5, 11.5, -10, 10, kStrUnitVolt, 1.5),          // DC -10V - +10V
};

constexpr ModelDesc kDescQC =
    Describe(1021, "Q3VC", kTableQC, kMonitorQC, TableKind::XY, 2, false, kTypesQC, 15.0);
constexpr ModelDesc kDescQC1 =
    Describe(1022, "Q3VC1", kTableQC1, kMonitorQC, TableKind::XY, 1, false, kTypesQC, 15.0);
} // namespace

CParTypeQC::CParTypeQC() : CParTypeCommon(kDescQC) {}

CParTypeQC1::CParTypeQC1() : CParTypeQC(kDescQC1) {}
