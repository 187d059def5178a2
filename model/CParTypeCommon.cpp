#include "model/CParTypeCommon.h"

#include "comm/CCommInterface.h"
#include "comm/CPrivateException.h"
#include "comm/MessageFormat.h"
#include "model/CModelContext.h"
#include "model/CProcessPrivilege.h"
#include "model/ParameterIds.h"
#include "model/TextCodec.h"
#include "resources/CStringTable.h"
#include "resources/ParameterNameIds.h"
#include "resources/StringIds.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr int kTagChars = 16;
constexpr int kModelTextBytes = 32;
constexpr int kSerialBytes = 16;
constexpr int kCustomPoints = 300;
constexpr int kXYValues = 202;
constexpr int kMaxXYPairs = 101;
constexpr int kBlockValues = 10; // values per block request of a table

const CParTypeCommon::OutputTypeRange kOutputRanges[] = {
    {0, 200000, -30000, 230000},        // DC 0 - 20mA
    {-50000, 50000, -65000, 65000},     // DC -5V - +5V
    {-100000, 100000, -130000, 130000}, // DC -10V - +10V
};

bool IsHeaderId(int id) {
    return id >= kIdFirstHeader;
}

int32_t Round4(double v) {
    return CParBase::RoundFixed4(v);
}

// Fine adjustment ids in register order (1010, 1012, 2010, 2012, 2210, 2212).
constexpr int kAdjustIds[] = {kIdInputFineZero,   kIdInputFineSpan,   kIdOutput1FineZero,
                              kIdOutput1FineSpan, kIdOutput2FineZero, kIdOutput2FineSpan};
} // namespace

CParTypeCommon::CParTypeCommon(const ModelDesc& desc) : m_desc(&desc) {
    m_table = desc.table;
    m_modelNumber = desc.modelNumber;
    m_modelString = desc.modelString;
}

void CParTypeCommon::SetDesc(const ModelDesc& desc) {
    m_desc = &desc;
    m_table = desc.table;
    m_modelNumber = desc.modelNumber;
    m_modelString = desc.modelString;
    m_stepsTotal = std::max(1, GetParameterCount(0) + GetParameterCount(1) + GetParameterCount(2));
}

void CParTypeCommon::InitDefaults() {
    for (const SettingDef* s = m_desc->settings; s->id >= 0; ++s)
        m_values[s->id] = s->defaultValue;
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

const SettingDef* CParTypeCommon::FindSetting(int id) const {
    for (const SettingDef* s = m_desc->settings; s->id >= 0; ++s)
        if (s->id == id)
            return s;
    return nullptr;
}

ValueEncoding CParTypeCommon::EncodingOf(int id) const {
    if (const SettingDef* s = FindSetting(id))
        return s->encoding;
    return ValueEncoding::Fixed4;
}

int32_t CParTypeCommon::Get(int id) const {
    auto it = m_values.find(id);
    return it == m_values.end() ? 0 : it->second;
}

// ---- values and texts ----

int32_t CParTypeCommon::GetValue(int id, int) const {
    if (auto it = m_values.find(id); it != m_values.end())
        return it->second;
    switch (id) {
    case kIdInputValue:
        return m_inputValue;
    case kIdOutput1Value:
        return m_output[0];
    case kIdOutput2Value:
        return GetOutputCount() > 1 ? m_output[1] : 0;
    case kIdStatus:
        return m_statusWord;
    case kIdCjmTemperature:
        return FindRow(id) >= 0 ? m_coldJunction : 0;
    case kIdTcVoltage:
    case kIdRtdResistance:
        return FindRow(id) >= 0 ? m_sensorValue : 0;
    case kIdCalibDate:
        return m_calibDate;
    default:
        return 0;
    }
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
    auto outputText = [this](int o) {
        int32_t zero = Get(OutputId(o, 1));
        int32_t full = Get(OutputId(o, 2));
        double percent =
            full == zero ? 0.0 : (m_output[o] - static_cast<double>(zero)) / (full - zero) * 100.0;
        return StrPrintf("%.4lf%s, %.4lf%%", m_output[o] / 10000.0, GetOutputUnitText(o).c_str(),
                         percent);
    };
    switch (id) {
    case kIdInputValue:
        return StrPrintf("%.4lf%s, %.4lf%%", m_inputValue / 10000.0, GetInputUnitText().c_str(),
                         m_inputPercent / 10000.0);
    case kIdOutput1Value:
        return outputText(0);
    case kIdOutput2Value:
        return GetOutputCount() > 1 ? outputText(1) : std::string();
    case kIdStatus: {
        std::string text;
        auto add = [&text](int strId) {
            if (!text.empty())
                text += ", ";
            text += LoadStr(strId);
        };
        if (m_statusWord & 0x2)
            add(kStrStatusRangeOver);
        if (m_statusWord & 0x1)
            add(kStrStatusOutputLimit);
        if (m_statusWord & 0x10)
            add(kStrStatusBurnout);
        if (text.empty())
            text = LoadStr(kStrStatusNormal);
        if (m_processMode == 2)
            text += ", " + LoadStr(kStrStatusFixedOut);
        return text;
    }
    // The sensor readings a model has are the ones its table shows.
    case kIdCjmTemperature:
        return FindRow(id) >= 0 ? Fixed4Text(m_coldJunction) : "";
    case kIdTcVoltage:
    case kIdRtdResistance:
        return FindRow(id) >= 0 ? Fixed4Text(m_sensorValue) : "";
    case kIdTag:
        return Utf16ToUtf8(m_tag);
    case kIdCalibDate:
        return DateText(m_calibDate);
    case kIdModelText:
        return m_modelText;
    case kIdSerial:
        return m_serial;
    case kIdHardware:
        return m_hardware;
    case kIdFirmware:
        return m_firmware;
    default:
        return {};
    }
}

bool CParTypeCommon::IsTemperatureId(int id) const {
    if (!m_desc->temperatureInput)
        return false;
    return id == kIdZeroInput || id == kIdFullInput || id == kIdCustomStart;
}

std::string CParTypeCommon::UnitOf(int id) const {
    std::string temperature = LoadStr(kStrUnitTemperatureBase + CModelContext::TempUnit());
    if (IsTemperatureId(id) || (m_desc->temperatureInput && id == kIdCustomStep))
        return temperature;
    if (IsPoint(id))
        return m_desc->tableKind == TableKind::XY ? LoadStr(kStrUnitPercent) : GetSensorUnitText();
    switch (id) {
    case kIdZeroInput:
    case kIdFullInput:
        return GetInputUnitText();
    case kIdFilterTime:
        return LoadStr(kStrUnitSecond);
    case kIdBurnoutValue1:
        return GetOutputUnitText(0);
    case kIdBurnoutValue2:
        return GetOutputUnitText(1);
    case kIdInputFineSpan:
    case kIdOutput1FineZero:
    case kIdOutput1FineSpan:
    case kIdOutput2FineZero:
    case kIdOutput2FineSpan:
        return LoadStr(kStrUnitPercent);
    case kIdInputFineZero:
        return GetSensorUnitText();
    case kIdRtdResistance:
    case kIdTcVoltage:
        return GetValueText(id).empty() ? std::string() : GetSensorUnitText();
    case kIdCjmTemperature:
        return FindRow(id) >= 0 ? temperature : std::string();
    default:
        if (id >= 101 && id <= 104)
            return GetOutputUnitText(0);
        if (id >= 106 && id <= 109)
            return GetOutputUnitText(1);
        return {};
    }
}

ChoiceListIds CParTypeCommon::Choices(int id) const {
    switch (id) {
    case kIdSensorWires:
        return kChoiceSensorWires;
    case kIdResponseProperty:
        return kChoiceResponseProperty;
    case kIdBurnout1:
    case kIdBurnout2:
        return kChoiceBurnout;
    case kIdOutputType1:
    case kIdOutputType2:
        return kChoiceOutputType;
    case kIdCustomType:
        return kChoiceCustomRtdType;
    case kIdColdJunction:
        return kChoiceColdJunction;
    case kIdLinearizer1:
    case kIdLinearizer2:
        return kChoiceLinearizer;
    case kIdResponseRate:
        return kChoiceResponseRate;
    default:
        return {0, 0};
    }
}

std::string CParTypeCommon::FormatValue(int id, int32_t raw, bool withUnit) const {
    std::string text;
    int row = FindRow(id);
    bool choice = row >= 0 && m_table[row].kind == kKindChoice;
    if (choice) {
        ChoiceListIds list = id == kIdInputType ? InputTypeChoices() : Choices(id);
        if (raw >= 0 && raw < list.count)
            text = LoadStr(list.firstId + raw);
        return text;
    }
    if (IsHeaderId(id))
        return {};
    if (IsTemperatureId(id)) {
        text = Fixed4Text(CelsiusToDisplay(raw, CModelContext::TempUnit()));
    } else if (id == kIdCustomStep && m_desc->temperatureInput) {
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
        if ((id == kIdInputFineZero || id == kIdOutput1FineZero || id == kIdOutput2FineZero) &&
            (text.empty() || text[0] != '-'))
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
    CheckAndUpdate(id, raw, check);
}

void CParTypeCommon::CheckAndUpdate(int id, int32_t& v, bool check) {
    auto range = [&](int32_t lo, int32_t hi) {
        if (check)
            CheckRange(v, lo, hi, id);
    };
    int output = (id >= 105 && id <= 109) || id == kIdBurnout2 || id == kIdBurnoutValue2 ? 1 : 0;
    OutputTypeRange out = OutputRange(Get(OutputId(output, 0)));
    InputTypeRange in = InputRange(Get(kIdInputType));

    switch (id) {
    case kIdInputType: {
        Put(id, v);
        InputTypeRange r = InputRange(v);
        Put(kIdZeroInput, r.defaultMin);
        Put(kIdFullInput, r.defaultMax);
        return;
    }
    case kIdZeroInput:
        range(in.settingMin, Get(kIdFullInput) - in.minimumSpan);
        break;
    case kIdFullInput:
        range(Get(kIdZeroInput) + in.minimumSpan, in.settingMax);
        break;
    case kIdFilterTime:
        if (check && !(v == 0 || (v >= 5000 && v <= 300000)))
            throw CPrivateException::FromId(kMsgFilterTimeConstant);
        break;
    case kIdBurnout1:
    case kIdBurnout2: {
        Put(id, v);
        int valueId = id == kIdBurnout1 ? kIdBurnoutValue1 : kIdBurnoutValue2;
        if (v == 1)
            Put(valueId, std::max(OutputPoint(output, -150000), out.absoluteMin));
        else if (v == 2)
            Put(valueId, std::min(OutputPoint(output, 1150000), out.absoluteMax));
        return;
    }
    case kIdBurnoutValue1:
    case kIdBurnoutValue2:
        range(out.absoluteMin, out.absoluteMax);
        break;
    case kIdOutputType1:
    case kIdOutputType2: {
        Put(id, v);
        OutputTypeRange r = OutputRange(v);
        Put(OutputId(output, 1), r.nominalMin);
        Put(OutputId(output, 2), r.nominalMax);
        DeriveOutputLimits(output, true);
        return;
    }
    case 101:
    case 102:
    case 106:
    case 107:
        range(out.absoluteMin, out.absoluteMax);
        Put(id, v);
        DeriveOutputLimits(output, false);
        return;
    case 103:
    case 108:
        range(std::max(OutputPoint(output, -150000), out.absoluteMin),
              std::min(Get(OutputId(output, 1)), Get(OutputId(output, 2))));
        break;
    case 104:
    case 109:
        range(std::max(Get(OutputId(output, 1)), Get(OutputId(output, 2))),
              std::min(OutputPoint(output, 1150000), out.absoluteMax));
        break;
    case kIdInputFineZero: {
        double lo = 0, hi = 0;
        GetInputZeroAdjustRange(lo, hi);
        range(Round4(lo), Round4(hi));
        break;
    }
    case kIdInputFineSpan:
    case kIdOutput1FineSpan:
    case kIdOutput2FineSpan:
        range(850000, 1150000);
        break;
    case kIdOutput1FineZero:
    case kIdOutput2FineZero:
        range(-150000, 150000);
        break;
    case kIdCustomStart:
        range(-3000000, 10000000);
        break;
    case kIdCustomStep:
        range(1, 50);
        break;
    case kIdCustomPoints:
        range(2, kCustomPoints);
        break;
    case kIdXYPoints:
        range(2, kMaxXYPairs);
        break;
    default:
        if (IsPoint(id)) {
            if (m_desc->tableKind == TableKind::XY)
                range(-150000, 1150000);
            else if (m_desc->tableKind == TableKind::CustomRtd)
                range(0, 300000000);
            else
                range(-1000000, 10000000);
        }
        break;
    }
    Put(id, v);
}

void CParTypeCommon::SetValueText(int id, const std::string& text, bool check) {
    auto notNumeric = [this, check]() {
        if (check)
            throw CPrivateException::FromId(kMsgNotNumeric);
        m_textRefused = true;
    };
    switch (id) {
    case kIdTag: {
        std::u16string tag = Utf8ToUtf16(text);
        if (check && tag.size() > kTagChars)
            throw CPrivateException::FromId(kMsgTagTooLong);
        if (tag.size() > kTagChars)
            tag.resize(kTagChars);
        m_tag = tag;
        return;
    }
    case kIdModelText:
        m_modelText = CutUtf8(text, kModelTextBytes);
        return;
    case kIdSerial:
        m_serial = CutUtf8(text, kSerialBytes);
        return;
    default:
        break;
    }
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
    if (IsTemperatureId(id)) {
        int32_t v = 0;
        if (!ParseFixed4(edit.text, v))
            throw CPrivateException::FromId(kMsgNotNumeric);
        SetValue(id, DisplayToCelsius(v, unit), true);
        return;
    }
    if (id == kIdCustomStep && m_desc->temperatureInput) {
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

int CParTypeCommon::ModelKind(int, int tableKind) const {
    return tableKind;
}

int CParTypeCommon::GetParameterKind(int id) const {
    int row = FindRow(id);
    int kind = row >= 0 ? m_table[row].kind : (IsPoint(id) ? kKindText : kKindReadOnly);
    if (row >= 0 && kind == kKindHeader)
        return kKindHeader;
    if (id == kIdModelText || id == kIdSerial)
        return CModelContext::Privileged() ? kind : kKindReadOnly;
    if (HasBurnout() && (id == kIdBurnoutValue1 || id == kIdBurnoutValue2)) {
        int burnout = Get(id == kIdBurnoutValue1 ? kIdBurnout1 : kIdBurnout2);
        return burnout == 3 ? kind : kKindReadOnly;
    }
    if (id == kIdResponseProperty && IsOnline() && !m_responseSupported)
        return kKindReadOnly;
    switch (m_desc->tableKind) {
    case TableKind::CustomRtd:
        if (id >= kIdCoefR0 && id <= kIdCustomLast) {
            bool coefficients = Get(kIdCustomType) == 1;
            if (id <= kIdCoefC)
                return coefficients ? kKindText : kKindReadOnly;
            if (coefficients)
                return kKindReadOnly;
            if (IsPoint(id))
                return id - kIdCustomFirst < Get(kIdCustomPoints) ? kKindText : kKindReadOnly;
            return kKindText;
        }
        break;
    case TableKind::CustomTc:
        if (id >= kIdCoefR0 && id <= kIdCustomLast)
            return kKindText;
        break;
    case TableKind::XY:
        if (IsPoint(id))
            return id - kIdXYFirst < 2 * Get(kIdXYPoints) ? kKindText : kKindReadOnly;
        break;
    }
    return ModelKind(id, kind);
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

// ---- device traffic ----

namespace {
int32_t ReadEncoded(CCommInterface& comm, int reg, ValueEncoding encoding) {
    switch (encoding) {
    case ValueEncoding::Int16:
        return static_cast<int16_t>(comm.ReadUInt16(reg));
    case ValueEncoding::UInt16:
        return comm.ReadUInt16(reg);
    default: {
        int32_t v = 0;
        comm.ReadValues(&v, 1, reg, encoding);
        return v;
    }
    }
}

void WriteEncoded(CCommInterface& comm, int reg, ValueEncoding encoding, int32_t v) {
    switch (encoding) {
    case ValueEncoding::Int16:
    case ValueEncoding::UInt16:
        comm.WriteUInt16(reg, static_cast<uint16_t>(v));
        break;
    default:
        comm.WriteValues(&v, 1, reg, encoding);
        break;
    }
}

std::string ReadCodePageText(CCommInterface& comm, int reg, int registers) {
    std::string bytes(static_cast<std::size_t>(registers) * 2, '\0');
    comm.ReadValues(bytes.data(), registers, reg, ValueEncoding::CodePageText);
    return BytesToUtf8(bytes);
}

void WriteCodePageText(CCommInterface& comm, int reg, int registers, const std::string& text) {
    std::string bytes(static_cast<std::size_t>(registers) * 2, '\0');
    std::string cut = CutUtf8(text, bytes.size());
    std::copy(cut.begin(), cut.end(), bytes.begin());
    comm.WriteValues(bytes.data(), registers, reg, ValueEncoding::CodePageText);
}
} // namespace

void CParTypeCommon::ReadParameter(CCommInterface& comm, int id) {
    switch (id) {
    case kIdResponseProperty: {
        if (!FindSetting(id))
            return;
        uint16_t firmware = comm.ReadUInt16(9602);
        // The response property exists from firmware 1.10 on.
        if (firmware < 110) {
            Put(id, 0);
            m_responseSupported = false;
            return;
        }
        Put(id, comm.ReadUInt16(FindSetting(id)->reg));
        m_responseSupported = true;
        return;
    }
    case kIdTag: {
        char16_t buffer[kTagChars] = {};
        comm.ReadValues(buffer, kTagChars, 9629, ValueEncoding::Utf16Text);
        m_tag = FixedUtf16(buffer, kTagChars);
        return;
    }
    case kIdModelText:
        m_modelText = ReadCodePageText(comm, 20008, 16);
        return;
    case kIdSerial:
        m_serial = ReadCodePageText(comm, 20000, 8);
        return;
    default:
        break;
    }
    // Only the settings of group 0 (ids below 1000) are read one by one.
    const SettingDef* s = FindSetting(id);
    if (s && id < 1000 && s->reg >= 0)
        Put(id, ReadEncoded(comm, s->reg, s->encoding));
}

void CParTypeCommon::WriteParameter(CCommInterface& comm, int id) {
    const WriteRule* rule = nullptr;
    for (const WriteRule* r = m_desc->writes; r->id >= 0; ++r)
        if (r->id == id)
            rule = r;
    const SettingDef* own = FindSetting(id);
    bool special =
        id == kIdTag || id == kIdModelText || id == kIdSerial || (id == kIdResponseProperty && own);
    if (!rule && !special && !(own && id < 1000 && own->reg >= 0))
        return;

    const uint16_t mode = id == kIdModelText || id == kIdSerial ? CProcessPrivilege::kModeFactory
                                                                : CProcessPrivilege::kModeWrite;
    InProcessMode(mode, comm, [&] { WriteGuarded(comm, id, rule, own); });
}

void CParTypeCommon::WriteGuarded(CCommInterface& comm, int id, const WriteRule* rule,
                                  const SettingDef* own) {
    switch (id) {
    case kIdResponseProperty:
        if (comm.ReadUInt16(9602) > 109)
            WriteEncoded(comm, own->reg, own->encoding, Get(id));
        else if (Get(id) != 0)
            AddWarning(LoadStr(kMsgResponsePropertyStandardOnly));
        return;
    case kIdTag: {
        char16_t buffer[kTagChars] = {};
        std::copy_n(m_tag.begin(), std::min<std::size_t>(m_tag.size(), kTagChars), buffer);
        comm.WriteValues(buffer, kTagChars, 9629, ValueEncoding::Utf16Text);
        return;
    }
    case kIdModelText:
        WriteCodePageText(comm, 20008, 16, m_modelText);
        return;
    case kIdSerial:
        WriteCodePageText(comm, 20000, 8, m_serial);
        return;
    default:
        break;
    }
    if (!rule) {
        WriteEncoded(comm, own->reg, own->encoding, Get(id));
        return;
    }
    for (const int* p = rule->ids; *p >= 0; ++p) {
        const SettingDef* s = FindSetting(*p);
        if (s && s->reg >= 0)
            WriteEncoded(comm, s->reg, s->encoding, Get(*p));
    }
}

void CParTypeCommon::Download(CCommInterface& comm, int group) {
    if (group == kGroupAll && m_desc->tableKind == TableKind::XY) {
        // Checked before anything, the process mode included, is written.
        int points = std::min<int>(Get(kIdXYPoints), kMaxXYPairs);
        for (int i = 1; i < points; ++i) {
            if (!(Get(kIdXYFirst + 2 * (i - 1)) < Get(kIdXYFirst + 2 * i)))
                throw CPrivateException(StrPrintf(LoadStr(kMsgXyOrder).c_str(), i, i - 1));
        }
    }
    InProcessMode(CProcessPrivilege::kModeWrite, comm, [&] { DownloadGuarded(comm, group); });
    if (group == kGroupAll)
        m_stepsDone.value.store(m_stepsTotal);
}

void CParTypeCommon::DownloadGuarded(CCommInterface& comm, int group) {
    if (group == kGroupAll || group == kGroupSettings) {
        for (int i = 0; i < GetParameterCount(kGroupSettings); ++i) {
            WriteParameter(comm, GetParameterId(kGroupSettings, i));
            Step();
        }
    }
    if (group == kGroupAll || group == kGroupAdjust) {
        for (int id : kAdjustIds) {
            const SettingDef* s = FindSetting(id);
            WriteEncoded(comm, s->reg, s->encoding, Get(id));
            Step();
        }
    }
    if (group == kGroupAll || group == kGroupTable) {
        for (const SettingDef* s = m_desc->settings; s->id >= 0; ++s) {
            if (s->id >= kIdXYPoints && s->reg >= 0) {
                WriteEncoded(comm, s->reg, s->encoding, Get(s->id));
                Step();
            }
        }
        int first = FirstPointId();
        for (int k = 0; k < TablePointCount(); k += kBlockValues) {
            int n = std::min(kBlockValues, TablePointCount() - k);
            int32_t block[kBlockValues];
            for (int j = 0; j < n; ++j)
                block[j] = Get(first + k + j);
            comm.WriteValues(block, n, PointRegister(first + k), ValueEncoding::Fixed4);
            Step(n);
        }
    }
}

void CParTypeCommon::Upload(CCommInterface& comm, int group) {
    if (group == kGroupAll || group == kGroupSettings) {
        for (int i = 0; i < GetParameterCount(kGroupSettings); ++i) {
            ReadParameter(comm, GetParameterId(kGroupSettings, i));
            Step();
        }
    }
    if (group == kGroupAll || group == kGroupAdjust) {
        for (int id : kAdjustIds) {
            const SettingDef* s = FindSetting(id);
            Put(id, ReadEncoded(comm, s->reg, s->encoding));
            Step();
        }
    }
    if (group == kGroupAll || group == kGroupTable) {
        for (const SettingDef* s = m_desc->settings; s->id >= 0; ++s) {
            if (s->id >= kIdXYPoints && s->reg >= 0) {
                Put(s->id, ReadEncoded(comm, s->reg, s->encoding));
                Step();
            }
        }
        int first = FirstPointId();
        for (int k = 0; k < TablePointCount(); k += kBlockValues) {
            int n = std::min(kBlockValues, TablePointCount() - k);
            int32_t block[kBlockValues] = {};
            comm.ReadValues(block, n, PointRegister(first + k), ValueEncoding::Fixed4);
            for (int j = 0; j < n; ++j)
                Put(first + k + j, block[j]);
            Step(n);
        }
    }
    if (group == kGroupAll || group == kGroupMonitor) {
        int unit = CModelContext::TempUnit();
        for (const MonitorRead* m = m_desc->monitor; m->reg >= 0; ++m) {
            switch (m->target) {
            case MonitorTarget::Status:
                m_statusWord = comm.ReadInt32(m->reg);
                break;
            case MonitorTarget::InputValue: {
                int32_t v = comm.ReadInt32(m->reg);
                m_inputValue = m_desc->temperatureInput ? CelsiusToDisplay(v, unit) : v;
                break;
            }
            case MonitorTarget::InputPercent:
                m_inputPercent = comm.ReadInt32(m->reg);
                break;
            case MonitorTarget::Output1:
                m_output[0] = comm.ReadInt32(m->reg);
                break;
            case MonitorTarget::Output1Aux:
                m_outputAux[0] = comm.ReadInt32(m->reg);
                break;
            case MonitorTarget::Output2:
                m_output[1] = comm.ReadInt32(m->reg);
                break;
            case MonitorTarget::Output2Aux:
                m_outputAux[1] = comm.ReadInt32(m->reg);
                break;
            case MonitorTarget::SensorValue:
                m_sensorValue = comm.ReadInt32(m->reg);
                break;
            case MonitorTarget::ColdJunction:
                m_coldJunction = CelsiusToDisplay(comm.ReadInt32(m->reg), unit);
                break;
            case MonitorTarget::ProcessMode:
                m_processMode = comm.ReadUInt16(m->reg);
                break;
            case MonitorTarget::Hardware:
                m_hardware = StrPrintf("%.2lf", comm.ReadUInt16(m->reg) / 100.0);
                break;
            case MonitorTarget::Firmware:
                m_firmware = StrPrintf("%.2lf", comm.ReadUInt16(m->reg) / 100.0);
                break;
            case MonitorTarget::Serial:
                m_serial = ReadCodePageText(comm, m->reg, m->count);
                break;
            case MonitorTarget::ModelText:
                m_modelText = ReadCodePageText(comm, m->reg, m->count);
                break;
            case MonitorTarget::CalibDate:
                comm.ReadValues(&m_calibDate, 1, m->reg, ValueEncoding::Date);
                break;
            case MonitorTarget::Tag: {
                char16_t buffer[kTagChars] = {};
                comm.ReadValues(buffer, kTagChars, m->reg, ValueEncoding::Utf16Text);
                m_tag = FixedUtf16(buffer, kTagChars);
                break;
            }
            }
        }
    }
    if (group == kGroupAll)
        m_stepsDone.value.store(m_stepsTotal);
}

int CParTypeCommon::GetProgress() const {
    return static_cast<int>(std::min<long long>(
        100, m_stepsDone.value.load(std::memory_order_relaxed) * 100LL / m_stepsTotal));
}

void CParTypeCommon::ResetProgress() {
    m_stepsDone.value.store(0);
}

// ---- tables ----

std::string CParTypeCommon::GetGroupActionCaption(int group, int flag) const {
    return group == kGroupTable && flag == 0 ? LoadStr(kStrTableFile) : std::string();
}

TemperatureTable CParTypeCommon::GetTemperatureTable() const {
    TemperatureTable table;
    table.start = Get(kIdCustomStart) / 10000.0;
    table.step = Get(kIdCustomStep);
    int points = std::clamp<int>(Get(kIdCustomPoints), 0, kCustomPoints);
    for (int i = 0; i < points; ++i)
        table.values.push_back(Get(kIdCustomFirst + i) / 10000.0);
    return table;
}

XYTable CParTypeCommon::GetXYTable() const {
    XYTable table;
    int points = std::clamp<int>(Get(kIdXYPoints), 0, kMaxXYPairs);
    for (int i = 0; i < points; ++i) {
        table.x.push_back(Get(kIdXYFirst + 2 * i) / 10000.0);
        table.y.push_back(Get(kIdXYFirst + 2 * i + 1) / 10000.0);
    }
    return table;
}

std::string CParTypeCommon::ApplyTemperatureTable(const TemperatureTable& table) {
    int n = static_cast<int>(std::min<std::size_t>(table.values.size(), kCustomPoints));
    Put(kIdCustomPoints, n);
    Put(kIdCustomStart, Round4(table.start));
    Put(kIdCustomStep, table.step);
    std::string message;
    int direction = 0;
    for (int i = 0; i < kCustomPoints; ++i) {
        int32_t v = i < n ? Round4(table.values[static_cast<std::size_t>(i)]) : 0;
        Put(kIdCustomFirst + i, v);
        if (i == 0 || i >= n || !message.empty())
            continue;
        int32_t previous = Get(kIdCustomFirst + i - 1);
        if (i == 1) {
            direction = previous < v ? 1 : (previous > v ? -1 : 0);
            if (direction == 0)
                message = StrPrintf(LoadStr(kMsgTempFileOrder).c_str(), 1);
        } else if ((direction > 0 && !(previous < v)) || (direction < 0 && !(previous > v))) {
            message = StrPrintf(LoadStr(kMsgTempFileOrder).c_str(), i);
        }
    }
    return message;
}

void CParTypeCommon::ApplyXYTable(const XYTable& table) {
    int n = static_cast<int>(std::min({table.x.size(), table.y.size(), std::size_t{kMaxXYPairs}}));
    Put(kIdXYPoints, n);
    for (int i = 0; i < kMaxXYPairs; ++i) {
        Put(kIdXYFirst + 2 * i, i < n ? Round4(table.x[static_cast<std::size_t>(i)]) : 0);
        Put(kIdXYFirst + 2 * i + 1, i < n ? Round4(table.y[static_cast<std::size_t>(i)]) : 0);
    }
}

void CParTypeCommon::RunGroupAction(void* parent, int group, int flag) {
    ITableEditor* editor = GetTableEditor();
    if (group != kGroupTable || flag != 0 || !editor)
        return;
    if (m_desc->tableKind == TableKind::XY) {
        XYTable table = GetXYTable();
        if (editor->EditXYTable(parent, table))
            ApplyXYTable(table);
        return;
    }
    TemperatureTable table = GetTemperatureTable();
    if (editor->EditTemperatureTable(parent, table, CModelContext::TempUnit())) {
        std::string message = ApplyTemperatureTable(table);
        if (!message.empty())
            ShowMessage(message, CPrivateException::Icon::Stop);
    }
}
