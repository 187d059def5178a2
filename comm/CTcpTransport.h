#pragma once

#include "comm/CTimerThread.h"
#include "comm/IModbusTransport.h"
#include "platform/CSystemCalls.h"

#include <atomic>
#include <memory>
#include <string>

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
    // Late frames carry their transaction id, by which the client drops them: no wait.
    void DiscardUntilQuiet(uint32_t) override {}
    // Before the frame goes out, a stream that lost its frame boundaries is emptied.
    void Send(const uint8_t* frame, std::size_t size) override;
    void SetResponseTimeout(uint32_t ms) override { m_timeoutMs = ms; }
    // Collects one whole frame: the header's length says how many bytes follow, so an answer
    // split over several segments is read whole, and a frame longer than size is read to its
    // end (the first size bytes handed over) so that the next receive starts on a frame. The
    // rest of a frame cut off by the time-out is dropped when it comes.
    std::size_t Receive(uint8_t* buffer, std::size_t size) override;
    void Pause(uint32_t) override {}

    // The address the connection reached, as "tcp:ADDRESS:PORT" (empty while closed): what
    // names the device for the lock of one writer per device.
    std::string PeerName() const;

    // The watchdog of the open connection (null while closed); observers go on before use.
    CTimerThread* Timer() { return m_timer.get(); }
    // From any thread: ends a receive in progress as a missing response; does nothing when no
    // receive is waiting.
    void CancelReceive();

    static constexpr int kConnectTimeoutMs = 5000;

private:
    // Reads up to want bytes before the deadline or a cancel; sets failed when it ends early.
    std::size_t ReadUpTo(uint8_t* to, std::size_t want, CSystemCalls::Clock::time_point backstop,
                         bool& failed);
    void DropAvailable();

    CSystemCalls& m_sys;
    int m_socket = -1;
    int m_cancelEvent = -1;
    uint32_t m_timeoutMs = 5000;
    std::atomic<bool> m_receiving{false};
    std::size_t m_skip = 0;  // bytes of an abandoned frame still to come
    bool m_unsynced = false; // a header made no sense: frame boundaries are lost
    std::unique_ptr<CTimerThread> m_timer;
};
