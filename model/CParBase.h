#pragma once

#include "model/ParameterTable.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

class CCommInterface;

// Display temperature units (setting TempUnit).
inline constexpr int kUnitCelsius = 0;
inline constexpr int kUnitFahrenheit = 1;
inline constexpr int kUnitKelvin = 2;

// What an in-place editor handed back (the record CParEdit collects).
struct CEditResult {
    int result = 0;      // 0 cancelled, 1 a choice index was chosen, 2 a text was entered
    int choiceIndex = 0; // result 1
    std::string text;    // result 2
    int navigation = 0;  // 0 stay, 1 next row, 2 previous row
};

// The window side of BeginEdit: the GUI's CParEdit implements it.
class IParEditor {
public:
    virtual ~IParEditor() = default;
    // Text editor over the cell with text, all selected; firstChar (UTF-8, may be empty) typed in.
    virtual void ShowTextEditor(const std::string& text, const std::string& firstChar) = 0;
    // List editor with the items, item `selected` selected, dropped down.
    virtual void ShowListEditor(const std::vector<std::string>& items, int selected) = 0;
};

// Abstract base of every model's parameter set: all values held raw, as the device holds them.
// Views and the device interface reach a model only through these virtual operations.
class CParBase {
public:
    CParBase() = default;
    virtual ~CParBase() = default;

    virtual CParBase* Clone() const = 0;
    virtual int GetParameterCount(int group) const = 0;
    virtual std::string GetParameterName(int id) const = 0;
    virtual std::string GetDisplayText(int id, bool withUnit) const;
    virtual std::string FormatValue(int id, int32_t raw, bool withUnit) const;
    virtual std::string GetValueText(int id) const = 0;
    virtual int32_t GetValue(int id, int flag = 0) const = 0;
    virtual void SetFromEditor(int id, const CEditResult& edit) = 0;
    virtual void SetValue(int id, int32_t raw, bool check) = 0;
    virtual void SetValueText(int id, const std::string& text, bool check) = 0;
    virtual int GetParameterId(int group, int index) const = 0;
    virtual int GetParameterKind(int id) const = 0;
    virtual void BeginEdit(int id, IParEditor& editor, const std::string& firstChar) const = 0;
    virtual std::string GetSensorUnitText() const = 0;
    virtual std::string GetInputUnitText() const = 0;
    virtual std::string GetOutputUnitText(int output) const = 0;
    virtual void WriteParameter(CCommInterface& comm, int id) = 0;
    virtual void ReadParameter(CCommInterface& comm, int id) = 0;
    // The serial number alone, from the device information (what identifies the device).
    virtual void ReadSerialNumber(CCommInterface& comm) = 0;
    virtual void Download(CCommInterface& comm, int group) = 0;
    virtual void Upload(CCommInterface& comm, int group) = 0;
    virtual int GetProgress() const = 0;
    virtual void ResetProgress() = 0;
    virtual std::string GetGroupActionCaption(int group, int flag) const = 0;
    // parent: the GUI's window handle (a QWidget*), opaque here; see CTableEditHook.
    virtual void RunGroupAction(void* parent, int group, int flag) = 0;
    virtual void SaveFile(const std::string& path) const;
    virtual void LoadFile(const std::string& path);
    // The parameter file's text, as SaveFile writes it, and its reading from a parsed file
    // (standard input and output of the command line).
    std::string FileText() const;
    void LoadIni(const class CIniFile& file);
    virtual double GetHighlightValue(int id) const = 0;
    virtual int32_t GetStatusWord() const = 0;
    virtual bool IsOutputFixed() const = 0;
    virtual void GetInputZeroAdjustRange(double& low, double& high) const = 0;
    virtual void GetSensorRange(int32_t& low, int32_t& high) const = 0;
    virtual void GetOutputNominalRange(int output, int32_t& low, int32_t& high) const = 0;
    virtual void CheckOutputValue(int output, int32_t value) const = 0;
    virtual int GetInputCount() const { return 1; }
    virtual int GetOutputCount() const { return 1; }
    virtual int GetAlarmCount() const { return 0; }
    virtual std::string FormatRawValue(int id, int32_t raw) const = 0;
    virtual void ReservedOperation1(int, int, int) {}
    virtual void ReservedOperation2(int, int, int) {}

    // Common state.
    int TypeCode() const { return m_typeCode; }
    void SetTypeCode(int code) { m_typeCode = code; }
    int ModelNumber() const { return m_modelNumber; }
    const std::string& ModelString() const { return m_modelString; }
    bool IsOnline() const { return m_online != 0; }
    void SetOnline(bool online) { m_online = online ? 1 : 0; }

    // Warnings a device write met (message 232), kept with the set as a transfer's error is kept
    // with its thread: whoever started the write shows them on its own thread. Taken once.
    void AddWarning(const std::string& text) { m_warnings.push_back(text); }
    std::vector<std::string> TakeWarnings() { return std::exchange(m_warnings, {}); }

    // Non-virtual table helpers: the listed rows (an unlisted row is not found).
    int FindRow(int id) const;
    int CountRows(int group) const;
    int RowId(int group, int index) const;
    std::string TableNameText(int id) const;
    std::span<const ParameterRow> Table() const { return m_table; }

    // SETTING section of a parameter file (the model classes add HEAD).
    void SaveSettings(class CIniFile& file) const;
    void LoadSettings(const class CIniFile& file);
    // The keys ("P2") whose values the last LoadSettings could not scan: they keep their
    // defaults, and the user is told.
    const std::vector<std::string>& IgnoredKeys() const { return m_ignoredKeys; }

    // Value codecs shared by every model.
    static bool ParseFixed4(const std::string& text, int32_t& out);
    static int32_t RoundFixed4(double value); // half away from zero with 0.00005
    static std::string Fixed4Text(int32_t raw);
    static std::string DateText(int32_t raw);
    static bool ParseInt(const std::string& text, long& out);
    static bool ParseFloat(const std::string& text, float& out);
    static std::string FloatText(float value);
    static int32_t FloatBits(float value);
    static float BitsFloat(int32_t bits);
    // Temperature conversion of fixed-4 values between deg C and the display unit.
    static int32_t CelsiusToDisplay(int32_t celsius, int unit);
    static int32_t DisplayToCelsius(int32_t display, int unit);
    // The value at p percent (fixed-4 percent) of the span between a and b.
    static int32_t PointOnSpan(int32_t a, int32_t b, int32_t percentFixed4);
    // Raises message 205 when v is outside lo..hi, naming the parameter and its limits.
    void CheckRange(int32_t v, int32_t lo, int32_t hi, int id) const;

protected:
    // The model's rows; indexes the listed ones by group, shared by every copy of the set.
    void SetTable(std::span<const ParameterRow> table);

    int m_typeCode = 0;
    int32_t m_statusWord = 0;
    std::span<const ParameterRow> m_table;
    int m_online = 0;
    std::string m_modelString;
    int m_modelNumber = 0;
    std::vector<std::string> m_warnings;
    std::vector<std::string> m_ignoredKeys;
    // Set by a SetValueText without checks whose text did not scan.
    bool m_textRefused = false;

private:
    // Listed rows' ids per group, in table order: lists and transfers walk a group by index,
    // and a scan of the whole table per index made each walk quadratic.
    std::shared_ptr<const std::vector<std::vector<int>>> m_groupIds;
};
