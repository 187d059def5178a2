#include "calib/CalibrationSequences.h"

#include "calib/CCalibInfo.h"
#include "comm/CCommInterface.h"
#include "comm/MessageFormat.h"
#include "model/CParBase.h"
#include "model/CProcessPrivilege.h"
#include "model/ParameterIds.h"
#include "resources/CStringTable.h"
#include "resources/CaptionIds.h"
#include "resources/ParameterNameIds.h"

#include <mutex>

namespace {
constexpr int kFactoryTypeStride = 6;     // registers per type in the factory tables
constexpr int kFactoryOutputStride = 100; // registers per output in the output table
constexpr int kChannelStride = 200;       // range registers per input or output
constexpr int kLiveStride = 4;            // live value registers per input or output
constexpr int kFactoryGains[] = {1, 2, 4, 8, 16, 32, 64};

// 901-908 of "Start Calib.": reference pair cleared, captured pair seeded with the range ends.
void SeedCalibration(CCommInterface& comm, int rangeAddress, uint16_t mode) {
    int32_t range[2] = {};
    comm.ReadValues(range, 2, rangeAddress, ValueEncoding::Fixed4);
    int32_t work[4] = {0, 0, range[0], range[1]};
    comm.WriteValues(work, 4, kRegCalibReference, ValueEncoding::Fixed4);
    comm.WriteUInt16(kRegProcessMode, mode);
}

void Capture(CCommInterface& comm, int liveAddress, CalibPoint point) {
    int32_t value = comm.ReadInt32(liveAddress);
    comm.WriteInt32(point == CalibPoint::Zero ? kRegCapturedZero : kRegCapturedFull, value);
}

int FactoryOutputBase(int output, int t) {
    return kRegFactoryOutputTable + kFactoryOutputStride * output + kFactoryTypeStride * t;
}
} // namespace

bool IsInputCalibrationMode(uint16_t processMode) {
    return processMode >= 11 && processMode <= 20;
}

bool IsOutputCalibrationMode(uint16_t processMode) {
    return processMode >= 21 && processMode <= 30;
}

void StartInputCalibration(CCommInterface& comm, int input) {
    std::lock_guard lock(comm.Lock());
    SeedCalibration(comm, kRegInputRange + kChannelStride * input,
                    static_cast<uint16_t>(kModeInputCalibration + input));
}

void StartOutputCalibration(CCommInterface& comm, int output) {
    std::lock_guard lock(comm.Lock());
    SeedCalibration(comm, kRegOutputRange + kChannelStride * output,
                    static_cast<uint16_t>(kModeOutputCalibration + output));
}

void CaptureInputPoint(CCommInterface& comm, int input, CalibPoint point) {
    std::lock_guard lock(comm.Lock());
    Capture(comm, kRegInputValue + kLiveStride * input, point);
}

void CaptureOutputPoint(CCommInterface& comm, int output, CalibPoint point) {
    std::lock_guard lock(comm.Lock());
    Capture(comm, kRegOutputValue + kLiveStride * output, point);
}

std::pair<int32_t, int32_t> ReadCapturedPair(CCommInterface& comm) {
    std::lock_guard lock(comm.Lock());
    int32_t captured[2] = {};
    comm.ReadValues(captured, 2, kRegCapturedZero, ValueEncoding::Fixed4);
    return {captured[0], captured[1]};
}

void SetInputCalibration(CCommInterface& comm, int input) {
    std::lock_guard lock(comm.Lock());
    uint16_t captured[4] = {};
    comm.ReadValues(captured, 4, kRegCapturedZero, ValueEncoding::UInt16);
    comm.WriteUInt16(kRegProcessMode, kModeNormal);
    InProcessMode(CProcessPrivilege::kModeWrite, comm, [&] {
        comm.WriteValues(captured, 4, kRegInputRange + kChannelStride * input,
                         ValueEncoding::UInt16);
        WriteCalibratedDate(comm);
    });
}

void SetOutputCalibration(CCommInterface& comm, CParBase& set, int output) {
    std::lock_guard lock(comm.Lock());
    int32_t captured[2] = {};
    comm.ReadValues(captured, 2, kRegCapturedZero, ValueEncoding::Fixed4);
    comm.WriteUInt16(kRegProcessMode, kModeNormal);
    int zeroId = OutputId(output, 1);
    int fullId = OutputId(output, 2);
    // The captured ends may lie outside what an edit would accept: they are what the device
    // measured, so they go in unchecked.
    set.SetValue(zeroId, captured[0], false);
    set.SetValue(fullId, captured[1], false);
    set.WriteParameter(comm, zeroId);
    set.WriteParameter(comm, fullId);
    WriteCalibratedDate(comm);
}

bool WriteReferencesIfUnset(CCommInterface& comm, const CCalibInfo& info, bool cycleActive) {
    if (!cycleActive || info.refZeroRaw != 0 || info.refFullRaw != 0)
        return false;
    std::lock_guard lock(comm.Lock());
    int32_t reference[2] = {info.refZeroModel, info.refFullModel};
    comm.WriteValues(reference, 2, kRegCalibReference, ValueEncoding::Fixed4);
    return true;
}

std::vector<std::string> FactoryInputTypeTexts(int typeCode) {
    std::vector<std::string> texts{LoadStr(kStrChoicePrompt)};
    if (FactoryInputUsesGain(typeCode)) {
        std::string format = LoadStr(kCapFactoryGain);
        for (int gain : kFactoryGains)
            texts.push_back(StrPrintf(format.c_str(), gain));
    } else {
        for (int k = 0; k < 3; ++k)
            texts.push_back(LoadStr(kStrChoiceDcInputType + k));
    }
    return texts;
}

std::vector<std::string> FactoryOutputTypeTexts() {
    std::vector<std::string> texts{LoadStr(kStrChoicePrompt)};
    for (int k = 0; k < 3; ++k)
        texts.push_back(LoadStr(kStrChoiceOutputType + k));
    return texts;
}

bool FactoryInputUsesGain(int typeCode) {
    return typeCode == 9;
}

bool FactoryOutputHasSelector(int typeCode) {
    // Every two-output model: the type codes of the single-output variants are even.
    return typeCode >= 9 && typeCode <= 16 && typeCode % 2 == 1;
}

void ReadFactoryReferences(CCommInterface& comm, int32_t& resistance, int32_t& voltage) {
    std::lock_guard lock(comm.Lock());
    int32_t values[2] = {};
    comm.ReadValues(values, 2, kRegFactoryResistance, ValueEncoding::Fixed4);
    resistance = values[0];
    voltage = values[1];
}

int32_t WriteFactoryReference(CCommInterface& comm, int address, int32_t value) {
    std::lock_guard lock(comm.Lock());
    comm.WriteInt32(address, value);
    return comm.ReadInt32(address);
}

FactoryTypeValues SelectFactoryInputType(CCommInterface& comm, int typeCode, int t) {
    std::lock_guard lock(comm.Lock());
    if (FactoryInputUsesGain(typeCode)) {
        auto gain = static_cast<int16_t>(t);
        comm.WriteValues(&gain, 1, kRegFactoryGain, ValueEncoding::Int16);
    }
    int base = kRegFactoryInputTable + kFactoryTypeStride * t;
    FactoryTypeValues values;
    uint16_t counts[2] = {};
    comm.ReadValues(counts, 2, base, ValueEncoding::UInt16);
    int32_t measured[2] = {};
    comm.ReadValues(measured, 2, base + 2, ValueEncoding::Fixed4);
    values.zeroCount = counts[0];
    values.fullCount = counts[1];
    values.zeroMeasured = measured[0];
    values.fullMeasured = measured[1];
    return values;
}

FactoryPointValues StoreFactoryInputPoint(CCommInterface& comm, int t, CalibPoint point,
                                          int32_t measured) {
    std::lock_guard lock(comm.Lock());
    int base = kRegFactoryInputTable + kFactoryTypeStride * t;
    int countAddress = base + (point == CalibPoint::Zero ? 0 : 1);
    int measuredAddress = base + (point == CalibPoint::Zero ? 2 : 4);
    uint16_t ad = comm.ReadUInt16(kRegFactoryAdCount);
    comm.WriteUInt16(countAddress, ad);
    comm.WriteInt32(measuredAddress, measured);
    FactoryPointValues stored;
    stored.count = comm.ReadUInt16(countAddress);
    stored.measured = comm.ReadInt32(measuredAddress);
    return stored;
}

void ReleaseFactoryGain(CCommInterface& comm) {
    std::lock_guard lock(comm.Lock());
    int16_t released = -1;
    comm.WriteValues(&released, 1, kRegFactoryGain, ValueEncoding::Int16);
}

FactoryTypeValues ReadFactoryOutputType(CCommInterface& comm, int output, int t) {
    std::lock_guard lock(comm.Lock());
    int base = FactoryOutputBase(output, t);
    FactoryTypeValues values;
    values.zeroCount = comm.ReadUInt16(base);
    values.zeroMeasured = comm.ReadInt32(base + 2);
    values.fullCount = comm.ReadUInt16(base + 1);
    values.fullMeasured = comm.ReadInt32(base + 4);
    return values;
}

void ForceFactoryOutput(CCommInterface& comm, int output, uint16_t da) {
    std::lock_guard lock(comm.Lock());
    comm.WriteUInt16(kRegFactoryForcedDa + output, da);
}

FactoryPointValues StoreFactoryOutputPoint(CCommInterface& comm, int output, int t,
                                           CalibPoint point, int32_t measured) {
    std::lock_guard lock(comm.Lock());
    int base = FactoryOutputBase(output, t);
    int countAddress = base + (point == CalibPoint::Zero ? 0 : 1);
    int measuredAddress = base + (point == CalibPoint::Zero ? 2 : 4);
    uint16_t da = comm.ReadUInt16(kRegFactoryForcedDa + output);
    comm.WriteUInt16(countAddress, da);
    comm.WriteInt32(measuredAddress, measured);
    FactoryPointValues stored;
    stored.count = comm.ReadUInt16(countAddress);
    stored.measured = comm.ReadInt32(measuredAddress);
    return stored;
}

void ReleaseFactoryOutputs(CCommInterface& comm) {
    std::lock_guard lock(comm.Lock());
    uint16_t released[2] = {0, 0};
    comm.WriteValues(released, 2, kRegFactoryForcedDa, ValueEncoding::UInt16);
}

void WriteProcessMode(CCommInterface& comm, uint16_t mode) {
    std::lock_guard lock(comm.Lock());
    comm.WriteUInt16(kRegProcessMode, mode);
}

void WriteLoopTestOutput(CCommInterface& comm, const CParBase& set, int output, int32_t value) {
    set.CheckOutputValue(output, value);
    std::lock_guard lock(comm.Lock());
    comm.WriteInt32(kRegOutputValue + kLiveStride * output, value);
}
