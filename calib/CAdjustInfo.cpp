#include "calib/CAdjustInfo.h"

#include "calib/CCalibInfo.h"
#include "comm/CCommInterface.h"
#include "model/CParBase.h"
#include "model/CProcessPrivilege.h"
#include "model/ParameterIds.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <mutex>

namespace {
// The records hold two channels of each kind.
int Channels(int32_t count) {
    return std::clamp(count, 0, 2);
}
} // namespace

int32_t CAdjustInfo::ToDevice(double value) {
    double scaled = value * 10000.0;
    scaled = scaled >= 0 ? scaled + 0.5 : scaled - 0.5;
    if (!(scaled > static_cast<double>(std::numeric_limits<int32_t>::min()) - 1.0 &&
          scaled < static_cast<double>(std::numeric_limits<int32_t>::max()) + 1.0))
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(std::trunc(scaled));
}

void CAdjustInfo::Read(CCommInterface& comm, const CParBase& set) {
    inputCount = set.GetInputCount();
    outputCount = set.GetOutputCount();
    for (int i = 0; i < Channels(inputCount); ++i) {
        int32_t pair[2] = {};
        comm.ReadValues(pair, 2, kRegInputAdjust + 200 * i, ValueEncoding::Fixed4);
        inputZero[i] = pair[0] / 10000.0;
        inputSpan[i] = pair[1] / 10000.0;
        set.GetInputZeroAdjustRange(inputZeroMin[i], inputZeroMax[i]);
        inputUnit[i] = set.GetSensorUnitText();
        inputValid = true;
    }
    if (inputCount <= 0 && outputCount <= 0) {
        ioPresent = false;
        return;
    }
    ioPresent = true;
    for (int j = 0; j < Channels(outputCount); ++j) {
        int32_t pair[2] = {};
        comm.ReadValues(pair, 2, kRegOutputAdjust + 200 * j, ValueEncoding::Fixed4);
        outputZero[j] = pair[0] / 10000.0;
        outputSpan[j] = pair[1] / 10000.0;
    }
}

void CAdjustInfo::PutInto(CParBase& set) const {
    const std::pair<int, double> values[] = {
        {kIdInputFineZero, inputZero[0]},    {kIdInputFineSpan, inputSpan[0]},
        {kIdOutput1FineZero, outputZero[0]}, {kIdOutput1FineSpan, outputSpan[0]},
        {kIdOutput2FineZero, outputZero[1]}, {kIdOutput2FineSpan, outputSpan[1]}};
    for (auto [id, value] : values)
        if (set.FindRow(id) >= 0)
            set.SetValue(id, ToDevice(value), false);
}

void CAdjustInfo::Write(CCommInterface& comm) const {
    std::lock_guard lock(comm.Lock());
    InProcessMode(CProcessPrivilege::kModeWrite, comm, [&] {
        for (int i = 0; i < Channels(inputCount); ++i) {
            int32_t pair[2] = {ToDevice(inputZero[i]), ToDevice(inputSpan[i])};
            comm.WriteValues(pair, 2, kRegInputAdjust + 200 * i, ValueEncoding::Fixed4);
        }
        if (!ioPresent)
            return;
        for (int j = 0; j < Channels(outputCount); ++j) {
            int32_t pair[2] = {ToDevice(outputZero[j]), ToDevice(outputSpan[j])};
            comm.WriteValues(pair, 2, kRegOutputAdjust + 200 * j, ValueEncoding::Fixed4);
        }
    });
}
