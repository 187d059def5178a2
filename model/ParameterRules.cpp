#include "model/ParameterRules.h"

#include "comm/CCommInterface.h"
#include "comm/CPrivateException.h"
#include "comm/MessageFormat.h"
#include "model/CModelContext.h"
#include "model/CParTypeCommon.h"
#include "model/CProcessPrivilege.h"
#include "model/ParameterIds.h"
#include "model/RegisterValues.h"
#include "model/TextCodec.h"
#include "resources/StringIds.h"

#include <algorithm>

namespace {
constexpr int kModelTextBytes = 32;
constexpr int kSerialBytes = 16;
constexpr int kFirmwareWithResponseProperty = 110; // 1.10
} // namespace

// ---- units ----

std::string ParameterRules::Temperature(const CParTypeCommon&) {
    return LoadStr(kStrUnitTemperatureBase + CModelContext::TempUnit());
}

std::string ParameterRules::InputUnit(const CParTypeCommon& set) {
    return set.GetInputUnitText();
}

std::string ParameterRules::SensorUnit(const CParTypeCommon& set) {
    return set.GetSensorUnitText();
}

template <int Output> std::string ParameterRules::OutputUnit(const CParTypeCommon& set) {
    return set.GetOutputUnitText(Output);
}

// ---- ranges ----

void ParameterRules::ZeroInput(const CParTypeCommon& set, int id, int32_t value) {
    InputTypeRange in = set.InputRange(set.Get(kIdInputType));
    set.CheckRange(value, in.settingMin, set.Get(kIdFullInput) - in.minimumSpan, id);
}

void ParameterRules::FullInput(const CParTypeCommon& set, int id, int32_t value) {
    InputTypeRange in = set.InputRange(set.Get(kIdInputType));
    set.CheckRange(value, set.Get(kIdZeroInput) + in.minimumSpan, in.settingMax, id);
}

void ParameterRules::FilterTime(const CParTypeCommon&, int, int32_t value) {
    // Off, or 0.5 s to 30 s.
    if (!(value == 0 || (value >= 5000 && value <= 300000)))
        throw CPrivateException::FromId(kMsgFilterTimeConstant);
}

void ParameterRules::InputFineZero(const CParTypeCommon& set, int id, int32_t value) {
    double low = 0, high = 0;
    set.GetInputZeroAdjustRange(low, high);
    set.CheckRange(value, CParBase::RoundFixed4(low), CParBase::RoundFixed4(high), id);
}

template <int Output>
void ParameterRules::OutputAbsolute(const CParTypeCommon& set, int id, int32_t value) {
    auto out = CParTypeCommon::OutputRange(set.Get(OutputId(Output, 0)));
    set.CheckRange(value, out.absoluteMin, out.absoluteMax, id);
}

template <int Output>
void ParameterRules::OutputLowLimit(const CParTypeCommon& set, int id, int32_t value) {
    auto out = CParTypeCommon::OutputRange(set.Get(OutputId(Output, 0)));
    set.CheckRange(value, std::max(set.OutputPoint(Output, -150000), out.absoluteMin),
                   std::min(set.Get(OutputId(Output, 1)), set.Get(OutputId(Output, 2))), id);
}

template <int Output>
void ParameterRules::OutputHighLimit(const CParTypeCommon& set, int id, int32_t value) {
    auto out = CParTypeCommon::OutputRange(set.Get(OutputId(Output, 0)));
    set.CheckRange(value, std::max(set.Get(OutputId(Output, 1)), set.Get(OutputId(Output, 2))),
                   std::min(set.OutputPoint(Output, 1150000), out.absoluteMax), id);
}

// ---- what a change derives ----

void ParameterRules::InputTypeDefaults(CParTypeCommon& set, int) {
    InputTypeRange r = set.InputRange(set.Get(kIdInputType));
    set.Put(kIdZeroInput, r.defaultMin);
    set.Put(kIdFullInput, r.defaultMax);
}

template <int Output> void ParameterRules::OutputTypeDefaults(CParTypeCommon& set, int) {
    auto r = CParTypeCommon::OutputRange(set.Get(OutputId(Output, 0)));
    set.Put(OutputId(Output, 1), r.nominalMin);
    set.Put(OutputId(Output, 2), r.nominalMax);
    set.DeriveOutputLimits(Output, true);
}

template <int Output> void ParameterRules::OutputLimits(CParTypeCommon& set, int) {
    set.DeriveOutputLimits(Output, false);
}

template <int Output> void ParameterRules::BurnoutValue(CParTypeCommon& set, int id) {
    auto out = CParTypeCommon::OutputRange(set.Get(OutputId(Output, 0)));
    int valueId = Output == 0 ? kIdBurnoutValue1 : kIdBurnoutValue2;
    if (set.Get(id) == 1)
        set.Put(valueId, std::max(set.OutputPoint(Output, -150000), out.absoluteMin));
    else if (set.Get(id) == 2)
        set.Put(valueId, std::min(set.OutputPoint(Output, 1150000), out.absoluteMax));
}

// ---- kinds ----

int ParameterRules::Privileged(const CParTypeCommon&, int kind) {
    return CModelContext::Privileged() ? kind : kKindReadOnly;
}

template <int Output> int ParameterRules::BurnoutValueKind(const CParTypeCommon& set, int kind) {
    // Edited only with the burnout choice "set value".
    return set.Get(Output == 0 ? kIdBurnout1 : kIdBurnout2) == 3 ? kind : kKindReadOnly;
}

int ParameterRules::ResponsePropertyKind(const CParTypeCommon& set, int kind) {
    return set.IsOnline() && !set.m_responseSupported ? kKindReadOnly : kind;
}

int ParameterRules::CoefficientKind(const CParTypeCommon& set, int) {
    return set.Get(kIdCustomType) == 1 ? kKindText : kKindReadOnly;
}

int ParameterRules::CustomHeadKind(const CParTypeCommon& set, int) {
    return set.Get(kIdCustomType) == 1 ? kKindReadOnly : kKindText;
}

// ---- readings, device texts and settings with traffic of their own ----

namespace {
using Set = CParTypeCommon;

std::string OutputText(const Set& set, int o, int32_t value) {
    int32_t zero = set.GetValue(OutputId(o, 1));
    int32_t full = set.GetValue(OutputId(o, 2));
    double percent =
        full == zero ? 0.0 : (value - static_cast<double>(zero)) / (full - zero) * 100.0;
    return StrPrintf("%.4lf%s, %.4lf%%", value / 10000.0, set.GetOutputUnitText(o).c_str(),
                     percent);
}
} // namespace

const ValueRules ParameterRules::kInputValue = {
    [](const Set& set) { return set.m_inputValue; },
    [](const Set& set) {
        return StrPrintf("%.4lf%s, %.4lf%%", set.m_inputValue / 10000.0,
                         set.GetInputUnitText().c_str(), set.m_inputPercent / 10000.0);
    },
    nullptr,
    nullptr,
    nullptr,
    0};

const ValueRules ParameterRules::kOutput1Value = {
    [](const Set& set) { return set.m_output[0]; },
    [](const Set& set) { return OutputText(set, 0, set.m_output[0]); },
    nullptr,
    nullptr,
    nullptr,
    0};

const ValueRules ParameterRules::kOutput2Value = {
    [](const Set& set) { return set.m_output[1]; },
    [](const Set& set) { return OutputText(set, 1, set.m_output[1]); },
    nullptr,
    nullptr,
    nullptr,
    0};

const ValueRules ParameterRules::kStatus = {[](const Set& set) { return set.m_statusWord; },
                                            [](const Set& set) {
                                                std::string text;
                                                auto add = [&text](int strId) {
                                                    if (!text.empty())
                                                        text += ", ";
                                                    text += LoadStr(strId);
                                                };
                                                if (set.m_statusWord & 0x2)
                                                    add(kStrStatusRangeOver);
                                                if (set.m_statusWord & 0x1)
                                                    add(kStrStatusOutputLimit);
                                                if (set.m_statusWord & 0x10)
                                                    add(kStrStatusBurnout);
                                                if (text.empty())
                                                    text = LoadStr(kStrStatusNormal);
                                                if (set.m_processMode == 2)
                                                    text += ", " + LoadStr(kStrStatusFixedOut);
                                                return text;
                                            },
                                            nullptr,
                                            nullptr,
                                            nullptr,
                                            0};

const ValueRules ParameterRules::kSensorValue = {
    [](const Set& set) { return set.m_sensorValue; },
    [](const Set& set) { return CParBase::Fixed4Text(set.m_sensorValue); },
    nullptr,
    nullptr,
    nullptr,
    0};

const ValueRules ParameterRules::kColdJunction = {
    [](const Set& set) { return set.m_coldJunction; },
    [](const Set& set) { return CParBase::Fixed4Text(set.m_coldJunction); },
    nullptr,
    nullptr,
    nullptr,
    0};

const ValueRules ParameterRules::kTag = {
    nullptr,
    [](const Set& set) { return Utf16ToUtf8(set.m_tag); },
    [](Set& set, const std::string& text, bool check) {
        std::u16string tag = Utf8ToUtf16(text);
        if (check && tag.size() > kTagChars)
            throw CPrivateException::FromId(kMsgTagTooLong);
        if (tag.size() > kTagChars)
            tag.resize(kTagChars);
        set.m_tag = tag;
    },
    [](Set& set, CCommInterface& comm) { set.m_tag = ReadTag(comm, 9629); },
    [](Set& set, CCommInterface& comm) { WriteTag(comm, 9629, set.m_tag); },
    CProcessPrivilege::kModeWrite};

const ValueRules ParameterRules::kCalibDate = {
    [](const Set& set) { return set.m_calibDate; },
    [](const Set& set) { return CParBase::DateText(set.m_calibDate); },
    nullptr,
    nullptr,
    nullptr,
    0};

const ValueRules ParameterRules::kModelText = {
    nullptr,
    [](const Set& set) { return set.m_modelText; },
    [](Set& set, const std::string& text, bool) {
        set.m_modelText = CutUtf8(text, kModelTextBytes);
    },
    [](Set& set, CCommInterface& comm) { set.m_modelText = ReadCodePageText(comm, 20008, 16); },
    [](Set& set, CCommInterface& comm) { WriteCodePageText(comm, 20008, 16, set.m_modelText); },
    CProcessPrivilege::kModeFactory};

const ValueRules ParameterRules::kSerial = {
    nullptr,
    [](const Set& set) { return set.m_serial; },
    [](Set& set, const std::string& text, bool) { set.m_serial = CutUtf8(text, kSerialBytes); },
    [](Set& set, CCommInterface& comm) { set.m_serial = ReadCodePageText(comm, 20000, 8); },
    [](Set& set, CCommInterface& comm) { WriteCodePageText(comm, 20000, 8, set.m_serial); },
    CProcessPrivilege::kModeFactory};

const ValueRules ParameterRules::kHardware = {
    nullptr, [](const Set& set) { return set.m_hardware; }, nullptr, nullptr, nullptr, 0};

const ValueRules ParameterRules::kFirmware = {
    nullptr, [](const Set& set) { return set.m_firmware; }, nullptr, nullptr, nullptr, 0};

// The response property exists from firmware 1.10 on: older devices read as standard, and a
// value other than standard is not written but reported.
const ValueRules ParameterRules::kResponseProperty = {
    nullptr,
    nullptr,
    nullptr,
    [](Set& set, CCommInterface& comm) {
        const ParameterRow* row = set.FindSetting(kIdResponseProperty);
        if (comm.ReadUInt16(9602) < kFirmwareWithResponseProperty) {
            set.Put(kIdResponseProperty, 0);
            set.m_responseSupported = false;
            return;
        }
        set.Put(kIdResponseProperty, comm.ReadUInt16(row->reg));
        set.m_responseSupported = true;
    },
    [](Set& set, CCommInterface& comm) {
        const ParameterRow* row = set.FindSetting(kIdResponseProperty);
        if (comm.ReadUInt16(9602) >= kFirmwareWithResponseProperty)
            WriteEncoded(comm, row->reg, row->encoding, set.Get(kIdResponseProperty));
        else if (set.Get(kIdResponseProperty) != 0)
            set.AddWarning(LoadStr(kMsgResponsePropertyStandardOnly));
    },
    CProcessPrivilege::kModeWrite};

template std::string ParameterRules::OutputUnit<0>(const CParTypeCommon&);
template std::string ParameterRules::OutputUnit<1>(const CParTypeCommon&);
template void ParameterRules::OutputAbsolute<0>(const CParTypeCommon&, int, int32_t);
template void ParameterRules::OutputAbsolute<1>(const CParTypeCommon&, int, int32_t);
template void ParameterRules::OutputLowLimit<0>(const CParTypeCommon&, int, int32_t);
template void ParameterRules::OutputLowLimit<1>(const CParTypeCommon&, int, int32_t);
template void ParameterRules::OutputHighLimit<0>(const CParTypeCommon&, int, int32_t);
template void ParameterRules::OutputHighLimit<1>(const CParTypeCommon&, int, int32_t);
template void ParameterRules::OutputTypeDefaults<0>(CParTypeCommon&, int);
template void ParameterRules::OutputTypeDefaults<1>(CParTypeCommon&, int);
template void ParameterRules::OutputLimits<0>(CParTypeCommon&, int);
template void ParameterRules::OutputLimits<1>(CParTypeCommon&, int);
template void ParameterRules::BurnoutValue<0>(CParTypeCommon&, int);
template void ParameterRules::BurnoutValue<1>(CParTypeCommon&, int);
template int ParameterRules::BurnoutValueKind<0>(const CParTypeCommon&, int);
template int ParameterRules::BurnoutValueKind<1>(const CParTypeCommon&, int);
