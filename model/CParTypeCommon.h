#pragma once

#include "model/CParBase.h"
#include "model/CTableEditHook.h"
#include "model/ParameterIds.h"
#include "resources/ParameterNameIds.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <string>

// What a model's input type fixes: the range set when the type is chosen (and the range
// GetSensorRange reports), the limits of 0 % and 100 % input and the smallest span (fixed-4).
struct InputTypeRange {
    int32_t defaultMin;
    int32_t defaultMax;
    int32_t settingMin;
    int32_t settingMax;
    int32_t minimumSpan;
};

// A stored numeric setting of groups 0 to 2 and the register that holds it.
struct SettingDef {
    int id;
    ValueEncoding encoding;
    int reg;
    int32_t defaultValue;
};

// Registers that WriteParameter writes for an id, in order (ids of the settings they hold).
struct WriteRule {
    int id;
    int ids[7]; // ended by -1
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

// Fixed description of a model class. Everything that differs between models and is not a
// rule lives here; rules are the virtual hooks of CParTypeCommon.
struct ModelDesc {
    int modelNumber;
    const char* modelString;
    const ParameterRow* table;
    const SettingDef* settings; // ended by id -1
    const WriteRule* writes;    // ended by id -1
    const MonitorRead* monitor; // group 10 upload order, ended by reg -1
    TableKind tableKind;
    int outputCount;
    bool temperatureInput; // input range and input value in deg C, shown in the display unit
};

// Behaviour shared by every model of the family: value store, codecs, output rules, fine
// adjustment, device information and status, register traffic, parameter files and tables.
// A model class supplies its ModelDesc, input-type ranges and the few rules that differ.
class CParTypeCommon : public CParBase {
public:
    int GetParameterCount(int group) const override;
    std::string GetParameterName(int id) const override;
    std::string FormatValue(int id, int32_t raw, bool withUnit) const override;
    std::string GetValueText(int id) const override;
    int32_t GetValue(int id, int flag = 0) const override;
    void SetFromEditor(int id, const CEditResult& edit) override;
    void SetValue(int id, int32_t raw, bool check) override;
    void SetValueText(int id, const std::string& text, bool check) override;
    int GetParameterId(int group, int index) const override;
    int GetParameterKind(int id) const override;
    void BeginEdit(int id, IParEditor& editor, const std::string& firstChar) const override;
    std::string GetInputUnitText() const override;
    std::string GetOutputUnitText(int output) const override;
    void WriteParameter(CCommInterface& comm, int id) override;
    void ReadParameter(CCommInterface& comm, int id) override;
    void Download(CCommInterface& comm, int group) override;
    void Upload(CCommInterface& comm, int group) override;
    int GetProgress() const override;
    void ResetProgress() override;
    std::string GetGroupActionCaption(int group, int flag) const override;
    void RunGroupAction(void* parent, int group, int flag) override;
    double GetHighlightValue(int) const override { return -100.0; }
    int32_t GetStatusWord() const override { return m_statusWord; }
    bool IsOutputFixed() const override { return m_processMode == 2; }
    void GetSensorRange(int32_t& low, int32_t& high) const override;
    void GetOutputNominalRange(int output, int32_t& low, int32_t& high) const override;
    void CheckOutputValue(int output, int32_t value) const override;
    int GetOutputCount() const override { return m_desc->outputCount; }
    std::string FormatRawValue(int id, int32_t raw) const override;

    TableKind GetTableKind() const { return m_desc->tableKind; }
    // The points in use of the custom table (temperature models) or the XY pairs (others).
    TemperatureTable GetTemperatureTable() const;
    XYTable GetXYTable() const;
    // Takes a table over as the table dialog's OK does. Returns the order message (30306) when
    // the values are not strictly monotonic (empty when they are); values are stored regardless.
    std::string ApplyTemperatureTable(const TemperatureTable& table);
    void ApplyXYTable(const XYTable& table);

    bool ResponsePropertySupported() const { return m_responseSupported; }
    uint16_t ProcessMode() const { return m_processMode; }

    // Output-type ranges shared by every model (fixed-4 in the output unit).
    struct OutputTypeRange {
        int32_t nominalMin, nominalMax, absoluteMin, absoluteMax;
    };
    static OutputTypeRange OutputRange(int type);

protected:
    explicit CParTypeCommon(const ModelDesc& desc);
    // Call at the end of a model constructor: defaults, derived limits and progress total.
    void InitDefaults();
    // Replaces the fixed description (single-output variants after the base constructor).
    void SetDesc(const ModelDesc& desc);

    // Model hooks.
    virtual int InputTypeCount() const = 0;
    virtual InputTypeRange InputRange(int type) const = 0;
    virtual ChoiceListIds InputTypeChoices() const = 0;
    // Choice list of a choice parameter other than the input type; {0, 0} if none.
    virtual ChoiceListIds Choices(int id) const;
    // Unit text of a value's suffix ("" for none), before the common rules.
    virtual std::string UnitOf(int id) const;
    virtual bool IsTemperatureId(int id) const;
    virtual void CheckAndUpdate(int id, int32_t& v, bool check);
    virtual int ModelKind(int id, int tableKind) const;
    // Burnout choice and value of each output (60, 66, 67, 68): held when the settings list them.
    virtual bool HasBurnout() const { return FindSetting(kIdBurnout1) != nullptr; }
    // Points of group 2 beyond the table rows, and the id of the first.
    int TablePointCount() const;
    int FirstPointId() const;

    int32_t Get(int id) const;
    void Put(int id, int32_t v) { m_values[id] = v; }
    bool Holds(int id) const { return m_values.count(id) != 0; }
    const SettingDef* FindSetting(int id) const;
    ValueEncoding EncodingOf(int id) const;
    bool IsPoint(int id) const;
    int PointRegister(int id) const;
    void DeriveOutputLimits(int output, bool force);
    int32_t OutputPoint(int output, int32_t percentFixed4) const;
    void Step(int n = 1) { m_stepsDone.value.fetch_add(n, std::memory_order_relaxed); }
    // The register traffic of WriteParameter and Download inside their process mode.
    void WriteGuarded(CCommInterface& comm, int id, const WriteRule* rule, const SettingDef* own);
    void DownloadGuarded(CCommInterface& comm, int group);

    const ModelDesc* m_desc;
    std::map<int, int32_t> m_values;
    std::u16string m_tag;     // 62000, at most 16 characters
    std::string m_modelText;  // 62002, at most 32 bytes
    std::string m_serial;     // 62003, at most 16 bytes
    std::string m_hardware;   // 62004 "%.2lf"
    std::string m_firmware;   // 62005 "%.2lf"
    int32_t m_calibDate = 0;  // 62001
    int32_t m_inputValue = 0; // display unit when the model is a temperature model
    int32_t m_inputPercent = 0;
    int32_t m_output[2] = {0, 0};
    int32_t m_outputAux[2] = {0, 0};
    int32_t m_sensorValue = 0;  // 61003 RTD resistance or 61002 TC voltage
    int32_t m_coldJunction = 0; // 61001, display unit
    uint16_t m_processMode = 0;
    bool m_responseSupported = true;
    // Steps of the running transfer: counted on the device thread, read by the window's timer.
    struct StepCounter {
        std::atomic<int> value{0};
        StepCounter() = default;
        StepCounter(const StepCounter& other) : value(other.value.load()) {}
        StepCounter& operator=(const StepCounter& other) {
            value.store(other.value.load());
            return *this;
        }
    };
    StepCounter m_stepsDone;
    int m_stepsTotal = 1;
};
