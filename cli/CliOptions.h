#pragma once

#include <string>
#include <vector>

// Options of a q3cli call, parsed with getopt_long: options may stand anywhere among the
// positional arguments, "--opt=value" and "--opt value" both work, "--" ends the options, and an
// argument that is a negative number ("-50") is a value, not an option.
struct CliOptions {
    std::vector<std::string> args;  // positional: the command and its operands
    std::vector<std::string> ports; // --port PATH, repeated for several devices
    std::string portsFrom;          // --ports-from FILE: "PORT [FILE]" per line
    std::string tcp;                // --tcp HOST:PORT
    std::string pdf;                // --pdf FILE
    int unit = -1;                  // --unit C|F|K; -1: not given
    int group = -1;                 // --group N; -1: groups 0 to 2
    int count = -1;                 // --count N; -1: until interrupted
    bool csv = false;               // --csv
    bool json = false;              // --json
    bool trace = false;             // --trace
    bool force = false;             // --force
    bool help = false;              // --help
    bool version = false;           // --version
    bool progress = true; // a transfer's percentage on a terminal (off per device of many)
};

// The exit statuses of q3cli, in the order a script tests them.
enum CliExit : int {
    kExitOk = 0,       // success, or device and file match
    kExitRejected = 1, // a value or request refused, or differences found
    kExitUsage = 2,    // a malformed command line
    kExitFailure = 3,  // communication or file failure
};

// Thrown for a malformed command line (exit status 2).
struct CliUsageError {
    std::string message;
};

// Thrown for a value or request the program refuses (exit status 1).
struct CliRejected {
    std::string message;
};

CliOptions ParseCliOptions(int argc, char** argv);
