#include "calib/CCalibInfo.h"

#include "comm/CCommInterface.h"
#include "model/CParBase.h"
#include "model/CProcessPrivilege.h"

#include <mutex>

void CCalibInfo::Read(CCommInterface& comm, const CParBase& set) {
    statusWord = set.GetStatusWord();
    inputCount = set.GetInputCount();
    outputCount = set.GetOutputCount();
    if (inputCount <= 0 && outputCount <= 0) {
        ioPresent = false;
        return;
    }
    ioPresent = true;
    processMode = comm.ReadUInt16(kRegProcessMode);
    int32_t work[4] = {};
    comm.ReadValues(work, 4, kRegCalibReference, ValueEncoding::Fixed4);
    refZeroRaw = work[0];
    refFullRaw = work[1];
    capturedZeroRaw = work[2];
    capturedFullRaw = work[3];
    if (processMode >= 11 && processMode <= 20) {
        set.GetSensorRange(refZeroModel, refFullModel);
    } else {
        // Outside output calibration the pair is not used; the model is never asked for an
        // output it does not have.
        int output = processMode - 21;
        if (output < 0 || output >= outputCount)
            output = 0;
        set.GetOutputNominalRange(output, refZeroModel, refFullModel);
    }
}

int32_t CalibratedDateValue(const std::tm& local) {
    return (local.tm_year + 1900) * 65536 + (local.tm_mon + 1) * 256 + local.tm_mday;
}

void WriteCalibratedDate(CCommInterface& comm) {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    int32_t value = CalibratedDateValue(local);
    std::lock_guard lock(comm.Lock());
    InProcessMode(CProcessPrivilege::kModeWrite, comm,
                  [&] { comm.WriteValues(&value, 1, kRegCalibratedDate, ValueEncoding::Date); });
}
