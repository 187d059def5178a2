#pragma once

#include <cstdint>
#include <string>

class CCommInterface;
class CParBase;

// Fine zero and span adjustments of every input and output with their limits and units. On
// the device each value is an int32 of value x 10000. Copied whole by value: the device
// interface, the fine adjustment page and the polling thread each hold their own.
class CAdjustInfo {
public:
    CAdjustInfo() = default;
    virtual ~CAdjustInfo() = default;
    CAdjustInfo(const CAdjustInfo&) = default;
    CAdjustInfo& operator=(const CAdjustInfo&) = default;

    int32_t inputCount = 1;
    double inputZero[2] = {0.0, 0.0};        // sensor unit
    double inputSpan[2] = {100.0, 100.0};    // %
    double inputZeroMin[2] = {-15.0, -15.0}; // sensor unit
    double inputZeroMax[2] = {15.0, 15.0};
    int32_t outputCount = 1;
    double outputZero[2] = {0.0, 0.0};     // %
    double outputSpan[2] = {100.0, 100.0}; // %
    std::string inputUnit[2];
    std::string outputUnit[2] = {"%", "%"};
    bool ioPresent = true;   // output adjustment enabled
    bool inputValid = false; // the input values came from a device

    // Fills the record from the model and registers 1010 + 200i and 2010 + 200j. The caller
    // holds the connection lock.
    void Read(CCommInterface& comm, const CParBase& set);
    // Writes the adjustments of every input (and of every output when ioPresent) under the
    // connection lock, inside process mode 1. Modbus errors propagate; 900 is restored.
    void Write(CCommInterface& comm) const;

    // The adjustments into the fine adjustment parameters of set (the first input's, and the
    // outputs' the model has).
    void PutInto(CParBase& set) const;

    // value x 10000 rounded half away from zero; outside the int32 range -2147483648.
    static int32_t ToDevice(double value);
};
