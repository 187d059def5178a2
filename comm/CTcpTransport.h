#pragma once

#include "comm/CSystemCalls.h"
#include "comm/CTimerThread.h"
#include "comm/IModbusTransport.h"

#include <atomic>
#include <memory>

// Modbus TCP bytes over one blocking stream socket, each receive watched by a CTimerThread
// that exists while the connection is open. The receive waits in poll on the socket and on an
// event descriptor that CancelReceive signals, which is how the watchdog cuts it short.
class CTcpTransport : public IModbusTransport {
public:
    explicit CTcpTransport(CSystemCalls& sys = CSystemCalls::Real());
    ~CTcpTransport() override;
    CTcpTransport(const CTcpTransport&) = delete;
    CTcpTransport& operator=(const CTcpTransport&) = delete;

    // Resolves host and service for IPv4, connects to the first address (giving up after
    // kConnectTimeoutMs) and starts the timer thread. Failures raise message 11018 with the
    // system's reason.
    void Open(const CommSettings& settings) override;
    // Stops the timer thread, then closes the socket.
    void Close() override;
    bool IsOpen() const override { return m_socket >= 0; }
    void DiscardInput() override {}
    void Send(const uint8_t* frame, std::size_t size) override;
    void SetResponseTimeout(uint32_t ms) override { m_timeoutMs = ms; }
    // Collects one response: the 7-byte header's length says how many bytes follow, so an
    // answer split over several segments is still read whole (never more than size bytes).
    std::size_t Receive(uint8_t* buffer, std::size_t size) override;
    void Pause(uint32_t) override {}

    // The watchdog of the open connection (null while closed); observers go on before use.
    CTimerThread* Timer() { return m_timer.get(); }
    // From any thread: ends a receive in progress as a missing response; does nothing when no
    // receive is waiting.
    void CancelReceive();

    static constexpr int kConnectTimeoutMs = 5000;

private:
    CSystemCalls& m_sys;
    int m_socket = -1;
    int m_cancelEvent = -1;
    uint32_t m_timeoutMs = 5000;
    std::atomic<bool> m_receiving{false};
    std::unique_ptr<CTimerThread> m_timer;
};
