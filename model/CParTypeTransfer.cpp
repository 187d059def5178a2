#include "comm/CCommInterface.h"
#include "comm/CPrivateException.h"
#include "comm/MessageFormat.h"
#include "model/CModelContext.h"
#include "model/CParTypeCommon.h"
#include "model/CProcessPrivilege.h"
#include "model/ParameterIds.h"
#include "model/RegisterValues.h"
#include "resources/CStringTable.h"
#include "resources/StringIds.h"

#include <algorithm>

// The register traffic of the model interpreter: single parameters, group transfers and the
// monitor reading.

namespace {
constexpr int kMaxXYPairs = 101;
constexpr int kBlockValues = 10; // values per block request of a table
} // namespace

void CParTypeCommon::ReadParameter(CCommInterface& comm, int id) {
    const ParameterRow* row = FindDef(id);
    if (!row)
        return;
    if (row->value && row->value->read)
        return row->value->read(*this, comm);
    // Only the settings of group 0 are read one by one.
    if (row->Stored() && row->group == kGroupSettings)
        Put(id, ReadEncoded(comm, row->reg, row->encoding));
}

void CParTypeCommon::WriteParameter(CCommInterface& comm, int id) {
    const ParameterRow* row = FindDef(id);
    if (!row)
        return;
    bool own = row->value && row->value->write;
    if (!own && !row->writes && !(row->Stored() && row->group == kGroupSettings))
        return;
    const uint16_t mode = own ? row->value->writeMode : CProcessPrivilege::kModeWrite;
    InProcessMode(mode, comm, [&] { WriteGuarded(comm, *row); });
}

void CParTypeCommon::WriteGuarded(CCommInterface& comm, const ParameterRow& row) {
    if (row.value && row.value->write)
        return row.value->write(*this, comm);
    if (!row.writes)
        return WriteEncoded(comm, row.reg, row.encoding, Get(row.id));
    for (const int* p = row.writes; *p >= 0; ++p)
        if (const ParameterRow* s = FindSetting(*p))
            WriteEncoded(comm, s->reg, s->encoding, Get(*p));
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
    TransferGroups(comm, group, true);
}

void CParTypeCommon::Upload(CCommInterface& comm, int group) {
    TransferGroups(comm, group, false);
    if (group == kGroupAll || group == kGroupMonitor) {
        for (int i = 0; i < m_desc->monitorCount; ++i)
            ReadMonitor(comm, m_desc->monitor[i]);
    }
    if (group == kGroupAll)
        m_stepsDone.value.store(m_stepsTotal);
}

// Groups 0 to 2 of a transfer: the settings one by one as a single edit would go, then the fine
// adjustments and the linearizer table in table order, the table points in blocks.
void CParTypeCommon::TransferGroups(CCommInterface& comm, int group, bool write) {
    if (group == kGroupAll || group == kGroupSettings) {
        for (int i = 0; i < GetParameterCount(kGroupSettings); ++i) {
            const int id = GetParameterId(kGroupSettings, i);
            if (write)
                WriteParameter(comm, id);
            else
                ReadParameter(comm, id);
            Step();
        }
    }
    for (int g : {kGroupAdjust, kGroupTable}) {
        if (group != kGroupAll && group != g)
            continue;
        ForEachStored(g, [&](const ParameterRow& row) {
            if (write)
                WriteEncoded(comm, row.reg, row.encoding, Get(row.id));
            else
                Put(row.id, ReadEncoded(comm, row.reg, row.encoding));
            Step();
        });
    }
    if (group != kGroupAll && group != kGroupTable)
        return;
    int first = FirstPointId();
    for (int k = 0; k < TablePointCount(); k += kBlockValues) {
        int n = std::min(kBlockValues, TablePointCount() - k);
        int32_t block[kBlockValues] = {};
        if (write) {
            for (int j = 0; j < n; ++j)
                block[j] = Get(first + k + j);
            comm.WriteValues(block, n, PointRegister(first + k), ValueEncoding::Fixed4);
        } else {
            comm.ReadValues(block, n, PointRegister(first + k), ValueEncoding::Fixed4);
            for (int j = 0; j < n; ++j)
                Put(first + k + j, block[j]);
        }
        Step(n);
    }
}

void CParTypeCommon::ReadSerialNumber(CCommInterface& comm) {
    for (int i = 0; i < m_desc->monitorCount; ++i)
        if (m_desc->monitor[i].target == MonitorTarget::Serial)
            ReadMonitor(comm, m_desc->monitor[i]);
}

void CParTypeCommon::ReadMonitor(CCommInterface& comm, const MonitorRead& m) {
    const int unit = CModelContext::TempUnit();
    switch (m.target) {
    case MonitorTarget::Status:
        m_statusWord = comm.ReadInt32(m.reg);
        break;
    case MonitorTarget::InputValue: {
        int32_t v = comm.ReadInt32(m.reg);
        m_inputValue = m_desc->temperatureInput ? CelsiusToDisplay(v, unit) : v;
        break;
    }
    case MonitorTarget::InputPercent:
        m_inputPercent = comm.ReadInt32(m.reg);
        break;
    case MonitorTarget::Output1:
        m_output[0] = comm.ReadInt32(m.reg);
        break;
    case MonitorTarget::Output1Aux:
        m_outputAux[0] = comm.ReadInt32(m.reg);
        break;
    case MonitorTarget::Output2:
        m_output[1] = comm.ReadInt32(m.reg);
        break;
    case MonitorTarget::Output2Aux:
        m_outputAux[1] = comm.ReadInt32(m.reg);
        break;
    case MonitorTarget::SensorValue:
        m_sensorValue = comm.ReadInt32(m.reg);
        break;
    case MonitorTarget::ColdJunction:
        m_coldJunction = CelsiusToDisplay(comm.ReadInt32(m.reg), unit);
        break;
    case MonitorTarget::ProcessMode:
        m_processMode = comm.ReadUInt16(m.reg);
        break;
    case MonitorTarget::Hardware:
        m_hardware = StrPrintf("%.2lf", comm.ReadUInt16(m.reg) / 100.0);
        break;
    case MonitorTarget::Firmware:
        m_firmware = StrPrintf("%.2lf", comm.ReadUInt16(m.reg) / 100.0);
        break;
    case MonitorTarget::Serial:
        m_serial = ReadCodePageText(comm, m.reg, m.count);
        break;
    case MonitorTarget::ModelText:
        m_modelText = ReadCodePageText(comm, m.reg, m.count);
        break;
    case MonitorTarget::CalibDate:
        comm.ReadValues(&m_calibDate, 1, m.reg, ValueEncoding::Date);
        break;
    case MonitorTarget::Tag:
        m_tag = ReadTag(comm, m.reg);
        break;
    }
}

int CParTypeCommon::GetProgress() const {
    return static_cast<int>(std::min<long long>(
        100, m_stepsDone.value.load(std::memory_order_relaxed) * 100LL / m_stepsTotal));
}

void CParTypeCommon::ResetProgress() {
    m_stepsDone.value.store(0);
}
