#include "comm/CSerialTransport.h"

#include "comm/CPrivateException.h"

#include <chrono>

void CSerialTransport::Open(const CommSettings& settings) {
    m_drainWaited = false;
    m_port.SetSettings(settings);
    m_port.Open();
    m_port.SetReadTimeout(3000);
}

void CSerialTransport::DiscardInput() {
    const bool waited = m_drainWaited;
    m_drainWaited = false;
    // Right after a pause that watched the line to its end there is nothing to collect.
    if (waited && m_pauseWatched && Clock::now() - m_pauseEnd <= kFreshPause)
        return;
    m_port.PrepareDrainRead();
    uint8_t stale[512];
    if (waited)
        m_port.ReadAvailable(stale, sizeof stale);
    else
        m_port.Read(stale, sizeof stale);
}

void CSerialTransport::DiscardUntilQuiet(uint32_t quietMs) {
    m_drainWaited = false;
    m_port.SetReadTimeout(quietMs);
    uint8_t stale[512];
    for (int window = 0; window < kSettleWindows; ++window)
        if (m_port.Read(stale, sizeof stale) == 0)
            return;
}

void CSerialTransport::Send(const uint8_t* frame, std::size_t size) {
    m_drainWaited = false;
    // A port that refuses the frame (an adapter unplugged, the simulator's pty gone) means no
    // answer, as a failed TCP send does: the receive then reports the time-out, and the caller
    // gets the Modbus message naming the command instead of a port-settings text.
    try {
        m_port.Write(frame, size);
    } catch (const CPrivateException&) {
    }
}

void CSerialTransport::Pause(uint32_t ms) {
    m_pauseWatched = m_port.DropInputUntil(Clock::now() + std::chrono::milliseconds(ms + kDrainMs));
    m_pauseEnd = Clock::now();
    m_drainWaited = true;
}
