#pragma once

#include <cstddef>
#include <cstdint>

// CRC-16/MODBUS (reflected polynomial 0xA001, initial value 0xFFFF, no final XOR). The simulator
// keeps its own table so that a fault in the program's CRC cannot be mirrored here.
uint16_t SimCrc16(const uint8_t* data, size_t length);
