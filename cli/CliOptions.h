#pragma once

#include <string>
#include <vector>

// Options of a q3cli call, parsed with getopt_long: options may stand anywhere among the
// positional arguments, "--opt=value" and "--opt value" both work, "--" ends the options, and an
// argument that is a negative number ("-50") is a value, not an option.
struct CliOptions {
    std::vector<std::string> args; // positional: the command and its operands
    std::string port;              // --port PATH
    std::string tcp;               // --tcp HOST:PORT
    int unit = -1;                 // --unit C|F|K; -1: not given
    int group = -1;                // --group N; -1: groups 0 to 2
    int count = -1;                // --count N; -1: until interrupted
    bool csv = false;              // --csv
    bool trace = false;            // --trace
    bool force = false;            // --force
    bool help = false;             // --help
    bool version = false;          // --version
};

// Thrown for a malformed command line (exit status 2).
struct CliUsageError {
    std::string message;
};

CliOptions ParseCliOptions(int argc, char** argv);
