#pragma once

#include <cstdint>

// What can go wrong with one answer. At most one fault hits a request.
enum class CSimFault {
    None,
    Drop,      // the request is lost on the line: not processed, no answer
    BadCrc,    // processed, answered with a corrupted CRC (TCP: a wrong transaction identifier)
    Short,     // processed, the answer's last byte is missing
    Exception, // not processed, answered with exception code CSimFaults::exceptionCode
    Stall,     // processed, answered CSimFaults::stallMs late
    Stray,     // processed, answered, then CSimFaults::strayBytes bytes of noise follow
};

const char* SimFaultName(CSimFault fault);

// Fractions (0 to 1) of the requests addressed to this device that suffer each fault. One uniform
// draw per request from the seeded generator picks the fault, in the order of the fields, so a
// given seed and request sequence always meet the same faults.
struct CSimFaults {
    double drop = 0;
    double badCrc = 0;
    double shortAnswer = 0;
    double exception = 0;
    double stall = 0;
    double stray = 0;
    uint8_t exceptionCode = 6; // server busy: distinct from the device's own exception 4
    int stallMs = 1000;
    int strayBytes = 3;
};
