#include "sim/CSimRtuFramer.h"

#include "sim/SimCrc.h"

int CSimRtuFramer::ExpectedLength(const uint8_t* frame, size_t length) {
    if (length < 2) {
        return 0;
    }
    switch (frame[1]) {
    case 0x01: // read coils, discrete inputs, holding and input registers; write single
    case 0x02:
    case 0x03:
    case 0x04:
    case 0x05:
    case 0x06:
    case 0x08: // diagnostics
        return 8;
    case 0x07: // read exception status, comm event counter and log, report server id
    case 0x0B:
    case 0x0C:
    case 0x11:
        return 4;
    case 0x0F: // write multiple coils and registers
    case 0x10:
        return length < 7 ? 0 : 9 + frame[6];
    case 0x16: // mask write register
        return 10;
    case 0x17: // read/write multiple registers
        return length < 11 ? 0 : 13 + frame[10];
    default:
        return -1;
    }
}

void CSimRtuFramer::Append(const uint8_t* data, size_t length) {
    if (!m_discarding) {
        m_buffer.insert(m_buffer.end(), data, data + length);
    }
}

std::optional<std::vector<uint8_t>> CSimRtuFramer::TakeFrame() {
    if (m_discarding) {
        return std::nullopt;
    }
    const int expected = ExpectedLength(m_buffer.data(), m_buffer.size());
    if (expected <= 0 || m_buffer.size() < static_cast<size_t>(expected)) {
        return std::nullopt;
    }
    std::vector<uint8_t> frame(m_buffer.begin(), m_buffer.begin() + expected);
    m_buffer.erase(m_buffer.begin(), m_buffer.begin() + expected);
    const uint16_t crc = SimCrc16(frame.data(), frame.size() - 2);
    if (frame[frame.size() - 2] != (crc & 0xFF) || frame[frame.size() - 1] != (crc >> 8)) {
        // Out of step with the line: wait for silence before trusting a byte again.
        m_buffer.clear();
        m_discarding = true;
    }
    return frame;
}

std::vector<uint8_t> CSimRtuFramer::TakeOnSilence() {
    std::vector<uint8_t> rest;
    rest.swap(m_buffer);
    m_discarding = false;
    return rest;
}
