#include "model/CParTypeCommon.h"

#include "comm/CPrivateException.h"
#include "comm/MessageFormat.h"
#include "model/CModelContext.h"
#include "model/ParameterIds.h"
#include "resources/CStringTable.h"
#include "resources/ParameterNameIds.h"
#include "resources/StringIds.h"

#include <algorithm>

namespace {
constexpr int kCustomPoints = 300;
constexpr int kXYValues = 202;

const CParTypeCommon::OutputTypeRange kOutputRanges[] = {
    {0, 200000, -30000, 230000},        // DC 0 - 20mA
    {-50000, 50000, -65000, 65000},     // DC -5V - +5V
    {-100000, 100000, -130000, 130000}, // DC -10V - +10V
};

bool IsHeaderId(int id) {
    return id >= kIdFirstHeader;
}
} // namespace

CParTypeCommon::CParTypeCommon(const ModelDesc& desc) : m_desc(&desc) {
    SetTable(std::span<const ParameterRow>(desc.rows, static_cast<std::size_t>(desc.rowCount)));
    m_modelNumber = desc.modelNumber;
    m_modelString = desc.modelString;
    for (const ParameterRow& row : m_table)
        if (row.Stored())
            m_values[row.id] = row.defaultValue;
    int first = FirstPointId();
    for (int i = 0; i < TablePointCount(); ++i)
        m_values.emplace(first + i, 0);
    if (m_desc->tableKind == TableKind::XY) {
        // Two pairs spanning the whole travel: (-15 %, -15 %) and (115 %, 115 %).
        Put(kIdXYFirst, -150000);
        Put(kIdXYFirst + 1, -150000);
        Put(kIdXYFirst + 2, 1150000);
        Put(kIdXYFirst + 3, 1150000);
    } else {
        // Two points: 0 and the smallest raw step, so a fresh table is strictly ascending.
        Put(first + 1, 1);
    }
    DeriveOutputLimits(0, true);
    DeriveOutputLimits(1, true);
    m_stepsTotal = std::max(1, GetParameterCount(0) + GetParameterCount(1) + GetParameterCount(2));
}

// ---- table and enumeration ----

int CParTypeCommon::TablePointCount() const {
    return m_desc->tableKind == TableKind::XY ? kXYValues : kCustomPoints;
}

int CParTypeCommon::FirstPointId() const {
    return m_desc->tableKind == TableKind::XY ? kIdXYFirst : kIdCustomFirst;
}

bool CParTypeCommon::IsPoint(int id) const {
    int first = FirstPointId();
    return id >= first && id < first + TablePointCount();
}

int CParTypeCommon::PointRegister(int id) const {
    return (m_desc->tableKind == TableKind::XY ? 5001 : 4013) + 2 * (id - FirstPointId());
}

int CParTypeCommon::GetParameterCount(int group) const {
    return CountRows(group) + (group == kGroupTable ? TablePointCount() : 0);
}

int CParTypeCommon::GetParameterId(int group, int index) const {
    if (index < 0 || index >= GetParameterCount(group))
        return -1;
    int rows = CountRows(group);
    if (group == kGroupTable && index >= rows)
        return FirstPointId() + index - rows;
    return RowId(group, index);
}

std::string CParTypeCommon::GetParameterName(int id) const {
    if (IsPoint(id)) {
        int k = id - FirstPointId();
        switch (m_desc->tableKind) {
        case TableKind::CustomRtd:
            return StrPrintf(LoadStr(kStrPointR).c_str(), k);
        case TableKind::CustomTc:
            return StrPrintf(LoadStr(kStrPointV).c_str(), k);
        case TableKind::XY:
            return StrPrintf(LoadStr(k % 2 == 0 ? kStrPointX : kStrPointY).c_str(), k / 2);
        }
    }
    return TableNameText(id);
}

const ParameterRow* CParTypeCommon::FindDef(int id) const {
    for (const ParameterRow& row : m_table)
        if (row.id == id)
            return &row;
    return nullptr;
}

const ParameterRow* CParTypeCommon::FindSetting(int id) const {
    const ParameterRow* row = FindDef(id);
    return row && row->Stored() ? row : nullptr;
}

ValueEncoding CParTypeCommon::EncodingOf(int id) const {
    if (const ParameterRow* row = FindSetting(id))
        return row->encoding;
    return ValueEncoding::Fixed4;
}

const InputType& CParTypeCommon::InputTypeOf(int type) const {
    return m_desc->inputTypes[type >= 0 && type < m_desc->inputTypeCount ? type : 0];
}

std::string CParTypeCommon::GetSensorUnitText() const {
    return LoadStr(InputTypeOf(Get(kIdInputType)).unitId);
}

void CParTypeCommon::GetInputZeroAdjustRange(double& low, double& high) const {
    int type = Get(kIdInputType);
    double limit = type >= 0 && type < m_desc->inputTypeCount ? m_desc->inputTypes[type].zeroAdjust
                                                              : m_desc->zeroAdjustOfOtherType;
    low = -limit;
    high = limit;
}

int32_t CParTypeCommon::Get(int id) const {
    auto it = m_values.find(id);
    return it == m_values.end() ? 0 : it->second;
}

// ---- values and texts ----

int32_t CParTypeCommon::GetValue(int id, int) const {
    if (auto it = m_values.find(id); it != m_values.end())
        return it->second;
    int row = FindRow(id);
    const ValueRules* value = row >= 0 ? m_table[static_cast<std::size_t>(row)].value : nullptr;
    return value && value->raw ? value->raw(*this) : 0;
}

std::string CParTypeCommon::FormatRawValue(int id, int32_t raw) const {
    if (IsHeaderId(id))
        return {};
    switch (EncodingOf(id)) {
    case ValueEncoding::Fixed4:
        return Fixed4Text(raw);
    case ValueEncoding::Date:
        return DateText(raw);
    case ValueEncoding::Int16:
        return StrPrintf("%d", static_cast<int16_t>(raw));
    case ValueEncoding::UInt16:
        return StrPrintf("%d", static_cast<uint16_t>(raw));
    case ValueEncoding::Float:
        return FloatText(BitsFloat(raw));
    default:
        return {};
    }
}

std::string CParTypeCommon::GetValueText(int id) const {
    if (IsHeaderId(id))
        return {};
    if (m_values.count(id))
        return FormatRawValue(id, Get(id));
    int row = FindRow(id);
    const ValueRules* value = row >= 0 ? m_table[static_cast<std::size_t>(row)].value : nullptr;
    return value && value->text ? value->text(*this) : std::string();
}

std::string CParTypeCommon::UnitOf(int id) const {
    if (IsPoint(id))
        return m_desc->tableKind == TableKind::XY ? LoadStr(kStrUnitPercent) : GetSensorUnitText();
    const ParameterRow* row = FindDef(id);
    return row && row->unit ? row->unit(*this) : std::string();
}

std::string CParTypeCommon::FormatValue(int id, int32_t raw, bool withUnit) const {
    int row = FindRow(id);
    if (row >= 0 && m_table[static_cast<std::size_t>(row)].kind == kKindChoice) {
        ChoiceListIds list = m_table[static_cast<std::size_t>(row)].choices;
        return raw >= 0 && raw < list.count ? LoadStr(list.firstId + raw) : std::string();
    }
    if (IsHeaderId(id))
        return {};
    const ParameterRow* def = FindDef(id);
    Show show = def ? def->show : Show::Plain;
    std::string text;
    if (show == Show::Temperature) {
        text = Fixed4Text(CelsiusToDisplay(raw, CModelContext::TempUnit()));
    } else if (show == Show::TemperatureStep) {
        // A step is a difference: no offset, only the scale of deg F.
        text = CModelContext::TempUnit() == kUnitFahrenheit
                   ? StrPrintf("%.1lf", static_cast<uint16_t>(raw) * 1.8)
                   : StrPrintf("%d", static_cast<uint16_t>(raw));
    } else if (id >= kIdInputValue) {
        text = GetValueText(id);
    } else {
        text = FormatRawValue(id, raw);
    }
    if (withUnit) {
        if (show == Show::Signed && (text.empty() || text[0] != '-'))
            text = "+" + text;
        std::string unit = UnitOf(id);
        if (!unit.empty())
            text += " (" + unit + ")";
    }
    return text;
}

std::string CParTypeCommon::GetInputUnitText() const {
    if (m_desc->temperatureInput)
        return LoadStr(kStrUnitTemperatureBase + CModelContext::TempUnit());
    return GetSensorUnitText();
}

std::string CParTypeCommon::GetOutputUnitText(int output) const {
    int type = Get(OutputId(output, 0));
    return LoadStr(type == 1 || type == 2 ? kStrUnitVolt : kStrUnitMilliampere);
}

CParTypeCommon::OutputTypeRange CParTypeCommon::OutputRange(int type) {
    if (type < 0 || type > 2)
        type = 0;
    return kOutputRanges[type];
}

void CParTypeCommon::GetSensorRange(int32_t& low, int32_t& high) const {
    InputTypeRange r = InputRange(Get(kIdInputType));
    low = r.defaultMin;
    high = r.defaultMax;
}

void CParTypeCommon::GetOutputNominalRange(int output, int32_t& low, int32_t& high) const {
    OutputTypeRange r = OutputRange(Get(OutputId(output, 0)));
    low = r.nominalMin;
    high = r.nominalMax;
}

void CParTypeCommon::CheckOutputValue(int output, int32_t value) const {
    OutputTypeRange r = OutputRange(Get(OutputId(output, 0)));
    if (value >= r.absoluteMin && value <= r.absoluteMax)
        return;
    int nameId = output == 0 ? kIdOutput1Value : kIdOutput2Value;
    throw CPrivateException(FormatInserts(
        LoadStr(kMsgOutOfRange),
        {GetParameterName(nameId), FormatValue(OutputId(output, 1), r.absoluteMin, false),
         FormatValue(OutputId(output, 2), r.absoluteMax, false)}));
}

// ---- setting values ----

int32_t CParTypeCommon::OutputPoint(int output, int32_t percentFixed4) const {
    return PointOnSpan(Get(OutputId(output, 1)), Get(OutputId(output, 2)), percentFixed4);
}

void CParTypeCommon::DeriveOutputLimits(int output, bool force) {
    OutputTypeRange r = OutputRange(Get(OutputId(output, 0)));
    Put(OutputId(output, 3), std::max(OutputPoint(output, -100000), r.absoluteMin));
    Put(OutputId(output, 4), std::min(OutputPoint(output, 1100000), r.absoluteMax));
    if (!HasBurnout())
        return;
    int burnoutId = output == 0 ? kIdBurnout1 : kIdBurnout2;
    int valueId = output == 0 ? kIdBurnoutValue1 : kIdBurnoutValue2;
    int burnout = Get(burnoutId);
    if (burnout == 1)
        Put(valueId, std::max(OutputPoint(output, -150000), r.absoluteMin));
    else if (burnout == 2 || force)
        Put(valueId, std::min(OutputPoint(output, 1150000), r.absoluteMax));
}

void CParTypeCommon::SetValue(int id, int32_t raw, bool check) {
    if (!Holds(id))
        return;
    if (IsPoint(id)) {
        if (check)
            CheckPoint(id, raw);
        Put(id, raw);
        return;
    }
    const ParameterRow* row = FindDef(id);
    if (check && row && row->range)
        row->range(*this, id, raw);
    Put(id, raw);
    if (row && row->update)
        row->update(*this, id);
}

void CParTypeCommon::CheckPoint(int id, int32_t v) const {
    switch (m_desc->tableKind) {
    case TableKind::XY:
        return CheckRange(v, -150000, 1150000, id);
    case TableKind::CustomRtd:
        return CheckRange(v, 0, 300000000, id);
    case TableKind::CustomTc:
        return CheckRange(v, -1000000, 10000000, id);
    }
}

void CParTypeCommon::SetValueText(int id, const std::string& text, bool check) {
    auto notNumeric = [this, check]() {
        if (check)
            throw CPrivateException::FromId(kMsgNotNumeric);
        m_textRefused = true;
    };
    if (const ParameterRow* row = FindDef(id); row && row->value && row->value->setText)
        return row->value->setText(*this, text, check);
    if (IsHeaderId(id) || !Holds(id))
        return;
    switch (EncodingOf(id)) {
    case ValueEncoding::Fixed4: {
        int32_t v = 0;
        if (!ParseFixed4(text, v))
            return notNumeric();
        SetValue(id, v, check);
        return;
    }
    case ValueEncoding::Int16:
    case ValueEncoding::UInt16: {
        long v = 0;
        bool isSigned = EncodingOf(id) == ValueEncoding::Int16;
        const long low = isSigned ? -32768 : 0;
        const long high = isSigned ? 32767 : 65535;
        if (!ParseInt(text, v))
            return notNumeric();
        // A number, but beyond what the register holds: a range matter, not a typing one.
        if (v < low || v > high) {
            if (check)
                CheckRange(static_cast<int32_t>(std::clamp(v, -2147483647L, 2147483647L)),
                           static_cast<int32_t>(low), static_cast<int32_t>(high), id);
            return notNumeric();
        }
        SetValue(id, static_cast<int32_t>(v), check);
        return;
    }
    case ValueEncoding::Float: {
        float f = 0;
        if (!ParseFloat(text, f))
            return notNumeric();
        SetValue(id, FloatBits(f), check);
        return;
    }
    default:
        return;
    }
}

void CParTypeCommon::SetFromEditor(int id, const CEditResult& edit) {
    if (edit.result == 1) {
        SetValue(id, edit.choiceIndex, true);
        return;
    }
    if (edit.result != 2)
        return;
    int unit = CModelContext::TempUnit();
    const ParameterRow* row = FindDef(id);
    Show show = row ? row->show : Show::Plain;
    if (show == Show::Temperature) {
        int32_t v = 0;
        if (!ParseFixed4(edit.text, v))
            throw CPrivateException::FromId(kMsgNotNumeric);
        SetValue(id, DisplayToCelsius(v, unit), true);
        return;
    }
    if (show == Show::TemperatureStep) {
        long step = 0;
        if (unit == kUnitFahrenheit) {
            // Shown as step x 1.8 with one decimal, so the edited text may carry a fraction.
            int32_t v = 0;
            if (!ParseFixed4(edit.text, v))
                throw CPrivateException::FromId(kMsgNotNumeric);
            step = static_cast<long>(v / 10000.0 / 1.8 + 1e-9);
        } else if (!ParseInt(edit.text, step)) {
            throw CPrivateException::FromId(kMsgNotNumeric);
        }
        SetValue(id, static_cast<int32_t>(std::clamp(step, -1000000L, 1000000L)), true);
        return;
    }
    SetValueText(id, edit.text, true);
}

// ---- kinds and editing ----

int CParTypeCommon::GetParameterKind(int id) const {
    int index = FindRow(id);
    if (index < 0)
        return IsPoint(id) ? PointKind(id) : kKindReadOnly;
    const ParameterRow& row = m_table[static_cast<std::size_t>(index)];
    if (row.kind == kKindHeader || !row.kindRule)
        return row.kind;
    return row.kindRule(*this, row.kind);
}

int CParTypeCommon::PointKind(int id) const {
    switch (m_desc->tableKind) {
    case TableKind::CustomRtd:
        if (Get(kIdCustomType) == 1)
            return kKindReadOnly; // the coefficients make the table
        return id - kIdCustomFirst < Get(kIdCustomPoints) ? kKindText : kKindReadOnly;
    case TableKind::CustomTc:
        return kKindText;
    case TableKind::XY:
        return id - kIdXYFirst < 2 * Get(kIdXYPoints) ? kKindText : kKindReadOnly;
    }
    return kKindText;
}

void CParTypeCommon::BeginEdit(int id, IParEditor& editor, const std::string& firstChar) const {
    int kind = GetParameterKind(id);
    if (kind == kKindText) {
        editor.ShowTextEditor(GetDisplayText(id, false), firstChar);
    } else if (kind == kKindChoice) {
        std::vector<std::string> items;
        std::string current = GetDisplayText(id, false);
        int selected = 0;
        for (int i = 0; i < 1000; ++i) {
            std::string text = FormatValue(id, i, false);
            if (text.empty())
                break;
            if (text == current)
                selected = i;
            items.push_back(std::move(text));
        }
        editor.ShowListEditor(items, selected);
    }
}
