#pragma once

#include "comm/CObserver.h"
#include "comm/CSerialTransport.h"
#include "comm/CTcpTransport.h"
#include "comm/CommSettings.h"
#include "comm/IModbusMaster.h"
#include "comm/IModbusTransport.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The Modbus master: builds the request frames (RTU with CRC, or TCP with the transaction
// header), sets the response time-out, validates each response, retries, splits transfers in
// the fixed-line mode and turns every failure into CPrivateException message 11015. Reads use
// function code 0x04, writes 0x10. No locking: callers hold the connection lock; only the
// timer thread calls Update from its own thread.
//
// An answer is taken only when it belongs to the request: slave address (TCP: unit id and
// transaction id, protocol id 0, a length that agrees), function code or its exception form,
// the byte count of a read, the echoed address and count of a write. After a failed attempt
// a late answer to it may still be on its way: on a serial line the next frame goes out only
// when the line has been quiet for the failed attempt's time-out; on TCP late frames are known
// by their transaction id and dropped.
class CModbusInterface : public IModbusMaster, public CObserver {
public:
    // The production transports: the serial port in modes 0 and 2, TCP in mode 1.
    CModbusInterface();
    // Every mode over the given transport (tests, fuzzers); not owned.
    explicit CModbusInterface(IModbusTransport& transport);
    ~CModbusInterface() override;
    CModbusInterface(const CModbusInterface&) = delete;
    CModbusInterface& operator=(const CModbusInterface&) = delete;

    void SetSettings(const CommSettings& settings) { m_settings = settings; }
    const CommSettings& Settings() const { return m_settings; }

    // Opens the transport of the settings' mode, closing whatever is open first. Raises 305 or
    // 306 (serial) or 11018 (TCP).
    void Open();
    // Closes the socket, the serial port and the timer thread. Never raises.
    void Close();
    bool IsOpen() const;

    bool ReadHoldingRegisters(int start, int count, uint16_t* values) override;
    bool WriteMultipleRegisters(int start, int count, const uint16_t* values) override;

    // The watchdog's notification: cuts a TCP receive in progress short.
    void Update(CObservable* source) override;

    // What names the connected device for the lock of one writer per device: "tcp:ADDRESS:PORT"
    // for Modbus TCP; empty for a serial port (its open descriptor is locked already) and for
    // an injected transport.
    std::string DeviceLockKey() const;

    // The time-out of the last attempt, in milliseconds.
    uint32_t ResponseTimeout() const { return m_responseTimeout; }
    // The serial port of modes 0 and 2 (unused with an injected transport).
    CSerialIO& SerialPort() { return m_serial.Port(); }
    CTcpTransport& TcpTransport() { return m_tcp; }

    // CRC-16/MODBUS (reflected 0xA001, start 0xFFFF) through the high and low byte tables; sent
    // low byte first.
    static uint16_t Crc16(const uint8_t* data, std::size_t size);
    // Response time-out of one attempt: mode 1 5000 ms; serial (L + R + 4) x 17000 / baud plus
    // 200 ms for a read or 4000 ms for a write, L and R the request and response lengths
    // without CRC, baud 1200 in mode 2.
    static uint32_t ResponseTimeoutFor(const CommSettings& settings, bool write,
                                       std::size_t requestLength, std::size_t responseLength);
    // The pause after each serial reply: 120000 / baud + 1 ms, baud from the settings' index
    // in every mode.
    static uint32_t SilentInterval(const CommSettings& settings);
    // The process-wide transaction counter of Modbus TCP (last identifier used).
    static uint16_t LastTransactionId();

private:
    IModbusTransport& Transport();
    bool Transfer(bool write, int start, int count, uint16_t* readTo, const uint16_t* writeFrom);
    uint16_t SendRequest(const std::vector<uint8_t>& pdu);
    std::size_t ReceiveResponse(const std::vector<uint8_t>& pdu, std::size_t expected,
                                uint16_t transaction, const char* command, int start, int count,
                                std::vector<uint8_t>& response);
    // TCP: one frame, dropping frames of earlier requests until the time-out ends.
    std::size_t ReceiveTcpFrame(std::vector<uint8_t>& buffer, uint16_t transaction);
    bool IsEarlierTransaction(uint16_t id) const;
    // Serial: waits out a late answer to the last failed attempt, if there was one.
    void SettleLine();

    CSerialTransport m_serial;
    CTcpTransport m_tcp;
    IModbusTransport* m_injected = nullptr;
    uint32_t m_responseTimeout = 0;
    // The time-out of the failed attempt whose answer may still arrive (0: the line is clean).
    // Kept across a reopen of the port: the answer is still on the wire.
    uint32_t m_settleMs = 0;
    // The transaction ids this client sent last (TCP), newest at m_recentNext - 1.
    std::array<uint16_t, 16> m_recent{};
    std::size_t m_recentCount = 0;
    std::size_t m_recentNext = 0;
    CommSettings m_settings;
    // Frames of the exchange in progress, kept so that a poll's requests reuse their storage.
    std::vector<uint8_t> m_pdu;
    std::vector<uint8_t> m_frame;
    std::vector<uint8_t> m_received;
    std::vector<uint8_t> m_response;

    static std::atomic<uint16_t> s_transaction;
};
