#pragma once

#include "comm/CSerialIO.h"
#include "comm/IModbusTransport.h"

#include <chrono>

// Modbus RTU bytes over one serial port.
class CSerialTransport : public IModbusTransport {
public:
    explicit CSerialTransport(CSystemCalls& sys = CSystemCalls::Real()) : m_port(sys) {}

    // Opens and configures the port, then sets its read bound to 3000 ms.
    void Open(const CommSettings& settings) override;
    void Close() override { m_port.Close(); }
    bool IsOpen() const override { return m_port.IsOpen(); }
    // The 1 ms drain read. After a silent interval its wait has been spent already, as part of
    // that pause, which drops what arrives meanwhile: right after it there is nothing to read;
    // later only what has arrived since is collected. The line sees the same quiet time and the
    // same bytes are dropped, with two system calls less per request.
    void DiscardInput() override;
    // Reads in windows of quietMs until one passes without a byte (at most kSettleWindows,
    // so a line full of noise cannot hold the client for ever).
    void DiscardUntilQuiet(uint32_t quietMs) override;
    void Send(const uint8_t* frame, std::size_t size) override;
    void SetResponseTimeout(uint32_t ms) override { m_port.SetReadTimeout(ms); }
    std::size_t Receive(uint8_t* buffer, std::size_t size) override {
        return m_port.Read(buffer, size);
    }
    // Waits ms plus the 1 ms of the next drain read, dropping what arrives meanwhile.
    void Pause(uint32_t ms) override;

    CSerialIO& Port() { return m_port; }
    const CSerialIO& Port() const { return m_port; }

private:
    using Clock = std::chrono::steady_clock;
    static constexpr uint32_t kDrainMs = 1;
    // A drain this soon after a pause finds the line as the pause left it (the client builds
    // the next frame in microseconds; a byte in between would have to be noise).
    static constexpr std::chrono::microseconds kFreshPause{100};
    static constexpr int kSettleWindows = 8;

    CSerialIO m_port;
    bool m_drainWaited = false; // the drain read's wait was spent in the last pause
    Clock::time_point m_pauseEnd;
    bool m_pauseWatched = false; // it dropped what came to its very end
};
