#include "device/CDeviceInterface.h"

#include "comm/CCommInterface.h"
#include "comm/CPrivateException.h"
#include "model/ParameterIds.h"
#include "resources/CStringTable.h"
#include "resources/StringIds.h"

#include <chrono>
#include <thread>

namespace {
struct ModelRow {
    int modelNumber;
    int typeCode;
};

constexpr ModelRow kModelTable[] = {
    {1001, 9}, {1002, 10}, {1011, 11}, {1012, 12}, {1021, 13}, {1022, 14}, {1031, 15}, {1032, 16},
};

void IdleWait() {
    std::this_thread::sleep_for(std::chrono::milliseconds(CDeviceInterface::kIdleWaitMs));
}
} // namespace

// The device type is declared after the set, so the set is made in the body.
CDeviceInterface::CDeviceInterface() {
    m_set.reset(m_deviceType.Current()->Clone());
}

CDeviceInterface::~CDeviceInterface() = default;

int CDeviceInterface::TypeCodeOfModel(int modelNumber) {
    for (const ModelRow& row : kModelTable)
        if (row.modelNumber == modelNumber)
            return row.typeCode;
    return 0;
}

void CDeviceInterface::ReplaceSet(const CParBase& with) {
    std::unique_ptr<CParBase> next(with.Clone());
    std::lock_guard lock(m_setMutex);
    m_set = std::move(next);
}

int CDeviceInterface::Progress() const {
    std::lock_guard lock(m_setMutex);
    return m_set->GetProgress();
}

void CDeviceInterface::Poll() {
    if (m_comm == nullptr || !m_comm->IsConnected()) {
        IdleWait();
        m_valid = false;
        return;
    }
    CCommInterface& comm = *m_comm;
    std::lock_guard lock(comm.Lock());
    CCancelScope cancel(comm, m_cancelFlag);
    bool supported = false;
    try {
        int code = TypeCodeOfModel(comm.ReadUInt16(kRegModelNumber));
        // A model of the table whose class the registry does not provide counts as unknown.
        CParBase* typeSet = code != 0 ? m_deviceType.CreateParameterSet(code) : nullptr;
        supported = typeSet != nullptr && typeSet->TypeCode() == code;
        if (supported) {
            if (typeSet->TypeCode() != m_set->TypeCode())
                ReplaceSet(*typeSet);
            m_set->SetOnline(true);
            m_set->Upload(comm, kGroupSettings);
            m_set->Upload(comm, kGroupMonitor);
            m_calib.Read(comm, *m_set);
            m_adjust.Read(comm, *m_set);
            m_valid = true;
        }
    } catch (const CPrivateException&) {
        m_valid = false;
        m_calib.statusWord = 0;
        IdleWait();
        comm.Reconnect(); // an error here replaces the first
        throw;
    }
    if (!supported) {
        m_valid = false;
        m_calib.statusWord = 0;
        comm.Reconnect();
    }
}

void CDeviceInterface::WriteAdjustments(const CAdjustInfo& info) {
    CCommInterface& comm = ConnectedComm();
    std::lock_guard lock(comm.Lock());
    CCancelScope cancel(comm, m_cancelFlag);
    info.Write(comm);
}

CCommInterface& CDeviceInterface::ConnectedComm() const {
    // Without a connection every request would fail on the closed port with a message about
    // port settings; say plainly that there is no connection instead.
    if (m_comm == nullptr || !m_comm->IsConnected())
        throw CPrivateException::FromId(kMsgStatusOffline);
    return *m_comm;
}

void CDeviceInterface::Upload(const CParBase* identified) {
    CCommInterface& comm = ConnectedComm();
    std::lock_guard lock(comm.Lock());
    CCancelScope cancel(comm, m_cancelFlag);
    int code = identified != nullptr ? identified->TypeCode()
                                     : TypeCodeOfModel(comm.ReadUInt16(kRegModelNumber));
    if (code != 0) {
        CParBase* typeSet = m_deviceType.CreateParameterSet(code);
        if (typeSet != nullptr && typeSet->TypeCode() == code && code != m_set->TypeCode())
            ReplaceSet(*typeSet);
    }
    m_set->ResetProgress();
    m_set->Upload(comm, kGroupAll);
    m_set->SetValueText(kIdModelText, "", false);
}

void CDeviceInterface::Download(const CParBase& set) {
    CCommInterface& comm = ConnectedComm();
    std::lock_guard lock(comm.Lock());
    CCancelScope cancel(comm, m_cancelFlag);
    ReplaceSet(set);
    m_set->ResetProgress();
    try {
        m_set->Download(comm, kGroupAll);
    } catch (const CPrivateException& error) {
        // Stopped between two parameters: say what the device now holds.
        const std::string cancelled = LoadStr(kMsgCancelled);
        if (!comm.IsCancelRequested() || error.Message().rfind(cancelled, 0) != 0)
            throw;
        throw CPrivateException(LoadStr(kMsgDownloadCancelled) +
                                error.Message().substr(cancelled.size()));
    }
}
