#pragma once

#include "app/CSettingsStore.h"
#include "comm/CommSettings.h"
#include "comm/IModbusMaster.h"
#include "model/CParBase.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>

class CModbusInterface;

// The connection object: connection lock, Modbus master, connected flag, the settings loader
// and typed register access. Every device exchange holds Lock() (recursive, like the platform
// mutex it replaces; waits are unlimited). Connect, Disconnect and Reconnect take the lock
// themselves, so a poll never uses a port that is being closed or replaced.
class CCommInterface {
public:
    // The production master over the serial port or TCP.
    CCommInterface();
    // A master that stands in for the Modbus client (tests); not owned. Connect then only sets
    // the connected flag.
    explicit CCommInterface(IModbusMaster* master);
    // A Modbus client of the caller's making (for instance over a test transport).
    explicit CCommInterface(std::unique_ptr<CModbusInterface> client);
    // Waits for an exchange in progress (it holds the lock), then disconnects.
    virtual ~CCommInterface();
    CCommInterface(const CCommInterface&) = delete;
    CCommInterface& operator=(const CCommInterface&) = delete;

    std::recursive_mutex& Lock() { return m_lock; }
    IModbusMaster& Modbus();
    // The real client; null when a master was injected.
    CModbusInterface* Client() { return m_client.get(); }
    bool IsConnected() const { return m_connected.load(); }

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

    // The settings loader: port name and display name from the store's "ComSettings"
    // ("COMPortName", default kDefaultPortName; "COMPortDisplayName", default ""), everything else
    // fixed: Modbus RTU, slave 1, 9600 baud, 8 data bits, odd parity, 1 stop bit.
    static CommSettings LoadSettings(const CSettingsStore& store);
    // What the next Connect uses: the fixed settings if given, else the loader's result from
    // the settings store (the per-user store of "q3config" unless another was given).
    CommSettings CurrentSettings() const;
    void UseSettingsStore(const CSettingsStore& store) { m_store = store; }
    // Fixed settings (q3cli --port / --tcp, tests) for every later Connect.
    void SetSettings(const CommSettings& settings) { m_fixed = settings; }

    // Loads the settings, copies them into the client and opens it; sets connected. Errors
    // propagate with connected false and the port closed again.
    void Connect();
    // Closes socket, serial port and timer thread; clears connected. Never raises.
    void Disconnect();
    // Connected: close and open the client again with the settings it holds (connected stays
    // set, also when the open fails). Not connected: nothing. Errors propagate.
    void Reconnect();

protected:
    std::recursive_mutex m_lock;
    std::unique_ptr<CModbusInterface> m_client;
    IModbusMaster* m_master = nullptr;
    std::atomic<bool> m_connected{false};
    std::optional<CSettingsStore> m_store;
    std::optional<CommSettings> m_fixed;
};
