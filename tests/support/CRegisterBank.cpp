#include "tests/support/CRegisterBank.h"

#include "comm/CPrivateException.h"

bool CRegisterBank::ReadHoldingRegisters(int start, int count, uint16_t* values) {
    if (count == 0)
        return true;
    Request request{false, start, count, {}};
    bool fail = static_cast<int>(m_requests.size()) == m_failAt;
    m_requests.push_back(request);
    if (onRequest)
        onRequest(request);
    if (fail)
        throw CPrivateException("fault");
    for (int i = 0; i < count; ++i)
        values[i] = Get(start + i);
    return true;
}

bool CRegisterBank::WriteMultipleRegisters(int start, int count, const uint16_t* values) {
    if (count == 0)
        return true;
    Request request{true, start, count, std::vector<uint16_t>(values, values + count)};
    bool fail = static_cast<int>(m_requests.size()) == m_failAt;
    m_requests.push_back(request);
    if (onRequest)
        onRequest(request);
    if (fail)
        throw CPrivateException("fault");
    for (int i = 0; i < count; ++i)
        m_registers[start + i] = values[i];
    return true;
}

uint16_t CRegisterBank::Get(int address) const {
    auto it = m_registers.find(address);
    return it == m_registers.end() ? 0 : it->second;
}

int32_t CRegisterBank::GetInt32(int address) const {
    return static_cast<int32_t>(static_cast<uint32_t>(Get(address)) |
                                (static_cast<uint32_t>(Get(address + 1)) << 16));
}

void CRegisterBank::SetInt32(int address, int32_t value) {
    auto u = static_cast<uint32_t>(value);
    m_registers[address] = static_cast<uint16_t>(u & 0xFFFF);
    m_registers[address + 1] = static_cast<uint16_t>(u >> 16);
}

std::vector<std::string> CRegisterBank::Trace() const {
    std::vector<std::string> out;
    out.reserve(m_requests.size());
    for (const Request& r : m_requests)
        out.push_back((r.write ? "W" : "R") + std::to_string(r.start) + "x" +
                      std::to_string(r.count));
    return out;
}
