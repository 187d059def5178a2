#pragma once

#include <cstdint>

// The two register operations the rest of the program uses. CModbusInterface is the real
// master; tests put an in-memory register bank behind the same seam.
class IModbusMaster {
public:
    virtual ~IModbusMaster() = default;
    // start: zero-based register address; values: count registers. Returns true or throws
    // CPrivateException; count 0 sends nothing.
    virtual bool ReadHoldingRegisters(int start, int count, uint16_t* values) = 0;
    virtual bool WriteMultipleRegisters(int start, int count, const uint16_t* values) = 0;
};
