#pragma once

#include "sim/CSimDevice.h"
#include "sim/CSimFaults.h"
#include "sim/CSimRegisterMap.h"

#include <cstdint>
#include <optional>
#include <string>

// The command line of q3sim.
struct CSimOptions {
    std::optional<int> model; // unset: the state file's model, else Q3VA
    CSimIdentity identity;
    bool serialGiven = false;
    bool tagGiven = false;
    CSimInput input; // default: a slow sine around the middle of the input range
    std::string statePath;
    std::string linkPath;
    std::string devicePath;
    int tcpPort = -1; // -1: no TCP
    int baud = 0;
    int turnaroundMs = 0;
    uint64_t seed = 1;
    CSimFaults faults;
    bool burnout = false;
    bool trace = false;
    bool help = false;
    bool version = false;
    bool listRegisters = false;
};

// Throws std::invalid_argument with a message naming the offending option.
CSimOptions ParseSimOptions(int argc, const char* const* argv);
// --input TEXT: "constant[:V]", "sine[:CENTRE:AMPLITUDE[:PERIOD]]", "ramp[:FROM:TO[:PERIOD]]";
// values in the input unit, or all with a trailing '%' for percent of the input range.
CSimInput ParseSimInput(const std::string& text);
std::string SimUsageText();
