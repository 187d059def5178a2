#pragma once

// A model's parameter table: one row per parameter, plain constant data that the model
// interpreter (CParTypeCommon) runs. What is not plain data (a range that follows other values,
// a unit that follows the output type, what a change derives) is a small named rule of
// ParameterRules.h that the row points to.

#include "comm/ValueEncoding.h"
#include "resources/ParameterNameIds.h"

#include <cstdint>
#include <string>

// Groups of parameters (the page a row belongs to).
inline constexpr int kGroupSettings = 0;
inline constexpr int kGroupAdjust = 1;
inline constexpr int kGroupTable = 2;
inline constexpr int kGroupMonitor = 10;
inline constexpr int kGroupAll = -1;

// Parameter kinds.
inline constexpr int kKindHeader = 0;
inline constexpr int kKindReadOnly = 1;
inline constexpr int kKindText = 2;
inline constexpr int kKindChoice = 3;

class CCommInterface;
class CParTypeCommon;

// How a stored value is shown beside its raw form.
enum class Show : uint8_t {
    Plain,
    Temperature,     // held in deg C, shown and edited in the display unit
    TemperatureStep, // a temperature difference: the display unit's scale, no offset
    Signed,          // "+" before a value that is not negative, when shown with its unit
};

using UnitRule = std::string (*)(const CParTypeCommon& set);
// Raises the message of a value the parameter does not take.
using CheckRule = void (*)(const CParTypeCommon& set, int id, int32_t value);
// Runs after the value is stored: sets what the program derives from it.
using UpdateRule = void (*)(CParTypeCommon& set, int id);
// The kind of the row in the present state of the set (the row's own kind given).
using KindRule = int (*)(const CParTypeCommon& set, int kind);

// A value that is not a plain stored setting: a reading or a device text, or a setting with a
// register traffic of its own. Every hook may be empty.
struct ValueRules {
    int32_t (*raw)(const CParTypeCommon& set);
    std::string (*text)(const CParTypeCommon& set);
    void (*setText)(CParTypeCommon& set, const std::string& text, bool check);
    void (*read)(CParTypeCommon& set, CCommInterface& comm);
    void (*write)(CParTypeCommon& set, CCommInterface& comm);
    uint16_t writeMode; // the process mode a write runs in
};

struct ParameterRow {
    int group;
    int id;
    int nameId;
    int kind;
    ValueEncoding encoding = ValueEncoding::Fixed4;
    int reg = -1; // register of a stored setting; -1: not a stored setting
    int32_t defaultValue = 0;
    UnitRule unit = nullptr;
    CheckRule range = nullptr;
    const int* writes = nullptr; // ids written with it, in order, ended by -1; none: itself
    ChoiceListIds choices{0, 0};
    Show show = Show::Plain;
    UpdateRule update = nullptr;
    KindRule kindRule = nullptr;
    const ValueRules* value = nullptr;
    // False: held and transferred with the model's other settings, but not in its lists (the
    // single-output variants keep the second output's settings).
    bool listed = true;

    constexpr bool Stored() const { return reg >= 0; }
};

// What a model's input type fixes: the range set when the type is chosen (and the range
// GetSensorRange reports), the limits of 0 % and 100 % input and the smallest span (fixed-4).
struct InputTypeRange {
    int32_t defaultMin;
    int32_t defaultMax;
    int32_t settingMin;
    int32_t settingMax;
    int32_t minimumSpan;
};

struct InputType {
    InputTypeRange range;
    int unitId;        // the sensor unit
    double zeroAdjust; // input fine zero allowed from -zeroAdjust to +zeroAdjust
};

// What one register read of a group 10 upload fills.
enum class MonitorTarget {
    Status,
    InputValue, // converted to the display unit in the temperature models
    InputPercent,
    Output1,
    Output1Aux,
    Output2,
    Output2Aux,
    SensorValue,  // RTD resistance or thermocouple voltage (register 42)
    ColdJunction, // converted to the display unit
    ProcessMode,
    Hardware,
    Firmware,
    Serial,
    ModelText,
    CalibDate,
    Tag,
};

struct MonitorRead {
    int reg;
    int count;
    MonitorTarget target;
};

enum class TableKind { CustomRtd, CustomTc, XY };

// Everything that tells one model from another.
struct ModelDesc {
    int modelNumber;
    const char* modelString;
    const ParameterRow* rows;
    int rowCount;
    const MonitorRead* monitor; // group 10 upload order
    int monitorCount;
    TableKind tableKind;
    int outputCount;
    bool temperatureInput;       // input range and input value in deg C, shown in the display unit
    const InputType* inputTypes; // by input type; a type beyond them takes the first
    int inputTypeCount;
    double zeroAdjustOfOtherType; // input fine zero limit of a type beyond the list
};
