#pragma once

#include "comm/CModbusInterface.h"
#include "tests/comm/ScriptedTransport.h"
#include "tests/support/CRegisterBank.h"

#include <vector>

// The RTU answer of a register bank to a request frame (functions 0x04 and 0x10); no answer
// when the bank raises. Puts the whole client stack over a scripted transport without a line.
inline std::vector<uint8_t> AnswerFromBank(CRegisterBank& bank, const std::vector<uint8_t>& f) {
    int start = f[2] << 8 | f[3];
    int count = f[5];
    std::vector<uint8_t> pdu = {f[0], f[1]};
    try {
        if (f[1] == 0x10) {
            std::vector<uint16_t> values(count);
            for (int i = 0; i < count; ++i)
                values[i] = static_cast<uint16_t>(f[7 + 2 * i] << 8 | f[8 + 2 * i]);
            bank.WriteMultipleRegisters(start, count, values.data());
            pdu.insert(pdu.end(), f.begin() + 2, f.begin() + 6);
        } else {
            std::vector<uint16_t> values(count);
            bank.ReadHoldingRegisters(start, count, values.data());
            pdu.push_back(static_cast<uint8_t>(2 * count));
            for (uint16_t v : values) {
                pdu.push_back(static_cast<uint8_t>(v >> 8));
                pdu.push_back(static_cast<uint8_t>(v & 0xFF));
            }
        }
    } catch (const CPrivateException&) {
        return {};
    }
    uint16_t crc = CModbusInterface::Crc16(pdu.data(), pdu.size());
    pdu.push_back(static_cast<uint8_t>(crc & 0xFF));
    pdu.push_back(static_cast<uint8_t>(crc >> 8));
    return pdu;
}
