#include "model/CParTypeQB.h"

#include "model/ModelTables.h"
#include "model/ParameterIds.h"
#include "resources/CStringTable.h"
#include "resources/ParameterNameIds.h"

namespace {
using V = ValueEncoding;

#define Q3_QB_INPUT_ROWS                                                                           \
    {0, kIdHeaderInput, kStrInput, kKindHeader}, {0, kIdInputType, kStrInputType, kKindChoice},    \
        {0, kIdZeroInput, kStrZeroInput, kKindText}, {0, kIdFullInput, kStrFullInput, kKindText},  \
        {0, kIdFilterTime, kStrFilterTimeConstant, kKindText}, {                                   \
        0, kIdResponseProperty, kStrResponseProperty, kKindChoice                                  \
    }

const ParameterRow kTableQB[] = {
    Q3_QB_INPUT_ROWS,
    Q3_OUTPUT_ROWS_WITH_LINEARIZER(0, kIdHeaderOutput1, kStrOutput1),
    Q3_BURNOUT_ROWS(0),
    Q3_OUTPUT_ROWS_WITH_LINEARIZER(1, kIdHeaderOutput2, kStrOutput2),
    Q3_BURNOUT_ROWS(1),
    Q3_ADJUST_ROWS_TWO_OUTPUTS,
    Q3_XY_ROWS,
    {10, kIdInputValue, kStrInputValue, kKindReadOnly},
    {10, kIdOutput1Value, kStrOutput1Value, kKindReadOnly},
    {10, kIdOutput2Value, kStrOutput2Value, kKindReadOnly},
    {10, kIdStatus, kStrStatus, kKindReadOnly},
    Q3_DEVICE_INFO_ROWS,
    {0, 0, 0, 0},
};

const ParameterRow kTableQB1[] = {
    Q3_QB_INPUT_ROWS,
    Q3_OUTPUT_ROWS_WITH_LINEARIZER(0, kIdHeaderOutput1, kStrOutput1),
    Q3_BURNOUT_ROWS(0),
    Q3_ADJUST_ROWS_TWO_OUTPUTS,
    Q3_XY_ROWS,
    {10, kIdInputValue, kStrInputValue, kKindReadOnly},
    {10, kIdOutput1Value, kStrOutput1Value, kKindReadOnly},
    {10, kIdStatus, kStrStatus, kKindReadOnly},
    Q3_DEVICE_INFO_ROWS,
    {0, 0, 0, 0},
};

const SettingDef kSettingsQB[] = {
    {kIdInputType, V::UInt16, 1000, 2},
    {kIdZeroInput, V::Fixed4, 1001, 0},
    {kIdFullInput, V::Fixed4, 1003, 1000000},
    {kIdFilterTime, V::Fixed4, 1020, 0},
    {kIdResponseProperty, V::UInt16, 1040, 0},
    Q3_LINEARIZER_SETTINGS,
    Q3_OUTPUT_SETTINGS_WITH_BURNOUT,
    Q3_ADJUST_SETTINGS,
    Q3_XY_SETTINGS,
    {-1, V::Fixed4, -1, 0},
};

const MonitorRead kMonitorQB[] = {
    Q3_MONITOR_INPUT_READS,
    Q3_MONITOR_OUTPUT_READS,
    Q3_DEVICE_INFO_READS,
};

const ModelDesc kDescQB = {1011,       "Q3VB",        kTableQB, kSettingsQB, kWritesWithBurnout,
                           kMonitorQB, TableKind::XY, 2,        false};
const ModelDesc kDescQB1 = {1012,       "Q3VB1",       kTableQB1, kSettingsQB, kWritesWithBurnout,
                            kMonitorQB, TableKind::XY, 1,         false};

// Every potentiometer range is 0 to 100 % of the travel, also as the limits of 0 % and 100 %.
constexpr InputTypeRange kRangeQB = {0, 1000000, 0, 1000000, 1};
} // namespace

CParTypeQB::CParTypeQB() : CParTypeCommon(kDescQB) {
    InitDefaults();
}

std::string CParTypeQB::GetSensorUnitText() const {
    return LoadStr(kStrUnitPercent);
}

int CParTypeQB::InputTypeCount() const {
    return kChoicePotInputType.count;
}

InputTypeRange CParTypeQB::InputRange(int) const {
    return kRangeQB;
}

ChoiceListIds CParTypeQB::InputTypeChoices() const {
    return kChoicePotInputType;
}

CParTypeQB1::CParTypeQB1() {
    SetDesc(kDescQB1);
}
