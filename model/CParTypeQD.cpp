#include "model/CParTypeQD.h"

#include "model/ModelTables.h"
#include "model/ParameterIds.h"
#include "resources/CStringTable.h"
#include "resources/ParameterNameIds.h"

#include <iterator>

namespace {
using V = ValueEncoding;

#define Q3_QD_INPUT_ROWS                                                                           \
    {0, kIdHeaderInput, kStrInput, kKindHeader}, {0, kIdInputType, kStrInputType, kKindChoice},    \
        {0, kIdZeroInput, kStrZeroInput, kKindText}, {0, kIdFullInput, kStrFullInput, kKindText},  \
        {0, kIdFilterTime, kStrFilterTimeConstant, kKindText}, {                                   \
        0, kIdColdJunction, kStrColdJunctionComp, kKindChoice                                      \
    }

const ParameterRow kTableQD[] = {
    Q3_QD_INPUT_ROWS,
    Q3_OUTPUT_ROWS_WITH_BURNOUT(0, kIdHeaderOutput1, kStrOutput1),
    Q3_OUTPUT_ROWS_WITH_BURNOUT(1, kIdHeaderOutput2, kStrOutput2),
    Q3_ADJUST_ROWS_TWO_OUTPUTS,
    Q3_CUSTOM_TC_ROWS,
    {10, kIdInputValue, kStrInputValue, kKindReadOnly},
    {10, kIdOutput1Value, kStrOutput1Value, kKindReadOnly},
    {10, kIdOutput2Value, kStrOutput2Value, kKindReadOnly},
    {10, kIdStatus, kStrStatus, kKindReadOnly},
    {10, kIdTcVoltage, kStrTcVoltage, kKindReadOnly},
    {10, kIdCjmTemperature, kStrCjmTemperature, kKindReadOnly},
    Q3_DEVICE_INFO_ROWS,
    {0, 0, 0, 0},
};

const ParameterRow kTableQD1[] = {
    Q3_QD_INPUT_ROWS,
    Q3_OUTPUT_ROWS_WITH_BURNOUT(0, kIdHeaderOutput, kStrOutput),
    Q3_ADJUST_ROWS_ONE_OUTPUT,
    Q3_CUSTOM_TC_ROWS,
    {10, kIdInputValue, kStrInputValue, kKindReadOnly},
    {10, kIdOutput1Value, kStrOutputValue, kKindReadOnly},
    {10, kIdStatus, kStrStatus, kKindReadOnly},
    {10, kIdTcVoltage, kStrTcVoltage, kKindReadOnly},
    {10, kIdCjmTemperature, kStrCjmTemperature, kKindReadOnly},
    Q3_DEVICE_INFO_ROWS,
    {0, 0, 0, 0},
};

const SettingDef kSettingsQD[] = {
    {kIdInputType, V::UInt16, 1000, 0},
    {kIdZeroInput, V::Fixed4, 1001, 0},
    {kIdFullInput, V::Fixed4, 1003, 16000000},
    {kIdFilterTime, V::Fixed4, 1020, 0},
    // The thermocouple model keeps its compensation choice where the RTD model has the
    // response property.
    {kIdColdJunction, V::UInt16, 1040, 1},
    Q3_OUTPUT_SETTINGS_WITH_BURNOUT,
    Q3_ADJUST_SETTINGS,
    Q3_CUSTOM_TABLE_SETTINGS,
    {-1, V::Fixed4, -1, 0},
};

const MonitorRead kMonitorQD[] = {
    Q3_MONITOR_INPUT_READS,  {6, 2, MonitorTarget::ColdJunction},
    Q3_MONITOR_OUTPUT_READS, {42, 2, MonitorTarget::SensorValue},
    Q3_DEVICE_INFO_READS,
};

const ModelDesc kDescQD = {
    1031, "Q3VD", kTableQD, kSettingsQD, kWritesWithBurnout, kMonitorQD, TableKind::CustomTc,
    2,    true};
const ModelDesc kDescQD1 = {
    1032, "Q3VD1", kTableQD1, kSettingsQD, kWritesWithBurnout, kMonitorQD, TableKind::CustomTc,
    1,    true};

// Limits of 0 % and 100 % input, then the range set when the type is chosen (deg C).
constexpr InputTypeRange T(double smin, double smax, double dmin, double dmax) {
    return {Fixed4(dmin), Fixed4(dmax), Fixed4(smin), Fixed4(smax), 1};
}

const InputTypeRange kRangesQD[] = {
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
} // namespace

CParTypeQD::CParTypeQD() : CParTypeCommon(kDescQD) {
    InitDefaults();
}

std::string CParTypeQD::GetSensorUnitText() const {
    return LoadStr(kStrUnitMillivolt);
}

int CParTypeQD::InputTypeCount() const {
    return static_cast<int>(std::size(kRangesQD));
}

InputTypeRange CParTypeQD::InputRange(int type) const {
    return kRangesQD[type >= 0 && type < InputTypeCount() ? type : 0];
}

ChoiceListIds CParTypeQD::InputTypeChoices() const {
    return kChoiceTcInputType;
}

CParTypeQD1::CParTypeQD1() {
    SetDesc(kDescQD1);
}
