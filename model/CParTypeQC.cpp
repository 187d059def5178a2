#include "model/CParTypeQC.h"

#include "model/ModelTables.h"
#include "model/ParameterIds.h"
#include "resources/CStringTable.h"
#include "resources/ParameterNameIds.h"

#include <iterator>

namespace {
using V = ValueEncoding;

#define Q3_QC_INPUT_ROWS                                                                           \
    {0, kIdHeaderInput, kStrInput, kKindHeader}, {0, kIdInputType, kStrInputType, kKindChoice},    \
        {0, kIdZeroInput, kStrZeroInput, kKindText}, {0, kIdFullInput, kStrFullInput, kKindText},  \
        {0, kIdFilterTime, kStrFilterTimeConstant, kKindText}, {                                   \
        0, kIdResponseRate, kStrResponseRate, kKindChoice                                          \
    }

const ParameterRow kTableQC[] = {
    Q3_QC_INPUT_ROWS,
    Q3_OUTPUT_ROWS_WITH_LINEARIZER(0, kIdHeaderOutput1, kStrOutput1),
    Q3_OUTPUT_ROWS_WITH_LINEARIZER(1, kIdHeaderOutput2, kStrOutput2),
    Q3_ADJUST_ROWS_TWO_OUTPUTS,
    Q3_XY_ROWS,
    {10, kIdInputValue, kStrInputValue, kKindReadOnly},
    {10, kIdOutput1Value, kStrOutput1Value, kKindReadOnly},
    {10, kIdOutput2Value, kStrOutput2Value, kKindReadOnly},
    {10, kIdStatus, kStrStatus, kKindReadOnly},
    Q3_DEVICE_INFO_ROWS,
    {0, 0, 0, 0},
};

const ParameterRow kTableQC1[] = {
    Q3_QC_INPUT_ROWS,
    Q3_OUTPUT_ROWS_WITH_LINEARIZER(0, kIdHeaderOutput1, kStrOutput1),
    Q3_ADJUST_ROWS_TWO_OUTPUTS,
    Q3_XY_ROWS,
    {10, kIdInputValue, kStrInputValue, kKindReadOnly},
    {10, kIdOutput1Value, kStrOutput1Value, kKindReadOnly},
    {10, kIdStatus, kStrStatus, kKindReadOnly},
    Q3_DEVICE_INFO_ROWS,
    {0, 0, 0, 0},
};

const SettingDef kSettingsQC[] = {
    {kIdInputType, V::UInt16, 1000, 0},
    {kIdZeroInput, V::Fixed4, 1001, 40000},
    {kIdFullInput, V::Fixed4, 1003, 200000},
    {kIdFilterTime, V::Fixed4, 1020, 0},
    {kIdResponseRate, V::UInt16, 1050, 0},
    Q3_LINEARIZER_SETTINGS,
    Q3_OUTPUT_SETTINGS_CORE,
    Q3_ADJUST_SETTINGS,
    Q3_XY_SETTINGS,
    {-1, V::Fixed4, -1, 0},
};

const MonitorRead kMonitorQC[] = {
    Q3_MONITOR_INPUT_READS,
    Q3_MONITOR_OUTPUT_READS,
    Q3_DEVICE_INFO_READS,
};

const ModelDesc kDescQC = {1021,       "Q3VC",        kTableQC, kSettingsQC, kWritesWithoutBurnout,
                           kMonitorQC, TableKind::XY, 2,        false};
const ModelDesc kDescQC1 = {
    1022,       "Q3VC1",       kTableQC1, kSettingsQC, kWritesWithoutBurnout,
    kMonitorQC, TableKind::XY, 1,         false};

struct DcInputType {
    InputTypeRange range; // in the type's unit
    int unitId;
    double zeroAdjust; // input fine zero allowed from -zeroAdjust to +zeroAdjust
};

constexpr DcInputType D(double smin, double smax, double dmin, double dmax, int unitId,
                        double zeroAdjust) {
    return {{Fixed4(dmin), Fixed4(dmax), Fixed4(smin), Fixed4(smax), 1}, unitId, zeroAdjust};
}

const DcInputType kTypesQC[] = {
    D(-7.5, 57.5, 0, 50, kStrUnitMilliampere, 7.5),      // DC 0 - 50mA
    D(-1150, 1150, -1000, 1000, kStrUnitMillivolt, 150), // DC -1000 - +1000mV
    D(-11.5, 11.5, -10, 10, kStrUnitVolt, 1.5),          // DC -10V - +10V
};
} // namespace

CParTypeQC::CParTypeQC() : CParTypeCommon(kDescQC) {
    InitDefaults();
}

std::string CParTypeQC::GetSensorUnitText() const {
    int type = Get(kIdInputType);
    // Another type value takes the unit of type 0.
    return LoadStr(kTypesQC[type >= 0 && type < InputTypeCount() ? type : 0].unitId);
}

void CParTypeQC::GetInputZeroAdjustRange(double& low, double& high) const {
    int type = Get(kIdInputType);
    double limit = type >= 0 && type < InputTypeCount() ? kTypesQC[type].zeroAdjust : 15.0;
    low = -limit;
    high = limit;
}

int CParTypeQC::InputTypeCount() const {
    return static_cast<int>(std::size(kTypesQC));
}

InputTypeRange CParTypeQC::InputRange(int type) const {
    return kTypesQC[type >= 0 && type < InputTypeCount() ? type : 0].range;
}

ChoiceListIds CParTypeQC::InputTypeChoices() const {
    return kChoiceDcInputType;
}

CParTypeQC1::CParTypeQC1() {
    SetDesc(kDescQC1);
}
