#include "model/CParTypeQA.h"

#include "model/ModelTables.h"
#include "model/ParameterIds.h"
#include "resources/CStringTable.h"
#include "resources/ParameterNameIds.h"

namespace {
using V = ValueEncoding;

const ParameterRow kTableQA[] = {
    {0, kIdHeaderInput, kStrInput, kKindHeader},
    {0, kIdInputType, kStrInputType, kKindChoice},
    {0, kIdZeroInput, kStrZeroInput, kKindText},
    {0, kIdFullInput, kStrFullInput, kKindText},
    {0, kIdFilterTime, kStrFilterTimeConstant, kKindText},
    {0, kIdSensorWires, kStrSensorWires, kKindChoice},
    {0, kIdResponseProperty, kStrResponseProperty, kKindChoice},
    Q3_OUTPUT_ROWS_WITH_BURNOUT(0, kIdHeaderOutput1, kStrOutput1),
    Q3_OUTPUT_ROWS_WITH_BURNOUT(1, kIdHeaderOutput2, kStrOutput2),
    Q3_ADJUST_ROWS_TWO_OUTPUTS,
    Q3_CUSTOM_RTD_ROWS,
    {10, kIdInputValue, kStrInputValue, kKindReadOnly},
    {10, kIdOutput1Value, kStrOutput1Value, kKindReadOnly},
    {10, kIdOutput2Value, kStrOutput2Value, kKindReadOnly},
    {10, kIdStatus, kStrStatus, kKindReadOnly},
    {10, kIdRtdResistance, kStrRtdResistance, kKindReadOnly},
    Q3_DEVICE_INFO_ROWS,
    {0, 0, 0, 0},
};

const ParameterRow kTableQA1[] = {
    {0, kIdHeaderInput, kStrInput, kKindHeader},
    {0, kIdInputType, kStrInputType, kKindChoice},
    {0, kIdZeroInput, kStrZeroInput, kKindText},
    {0, kIdFullInput, kStrFullInput, kKindText},
    {0, kIdFilterTime, kStrFilterTimeConstant, kKindText},
    {0, kIdSensorWires, kStrSensorWires, kKindChoice},
    {0, kIdResponseProperty, kStrResponseProperty, kKindChoice},
    Q3_OUTPUT_ROWS_WITH_BURNOUT(0, kIdHeaderOutput, kStrOutput),
    Q3_ADJUST_ROWS_ONE_OUTPUT,
    Q3_CUSTOM_RTD_ROWS,
    {10, kIdInputValue, kStrInputValue, kKindReadOnly},
    {10, kIdOutput1Value, kStrOutputValue, kKindReadOnly},
    {10, kIdStatus, kStrStatus, kKindReadOnly},
    {10, kIdRtdResistance, kStrRtdResistance, kKindReadOnly},
    Q3_DEVICE_INFO_ROWS,
    {0, 0, 0, 0},
};

const SettingDef kSettingsQA[] = {
    {kIdInputType, V::UInt16, 1000, 0},
    {kIdZeroInput, V::Fixed4, 1001, 0},
    {kIdFullInput, V::Fixed4, 1003, 1000000},
    {kIdFilterTime, V::Fixed4, 1020, 0},
    {kIdSensorWires, V::UInt16, 1030, 2},
    {kIdResponseProperty, V::UInt16, 1040, 0},
    Q3_OUTPUT_SETTINGS_WITH_BURNOUT,
    Q3_ADJUST_SETTINGS,
    {kIdCustomType, V::UInt16, 4000, 0},
    {21001, V::Float, 4001, 0},
    {21002, V::Float, 4003, 0},
    {21003, V::Float, 4005, 0},
    {21004, V::Float, 4007, 0},
    {kIdCustomStart, V::Fixed4, 4009, 0},
    {kIdCustomStep, V::UInt16, 4011, 1},
    {kIdCustomPoints, V::UInt16, 4012, 2},
    {-1, V::Fixed4, -1, 0},
};

const MonitorRead kMonitorQA[] = {
    {0, 2, MonitorTarget::Status},
    {2, 2, MonitorTarget::InputValue},
    {4, 2, MonitorTarget::InputPercent},
    {22, 2, MonitorTarget::Output1},
    {24, 2, MonitorTarget::Output1Aux},
    {26, 2, MonitorTarget::Output2},
    {28, 2, MonitorTarget::Output2Aux},
    {42, 2, MonitorTarget::SensorValue},
    Q3_DEVICE_INFO_READS,
};

const ModelDesc kDescQA = {
    1001, "Q3VA", kTableQA, kSettingsQA, kWritesWithBurnout, kMonitorQA, TableKind::CustomRtd,
    2,    true};
const ModelDesc kDescQA1 = {
    1002, "Q3VA1", kTableQA1, kSettingsQA, kWritesWithBurnout, kMonitorQA, TableKind::CustomRtd,
    1,    true};

constexpr InputTypeRange C(double dmin, double dmax, double smin, double smax) {
    return {Fixed4(dmin), Fixed4(dmax), Fixed4(smin), Fixed4(smax), 1};
}

// Default range, then the limits of 0 % and 100 %: the default widened by 5 % of its span.
const InputTypeRange kRangesQA[] = {
    C(-200, 500, -235, 535),       C(-200, 650, -242.5, 692.5), C(-200, 850, -252.5, 902.5),
    C(-200, 649, -242.45, 691.45), C(-200, 850, -252.5, 902.5), C(-50, 250, -65, 265),
    C(-200, 1000, -260, 1060),
};
} // namespace

CParTypeQA::CParTypeQA() : CParTypeCommon(kDescQA) {
    InitDefaults();
}

int CParTypeQA::InputTypeCount() const {
    return 7;
}

InputTypeRange CParTypeQA::InputRange(int type) const {
    return kRangesQA[type >= 0 && type < InputTypeCount() ? type : 0];
}

ChoiceListIds CParTypeQA::InputTypeChoices() const {
    return kChoiceRtdInputType;
}

CParTypeQA1::CParTypeQA1() {
    SetDesc(kDescQA1);
}

std::string CParTypeQA::GetSensorUnitText() const {
    return LoadStr(kStrUnitOhm);
}
