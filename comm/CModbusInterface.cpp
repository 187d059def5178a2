#include "comm/CModbusInterface.h"

#include "comm/CPrivateException.h"

// Placeholder until the transport lands: every request fails as on a port that is not open.
bool CModbusInterface::ReadHoldingRegisters(int, int count, uint16_t*) {
    if (count == 0)
        return true;
    throw CPrivateException::FromId(305);
}

bool CModbusInterface::WriteMultipleRegisters(int, int count, const uint16_t*) {
    if (count == 0)
        return true;
    throw CPrivateException::FromId(305);
}
