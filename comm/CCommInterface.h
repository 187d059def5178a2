#pragma once

#include "comm/IModbusMaster.h"
#include "model/CParBase.h"

#include <cstdint>
#include <memory>
#include <mutex>

class CModbusInterface;

// The connection object: connection lock, Modbus master, connected flag and typed register
// access. Every device exchange holds Lock() (recursive, like the platform mutex it replaces).
class CCommInterface {
public:
    CCommInterface();
    // A master that stands in for the Modbus client (tests); not owned.
    explicit CCommInterface(IModbusMaster* master);
    virtual ~CCommInterface();
    CCommInterface(const CCommInterface&) = delete;
    CCommInterface& operator=(const CCommInterface&) = delete;

    std::recursive_mutex& Lock() { return m_lock; }
    IModbusMaster& Modbus();
    bool IsConnected() const { return m_connected; }

    // Typed access (the caller holds the lock). Values of encodings 0, 1 and 4 take two
    // registers, the lower-addressed one holding the low-order half; encodings 5 and 6 pass the
    // count in registers. An encoding above 6 transfers nothing.
    void ReadValues(void* dest, int count, int address, ValueEncoding encoding);
    void WriteValues(const void* src, int count, int address, ValueEncoding encoding);

    // Convenience forms over ReadValues / WriteValues.
    int32_t ReadInt32(int address);
    uint16_t ReadUInt16(int address);
    void WriteInt32(int address, int32_t value);
    void WriteUInt16(int address, uint16_t value);

    void Connect();
    void Disconnect();
    void Reconnect();

protected:
    std::recursive_mutex m_lock;
    std::unique_ptr<CModbusInterface> m_client;
    IModbusMaster* m_master = nullptr;
    bool m_connected = false;
};
