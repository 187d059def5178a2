#include "comm/CSerialTransport.h"

#include <chrono>
#include <thread>

void CSerialTransport::Open(const CommSettings& settings) {
    m_port.SetSettings(settings);
    m_port.Open();
    m_port.SetReadTimeout(3000);
}

void CSerialTransport::DiscardInput() {
    m_port.PrepareDrainRead();
    uint8_t stale[512];
    m_port.Read(stale, sizeof stale);
}

void CSerialTransport::Pause(uint32_t ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}
