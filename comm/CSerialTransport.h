#pragma once

#include "comm/CSerialIO.h"
#include "comm/IModbusTransport.h"

// Modbus RTU bytes over one serial port.
class CSerialTransport : public IModbusTransport {
public:
    explicit CSerialTransport(CSystemCalls& sys = CSystemCalls::Real()) : m_port(sys) {}

    // Opens and configures the port, then sets its read bound to 3000 ms.
    void Open(const CommSettings& settings) override;
    void Close() override { m_port.Close(); }
    bool IsOpen() const override { return m_port.IsOpen(); }
    void DiscardInput() override;
    void Send(const uint8_t* frame, std::size_t size) override { m_port.Write(frame, size); }
    void SetResponseTimeout(uint32_t ms) override { m_port.SetReadTimeout(ms); }
    std::size_t Receive(uint8_t* buffer, std::size_t size) override {
        return m_port.Read(buffer, size);
    }
    void Pause(uint32_t ms) override;

    CSerialIO& Port() { return m_port; }
    const CSerialIO& Port() const { return m_port; }

private:
    CSerialIO m_port;
};
