#pragma once

#include "comm/IModbusMaster.h"

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

// In-memory device behind the Modbus seam: holds registers and records every request in order.
class CRegisterBank : public IModbusMaster {
public:
    struct Request {
        bool write;
        int start;
        int count;
        std::vector<uint16_t> values; // written values (empty for reads)
        bool operator==(const Request&) const = default;
    };

    bool ReadHoldingRegisters(int start, int count, uint16_t* values) override;
    bool WriteMultipleRegisters(int start, int count, const uint16_t* values) override;

    uint16_t& operator[](int address) { return m_registers[address]; }
    uint16_t Get(int address) const;
    int32_t GetInt32(int address) const;
    void SetInt32(int address, int32_t value);

    const std::vector<Request>& Requests() const { return m_requests; }
    void ClearRequests() { m_requests.clear(); }
    // Addresses of the requests as "R1000x1" / "W2001x2" items, for compact sequence asserts.
    std::vector<std::string> Trace() const;

    // Throw CPrivateException("fault") on the request with this 0-based index (-1: never).
    void FailAt(int requestIndex) { m_failAt = requestIndex; }
    // Called before each request; may throw.
    std::function<void(const Request&)> onRequest;

private:
    std::map<int, uint16_t> m_registers;
    std::vector<Request> m_requests;
    int m_failAt = -1;
};
