#include "comm/CCommInterface.h"

#include "comm/CDeviceLock.h"
#include "comm/CModbusInterface.h"
#include "comm/CPrivateException.h"
#include "comm/MessageFormat.h"
#include "resources/CStringTable.h"
#include "resources/StringIds.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace {
int RegistersPerValue(ValueEncoding encoding) {
    switch (encoding) {
    case ValueEncoding::Fixed4:
    case ValueEncoding::Date:
    case ValueEncoding::Float:
        return 2;
    default:
        return 1;
    }
}

bool KnownEncoding(ValueEncoding encoding) {
    int code = static_cast<int>(encoding);
    return code >= 0 && code <= 6;
}
} // namespace

CCommInterface::CCommInterface() : m_client(std::make_unique<CModbusInterface>()) {
    m_master = m_client.get();
}

CCommInterface::CCommInterface(IModbusMaster* master) : m_master(master) {}

CCommInterface::CCommInterface(std::unique_ptr<CModbusInterface> client)
    : m_client(std::move(client)) {
    m_master = m_client.get();
}

CCommInterface::~CCommInterface() {
    std::lock_guard lock(m_lock);
    Disconnect();
}

void CCommInterface::ThrowIfCancelled() const {
    if (m_shield == 0 && IsCancelRequested())
        throw CPrivateException::FromId(kMsgCancelled);
}

void CCommInterface::AcquireWriteLock() {
    if (m_writeLockDepth > 0) {
        ++m_writeLockDepth;
        return;
    }
    std::string key = m_client ? m_client->DeviceLockKey() : std::string();
    if (!key.empty()) {
        auto lock = std::make_unique<CDeviceLock>(key);
        using Clock = std::chrono::steady_clock;
        const auto giveUp = Clock::now() + m_writeLockWait;
        const std::string device = key.substr(key.find(':') + 1);
        bool told = false;
        while (!lock->TryLock()) {
            ThrowIfCancelled();
            auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(giveUp - Clock::now());
            if (left.count() <= 0) {
                auto seconds = std::chrono::duration_cast<std::chrono::seconds>(m_writeLockWait);
                throw CPrivateException(FormatInserts(
                    LoadStr(kMsgDeviceBusyGaveUp),
                    {device, static_cast<long long>(std::max<long long>(1, seconds.count()))}));
            }
            if (!told && m_waitNotice)
                m_waitNotice(FormatInserts(LoadStr(kMsgDeviceBusyWaiting), {device}));
            told = true;
            // Short slices, so that a cancel request is seen within a quarter second.
            lock->WaitForRelease(static_cast<int>(std::min<long long>(left.count(), 250)));
        }
        m_writeLock = std::move(lock);
    }
    m_writeLockDepth = 1;
}

void CCommInterface::ReleaseWriteLock() {
    if (m_writeLockDepth == 0 || --m_writeLockDepth > 0)
        return;
    m_writeLock.reset();
}

IModbusMaster& CCommInterface::Modbus() {
    return *m_master;
}

void CCommInterface::ReadValues(void* dest, int count, int address, ValueEncoding encoding) {
    if (!KnownEncoding(encoding) || count <= 0)
        return;
    ThrowIfCancelled();
    int registers = count * RegistersPerValue(encoding);
    // A poll's reads are a register or two each: no heap for them.
    std::array<uint16_t, 64> small{};
    std::vector<uint16_t> large;
    uint16_t* buffer = small.data();
    if (static_cast<std::size_t>(registers) > small.size()) {
        large.resize(static_cast<std::size_t>(registers));
        buffer = large.data();
    }
    Modbus().ReadHoldingRegisters(address, registers, buffer);
    switch (encoding) {
    case ValueEncoding::Fixed4:
    case ValueEncoding::Date:
    case ValueEncoding::Float: {
        auto* out = static_cast<uint32_t*>(dest);
        for (int i = 0; i < count; ++i)
            out[i] = static_cast<uint32_t>(buffer[2 * i]) |
                     (static_cast<uint32_t>(buffer[2 * i + 1]) << 16);
        break;
    }
    case ValueEncoding::Int16:
    case ValueEncoding::UInt16:
    case ValueEncoding::Utf16Text:
        std::memcpy(dest, buffer, static_cast<std::size_t>(registers) * sizeof(uint16_t));
        break;
    case ValueEncoding::CodePageText: {
        // The low-order byte of each register is the earlier character.
        auto* out = static_cast<unsigned char*>(dest);
        for (int i = 0; i < registers; ++i) {
            out[2 * i] = static_cast<unsigned char>(buffer[i] & 0xFF);
            out[2 * i + 1] = static_cast<unsigned char>(buffer[i] >> 8);
        }
        break;
    }
    }
}

void CCommInterface::WriteValues(const void* src, int count, int address, ValueEncoding encoding) {
    if (!KnownEncoding(encoding) || count <= 0)
        return;
    ThrowIfCancelled();
    int registers = count * RegistersPerValue(encoding);
    std::vector<uint16_t> buffer(static_cast<std::size_t>(registers));
    switch (encoding) {
    case ValueEncoding::Fixed4:
    case ValueEncoding::Date:
    case ValueEncoding::Float: {
        const auto* in = static_cast<const uint32_t*>(src);
        for (int i = 0; i < count; ++i) {
            buffer[2 * i] = static_cast<uint16_t>(in[i] & 0xFFFF);
            buffer[2 * i + 1] = static_cast<uint16_t>(in[i] >> 16);
        }
        break;
    }
    case ValueEncoding::Int16:
    case ValueEncoding::UInt16:
    case ValueEncoding::Utf16Text:
        std::memcpy(buffer.data(), src, buffer.size() * sizeof(uint16_t));
        break;
    case ValueEncoding::CodePageText: {
        const auto* in = static_cast<const unsigned char*>(src);
        for (int i = 0; i < registers; ++i)
            buffer[i] = static_cast<uint16_t>(in[2 * i] | (in[2 * i + 1] << 8));
        break;
    }
    }
    Modbus().WriteMultipleRegisters(address, registers, buffer.data());
}

int32_t CCommInterface::ReadInt32(int address) {
    int32_t value = 0;
    ReadValues(&value, 1, address, ValueEncoding::Fixed4);
    return value;
}

uint16_t CCommInterface::ReadUInt16(int address) {
    uint16_t value = 0;
    ReadValues(&value, 1, address, ValueEncoding::UInt16);
    return value;
}

void CCommInterface::WriteInt32(int address, int32_t value) {
    WriteValues(&value, 1, address, ValueEncoding::Fixed4);
}

void CCommInterface::WriteUInt16(int address, uint16_t value) {
    WriteValues(&value, 1, address, ValueEncoding::UInt16);
}

CommSettings CCommInterface::FixedSettings(const std::string& portName,
                                           const std::string& portDisplayName) {
    CommSettings settings;
    settings.portName = portName;
    settings.portDisplayName = portDisplayName;
    settings.mode = kModeRtu;
    settings.slaveAddress = 1;
    settings.baudIndex = 3;
    settings.dataBitsIndex = 1;
    settings.parity = 1;
    settings.stopBitsIndex = 0;
    return settings;
}

CommSettings CCommInterface::CurrentSettings() const {
    if (m_fixed)
        return *m_fixed;
    return m_source ? m_source() : FixedSettings({}, {});
}

void CCommInterface::Connect() {
    std::lock_guard lock(m_lock);
    m_connected = false;
    if (m_client) {
        m_client->SetSettings(CurrentSettings());
        try {
            m_client->Open();
        } catch (...) {
            m_client->Close();
            throw;
        }
    }
    m_connected = true;
}

void CCommInterface::Disconnect() {
    std::lock_guard lock(m_lock);
    if (m_client)
        m_client->Close();
    m_connected = false;
    m_writeLock.reset();
    m_writeLockDepth = 0;
}

void CCommInterface::Reconnect() {
    std::lock_guard lock(m_lock);
    if (!m_connected || !m_client)
        return;
    // Open closes socket, port and timer thread first.
    m_client->Open();
}
