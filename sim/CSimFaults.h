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
    // Answers that do not belong to the request (processed, valid CRC):
    WrongAddress,  // from slave 2 (TCP: unit 2)
    WrongFunction, // function code 0x03 for a read, 0x06 for a write
    WrongCount,    // a read's byte count 12 too high; a write's echoed count one too high
    WrongProtocol, // TCP only: protocol id 1
    Duplicate,     // processed, answered twice back to back (TCP: a stale frame follows)
};

const char* SimFaultName(CSimFault fault);

// Fractions (0 to 1) of the requests addressed to this device that suffer each fault. One uniform
// draw per request from the seeded generator picks the fault, in the order of the fractions, so a
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
    double wrongAddress = 0;
    double wrongFunction = 0;
    double wrongCount = 0;
    double wrongProtocol = 0;
    double duplicate = 0;
    int stallMaxMs = 0; // above stallMs: each stall draws its delay from stallMs to stallMaxMs
    // Every write to register 900 that takes the device out of a process mode is lost: not
    // carried out, not answered (the restore after a write sequence never arrives).
    bool loseModeRestore = false;
};
