#pragma once

#include "comm/IModbusMaster.h"

// Modbus master over the serial port or TCP. (Transport arrives with the communication stack.)
class CModbusInterface : public IModbusMaster {
public:
    bool ReadHoldingRegisters(int start, int count, uint16_t* values) override;
    bool WriteMultipleRegisters(int start, int count, const uint16_t* values) override;
};
