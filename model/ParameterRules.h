#pragma once

// The rules a parameter row points to where plain data cannot say it. Each is small and named
// for what it does; output rules take the output (0 or 1) as a template argument.

#include "model/CParTypeCommon.h"
#include "model/ParameterTable.h"
#include "resources/CStringTable.h"

#include <cstdint>
#include <string>

struct ParameterRules {
    // ---- units ----
    template <int StrId> static std::string Unit(const CParTypeCommon&) { return LoadStr(StrId); }
    static std::string Temperature(const CParTypeCommon& set);
    static std::string InputUnit(const CParTypeCommon& set);
    static std::string SensorUnit(const CParTypeCommon& set);
    template <int Output> static std::string OutputUnit(const CParTypeCommon& set);

    // ---- ranges ----
    template <int32_t Low, int32_t High>
    static void Limits(const CParTypeCommon& set, int id, int32_t value) {
        set.CheckRange(value, Low, High, id);
    }
    static void ZeroInput(const CParTypeCommon& set, int id, int32_t value);
    static void FullInput(const CParTypeCommon& set, int id, int32_t value);
    static void FilterTime(const CParTypeCommon& set, int id, int32_t value);
    static void InputFineZero(const CParTypeCommon& set, int id, int32_t value);
    // Within what the output type can drive (0 %, 100 %, burnout value).
    template <int Output>
    static void OutputAbsolute(const CParTypeCommon& set, int id, int32_t value);
    template <int Output>
    static void OutputLowLimit(const CParTypeCommon& set, int id, int32_t value);
    template <int Output>
    static void OutputHighLimit(const CParTypeCommon& set, int id, int32_t value);

    // ---- what a change derives ----
    static void InputTypeDefaults(CParTypeCommon& set, int id);
    template <int Output> static void OutputTypeDefaults(CParTypeCommon& set, int id);
    template <int Output> static void OutputLimits(CParTypeCommon& set, int id);
    template <int Output> static void BurnoutValue(CParTypeCommon& set, int id);

    // ---- kinds ----
    static int Privileged(const CParTypeCommon& set, int kind);
    template <int Output> static int BurnoutValueKind(const CParTypeCommon& set, int kind);
    static int ResponsePropertyKind(const CParTypeCommon& set, int kind);
    static int CoefficientKind(const CParTypeCommon& set, int kind);
    static int CustomHeadKind(const CParTypeCommon& set, int kind);

    // ---- readings, device texts and settings with traffic of their own ----
    static const ValueRules kInputValue;
    static const ValueRules kOutput1Value;
    static const ValueRules kOutput2Value;
    static const ValueRules kStatus;
    static const ValueRules kSensorValue;
    static const ValueRules kColdJunction;
    static const ValueRules kTag;
    static const ValueRules kCalibDate;
    static const ValueRules kModelText;
    static const ValueRules kSerial;
    static const ValueRules kHardware;
    static const ValueRules kFirmware;
    static const ValueRules kResponseProperty;
};
