#pragma once

#include "model/CParBase.h"
#include "model/CTableEditHook.h"
#include "model/ParameterIds.h"
#include "resources/ParameterNameIds.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <string>

// The interpreter of a model's table (ModelDesc) shared by every model of the family. Its
// concerns are in three files: values and checks (CParTypeCommon.cpp), register traffic
// (CParTypeTransfer.cpp) and the linearizer tables (CParTypeTables.cpp). A model class only
// names its description.
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
    void ReadSerialNumber(CCommInterface& comm) override;
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
    std::string GetSensorUnitText() const override;
    void GetInputZeroAdjustRange(double& low, double& high) const override;
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
    // Defaults, derived limits and the progress total of the described model.
    explicit CParTypeCommon(const ModelDesc& desc);

private:
    friend struct ParameterRules;

    // The row of an id, listed or not; nullptr when the model has none.
    const ParameterRow* FindDef(int id) const;
    const ParameterRow* FindSetting(int id) const;
    const InputType& InputTypeOf(int type) const;
    InputTypeRange InputRange(int type) const { return InputTypeOf(type).range; }
    // Burnout choice and value of each output (60, 66, 67, 68).
    bool HasBurnout() const { return FindSetting(kIdBurnout1) != nullptr; }
    // Points of group 2 beyond the table rows, and the id of the first.
    int TablePointCount() const;
    int FirstPointId() const;
    int PointKind(int id) const;
    void CheckPoint(int id, int32_t v) const;
    std::string UnitOf(int id) const;

    int32_t Get(int id) const;
    void Put(int id, int32_t v) { m_values[id] = v; }
    bool Holds(int id) const { return m_values.count(id) != 0; }
    ValueEncoding EncodingOf(int id) const;
    bool IsPoint(int id) const;
    int PointRegister(int id) const;
    void DeriveOutputLimits(int output, bool force);
    int32_t OutputPoint(int output, int32_t percentFixed4) const;
    void Step(int n = 1) { m_stepsDone.value.fetch_add(n, std::memory_order_relaxed); }
    // The register traffic of WriteParameter and Download inside their process mode.
    void WriteGuarded(CCommInterface& comm, const ParameterRow& row);
    void DownloadGuarded(CCommInterface& comm, int group);
    // Stored rows of a group (unlisted ones too), in table order.
    template <typename F> void ForEachStored(int group, F f) const {
        for (int i = 0; i < m_desc->rowCount; ++i)
            if (m_desc->rows[i].group == group && m_desc->rows[i].Stored())
                f(m_desc->rows[i]);
    }
    void TransferGroups(CCommInterface& comm, int group, bool write);
    void ReadMonitor(CCommInterface& comm, const MonitorRead& read);

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
