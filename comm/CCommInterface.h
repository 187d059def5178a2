#pragma once

#include "comm/CommSettings.h"
#include "comm/IModbusMaster.h"
#include "comm/ValueEncoding.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

class CDeviceLock;
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

    // Modbus RTU, slave 1, 9600 baud, 8 data bits, odd parity, 1 stop bit on a port: the
    // settings every connection uses but for the port.
    static CommSettings FixedSettings(const std::string& portName,
                                      const std::string& portDisplayName);
    // Where the settings of the next Connect come from (the program's settings store) unless
    // fixed ones were given; without either, no port is chosen.
    using SettingsSource = std::function<CommSettings()>;
    void UseSettingsSource(SettingsSource source) { m_source = std::move(source); }
    CommSettings CurrentSettings() const;
    // Fixed settings (q3cli --port / --tcp, tests) for every later Connect.
    void SetSettings(const CommSettings& settings) { m_fixed = settings; }

    // Loads the settings, copies them into the client and opens it; sets connected. Errors
    // propagate with connected false and the port closed again.
    void Connect();
    // Closes socket, serial port and timer thread; clears connected. Never raises.
    void Disconnect();

    // Cancelling (the caller holds the lock): the running operation's cancel request, set by
    // whoever runs it (null: none). Once the flag is raised, the next register exchange raises
    // message 42001 instead of going out, except inside a CCancelShield.
    void SetCancelFlag(const std::atomic<bool>* flag) { m_cancelFlag = flag; }
    const std::atomic<bool>* CancelFlag() const { return m_cancelFlag; }
    bool IsCancelRequested() const { return m_cancelFlag != nullptr && m_cancelFlag->load(); }

    // One writer per device (the caller holds the lock): every write sequence holds it, through
    // the process-mode guard; nested holds count. A Modbus TCP device is locked by name for
    // every program and user of this machine; a serial port is locked by its open descriptor
    // already. A program holding it makes this wait (telling the wait notice once) up to the
    // write-lock wait, then raise 42004; a lock that cannot be made raises 42005.
    void AcquireWriteLock();
    void ReleaseWriteLock();
    // Where a wait for another program is told (q3cli: standard error); the waiting thread
    // calls it. Without one the wait is silent.
    void SetWaitNotice(std::function<void(const std::string&)> notice) {
        m_waitNotice = std::move(notice);
    }
    void SetWriteLockWait(std::chrono::milliseconds wait) { m_writeLockWait = wait; }
    static constexpr std::chrono::seconds kWriteLockWait{60};
    // Connected: close and open the client again with the settings it holds (connected stays
    // set, also when the open fails). Not connected: nothing. Errors propagate.
    void Reconnect();

protected:
    void ThrowIfCancelled() const;

    std::recursive_mutex m_lock;
    std::unique_ptr<CModbusInterface> m_client;
    IModbusMaster* m_master = nullptr;
    std::atomic<bool> m_connected{false};
    SettingsSource m_source;
    std::optional<CommSettings> m_fixed;

    // Touched only by the holder of m_lock.
    const std::atomic<bool>* m_cancelFlag = nullptr;
    int m_shield = 0;
    std::unique_ptr<CDeviceLock> m_writeLock;
    int m_writeLockDepth = 0;
    std::function<void(const std::string&)> m_waitNotice;
    std::chrono::milliseconds m_writeLockWait = kWriteLockWait;

    friend class CCancelShield;
};

// Lets register exchanges through while an operation is being cancelled: the ones that put the
// device back (restoring the process mode) must go out. The caller holds the connection lock.
class CCancelShield {
public:
    explicit CCancelShield(CCommInterface& comm) : m_comm(comm) { ++m_comm.m_shield; }
    ~CCancelShield() { --m_comm.m_shield; }
    CCancelShield(const CCancelShield&) = delete;
    CCancelShield& operator=(const CCancelShield&) = delete;

private:
    CCommInterface& m_comm;
};

// Installs an operation's cancel flag on the connection for a scope (the caller holds the
// lock) and puts back what was there.
class CCancelScope {
public:
    CCancelScope(CCommInterface& comm, const std::atomic<bool>* flag)
        : m_comm(comm), m_previous(comm.CancelFlag()) {
        comm.SetCancelFlag(flag);
    }
    ~CCancelScope() { m_comm.SetCancelFlag(m_previous); }
    CCancelScope(const CCancelScope&) = delete;
    CCancelScope& operator=(const CCancelScope&) = delete;

private:
    CCommInterface& m_comm;
    const std::atomic<bool>* m_previous;
};
