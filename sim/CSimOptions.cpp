#include "sim/CSimOptions.h"

#include <charconv>
#include <cmath>
#include <getopt.h>
#include <stdexcept>
#include <string_view>
#include <vector>

namespace {

std::invalid_argument Bad(const std::string& option, const std::string& what) {
    return std::invalid_argument(option + ": " + what);
}

double ParseDouble(const std::string& option, std::string_view text) {
    double value = 0;
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value);
    if (text.empty() || result.ec != std::errc() || result.ptr != end || !std::isfinite(value)) {
        throw Bad(option, "not a number: '" + std::string(text) + "'");
    }
    return value;
}

long long ParseInteger(const std::string& option, std::string_view text, long long min,
                       long long max) {
    long long value = 0;
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value);
    if (text.empty() || result.ec != std::errc() || result.ptr != end) {
        throw Bad(option, "not an integer: '" + std::string(text) + "'");
    }
    if (value < min || value > max) {
        throw Bad(option, std::to_string(value) + " is outside " + std::to_string(min) + " to " +
                              std::to_string(max));
    }
    return value;
}

double ParseFraction(const std::string& option, const std::string& text) {
    const double value = ParseDouble(option, text);
    if (value < 0 || value > 1) {
        throw Bad(option, "a fraction from 0 to 1 expected");
    }
    return value;
}

// "1.09" -> 109.
int ParseVersion(const std::string& option, const std::string& text) {
    const double value = ParseDouble(option, text);
    if (value < 0 || value > 655.35) {
        throw Bad(option, "a version from 0.00 to 655.35 expected");
    }
    return static_cast<int>(std::lround(value * 100));
}

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        const size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end - start));
        if (end == std::string::npos) {
            return parts;
        }
        start = end + 1;
    }
}

// getopt_long permutes argv; it works on a copy. Options with a value take the next
// argument whatever it looks like ("--stall-ms -5" is a bad value, not a missing one).
const option kLong[] = {
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, 0},
    {"model", required_argument, nullptr, 0},
    {"input", required_argument, nullptr, 0},
    {"firmware", required_argument, nullptr, 0},
    {"hardware", required_argument, nullptr, 0},
    {"serial", required_argument, nullptr, 0},
    {"tag", required_argument, nullptr, 0},
    {"state", required_argument, nullptr, 0},
    {"link", required_argument, nullptr, 0},
    {"device", required_argument, nullptr, 0},
    {"tcp", required_argument, nullptr, 0},
    {"baud", required_argument, nullptr, 0},
    {"turnaround", required_argument, nullptr, 0},
    {"seed", required_argument, nullptr, 0},
    {"drop", required_argument, nullptr, 0},
    {"crc", required_argument, nullptr, 0},
    {"short", required_argument, nullptr, 0},
    {"exception", required_argument, nullptr, 0},
    {"exception-code", required_argument, nullptr, 0},
    {"stall", required_argument, nullptr, 0},
    {"stall-ms", required_argument, nullptr, 0},
    {"stray", required_argument, nullptr, 0},
    {"wrong-address", required_argument, nullptr, 0},
    {"wrong-function", required_argument, nullptr, 0},
    {"wrong-count", required_argument, nullptr, 0},
    {"wrong-protocol", required_argument, nullptr, 0},
    {"duplicate", required_argument, nullptr, 0},
    {"lose-restore", no_argument, nullptr, 0},
    {"burnout", no_argument, nullptr, 0},
    {"trace", no_argument, nullptr, 0},
    {"registers", no_argument, nullptr, 0},
    {nullptr, 0, nullptr, 0},
};

// The fault options; false when option is not one of them.
bool SetFaultOption(CSimFaults& faults, const std::string& option, const char* arg) {
    auto value = [arg] { return std::string(arg); };
    if (option == "--lose-restore") {
        faults.loseModeRestore = true;
    } else if (option == "--drop") {
        faults.drop = ParseFraction(option, value());
    } else if (option == "--crc") {
        faults.badCrc = ParseFraction(option, value());
    } else if (option == "--short") {
        faults.shortAnswer = ParseFraction(option, value());
    } else if (option == "--exception") {
        faults.exception = ParseFraction(option, value());
    } else if (option == "--exception-code") {
        faults.exceptionCode = static_cast<uint8_t>(ParseInteger(option, value(), 1, 255));
    } else if (option == "--stall") {
        faults.stall = ParseFraction(option, value());
    } else if (option == "--stall-ms") {
        // MS, or MIN:MAX for a delay drawn anew for every stalled answer.
        const std::string text = value();
        const size_t colon = text.find(':');
        faults.stallMs = static_cast<int>(ParseInteger(option, text.substr(0, colon), 0, 600000));
        faults.stallMaxMs = 0;
        if (colon != std::string::npos) {
            faults.stallMaxMs = static_cast<int>(
                ParseInteger(option, text.substr(colon + 1), faults.stallMs, 600000));
        }
    } else if (option == "--stray") {
        faults.stray = ParseFraction(option, value());
    } else if (option == "--wrong-address") {
        faults.wrongAddress = ParseFraction(option, value());
    } else if (option == "--wrong-function") {
        faults.wrongFunction = ParseFraction(option, value());
    } else if (option == "--wrong-count") {
        faults.wrongCount = ParseFraction(option, value());
    } else if (option == "--wrong-protocol") {
        faults.wrongProtocol = ParseFraction(option, value());
    } else if (option == "--duplicate") {
        faults.duplicate = ParseFraction(option, value());
    } else {
        return false;
    }
    return true;
}

// Every option but --help and the fault options.
void SetOption(CSimOptions& options, const std::string& option, const char* arg) {
    auto value = [arg] { return std::string(arg); };
    if (SetFaultOption(options.faults, option, arg)) {
        return;
    }
    if (option == "--version") {
        options.version = true;
    } else if (option == "--model") {
        const std::string text = value();
        options.model = ParseSimModel(text);
        if (!options.model) {
            throw Bad(option, "unknown model '" + text + "'");
        }
    } else if (option == "--input") {
        options.input = ParseSimInput(value());
    } else if (option == "--firmware") {
        options.identity.firmware = ParseVersion(option, value());
    } else if (option == "--hardware") {
        options.identity.hardware = ParseVersion(option, value());
    } else if (option == "--serial") {
        options.identity.serial = value();
        options.serialGiven = true;
        if (options.identity.serial.size() > 16) {
            throw Bad(option, "at most 16 bytes");
        }
    } else if (option == "--tag") {
        options.identity.tag = value();
        options.tagGiven = true;
    } else if (option == "--state") {
        options.statePath = value();
    } else if (option == "--link") {
        options.linkPath = value();
    } else if (option == "--device") {
        options.devicePath = value();
    } else if (option == "--tcp") {
        options.tcpPort = static_cast<int>(ParseInteger(option, value(), 0, 65535));
    } else if (option == "--baud") {
        options.baud = static_cast<int>(ParseInteger(option, value(), 300, 1000000));
    } else if (option == "--turnaround") {
        options.turnaroundMs = static_cast<int>(ParseInteger(option, value(), 0, 60000));
    } else if (option == "--seed") {
        options.seed = static_cast<uint64_t>(ParseInteger(option, value(), 0, INT64_MAX));
    } else if (option == "--burnout") {
        options.burnout = true;
    } else if (option == "--trace") {
        options.trace = true;
    } else if (option == "--registers") {
        options.listRegisters = true;
    }
}
} // namespace

CSimInput ParseSimInput(const std::string& text) {
    const std::string option = "--input";
    std::vector<std::string> parts = Split(text, ':');
    const std::string shape = parts[0];
    parts.erase(parts.begin());
    CSimInput input;
    size_t minValues = 0;
    size_t maxValues = 0;
    if (shape == "constant") {
        input.shape = CSimInput::Shape::Constant;
        input.a = 50;
        minValues = 1, maxValues = 1;
    } else if (shape == "sine") {
        input.shape = CSimInput::Shape::Sine;
        input.a = 50, input.b = 25;
        minValues = 2, maxValues = 3;
    } else if (shape == "ramp") {
        input.shape = CSimInput::Shape::Ramp;
        input.a = 0, input.b = 100;
        minValues = 2, maxValues = 3;
    } else {
        throw Bad(option, "shape must be constant, sine or ramp, not '" + shape + "'");
    }
    if (parts.empty()) {
        return input; // the defaults, in percent of the input range
    }
    if (parts.size() < minValues || parts.size() > maxValues) {
        throw Bad(option, "wrong number of values for " + shape);
    }
    size_t percents = 0;
    for (std::string& part : parts) {
        if (!part.empty() && part.back() == '%') {
            part.pop_back();
            ++percents;
        }
    }
    const size_t levels = std::min(parts.size(), minValues); // the period is never a percent
    if (percents != 0 && percents != levels) {
        throw Bad(option, "give all values in percent or none");
    }
    input.relative = percents != 0;
    input.a = ParseDouble(option, parts[0]);
    if (parts.size() > 1) {
        input.b = ParseDouble(option, parts[1]);
    }
    if (parts.size() > 2) {
        input.periodS = ParseDouble(option, parts[2]);
        if (input.periodS <= 0) {
            throw Bad(option, "the period must be positive");
        }
    }
    return input;
}

CSimOptions ParseSimOptions(int argc, const char* const* argv) {
    CSimOptions options;
    options.input.shape = CSimInput::Shape::Sine;
    options.input.a = 50;
    options.input.b = 25;
    std::vector<char*> args;
    std::vector<std::string> copies(argv, argv + argc);
    for (std::string& a : copies) {
        args.push_back(a.data());
    }
    args.push_back(nullptr);
    optind = 0; // a fresh scan: the tests parse many command lines
    opterr = 0;
    for (int index = -1, c; (c = getopt_long(argc, args.data(), ":h", kLong, &index)) != -1;
         index = -1) {
        const std::string option =
            index >= 0 ? std::string("--") + kLong[index].name : std::string(args[optind - 1]);
        if (c == ':') {
            throw Bad(option, "a value is missing");
        }
        if (c == '?') {
            throw Bad(option, "unknown option (see --help)");
        }
        if (c == 'h') {
            options.help = true;
        } else {
            SetOption(options, option, optarg);
        }
    }
    if (optind < argc) {
        throw Bad(args[optind], "q3sim takes no arguments besides options (see --help)");
    }
    if (!options.devicePath.empty() && options.tcpPort >= 0) {
        throw Bad("--device", "cannot be combined with --tcp");
    }
    if (!options.linkPath.empty() && (!options.devicePath.empty() || options.tcpPort >= 0)) {
        throw Bad("--link", "only with the pseudo-terminal");
    }
    return options;
}

std::string SimUsageText() {
    return R"(Usage: q3sim [options]
A simulated Q3 transmitter: a Modbus slave (address 1, function 0x04 reads and 0x10 writes)
on a pseudo-terminal (default), an existing serial device or Modbus TCP on 127.0.0.1.
The port path (or 127.0.0.1:PORT) is printed on the first line of standard output once the
port is ready; the simulator then serves until SIGINT or SIGTERM.

Device:
  --model M          Q3VA, Q3VA1, Q3VB, Q3VB1, Q3VC, Q3VC1, Q3VD, Q3VD1 or a model number
                     1001, 1002, 1011, 1012, 1021, 1022, 1031, 1032 (default: the state
                     file's model, else Q3VA)
  --firmware V       firmware version, register 9602 = V x 100 (default 1.10; below 1.10 the
                     response property register 1040 is absent)
  --hardware V       hardware version, register 9601 = V x 100 (default 1.00)
  --serial TEXT      serial number, up to 16 bytes (default SIM-000001)
  --tag TEXT         tag number, up to 16 characters (default empty)
  --input SHAPE      the live sensor input:
                       constant[:VALUE]
                       sine[:CENTRE:AMPLITUDE[:PERIOD_S]]
                       ramp[:FROM:TO[:PERIOD_S]]   (sawtooth)
                     values in the input unit (deg C, % of travel, mA/mV/V), or all of them
                     with a trailing % for percent of the configured input range; without
                     values in percent: constant 50%, sine 50%:25%:60, ramp 0%:100%:60
                     (default sine:50%:25%:60)
  --burnout          start with a broken sensor (status 0x10, outputs to burnout)
  --state FILE       keep the settings in FILE between runs (loaded at start, rewritten
                     after every write that changes a setting)
  --registers        print the model's register map and exit

Transport:
  --link PATH        also make PATH a symlink to the pseudo-terminal
  --device PATH      serve an existing serial device (9600 baud, 8O1 unless --baud)
  --tcp PORT         serve Modbus TCP on 127.0.0.1:PORT (0: any free port)
  --baud N           emulate an N-baud line: each answer is delayed by the transmission time
                     of the request and the answer at 11 bits per character; with --device
                     also the line speed
  --turnaround MS    extra delay before each answer (default 0)

Faults (fractions 0 to 1 of the requests addressed to the device; one fault per request):
  --seed N           seed of the fault generator (default 1)
  --drop F           the request is lost: no answer
  --crc F            the answer has a corrupted CRC (TCP: a wrong transaction id)
  --short F          the answer lacks its last byte
  --exception F      an exception answer instead, the request is not carried out
  --exception-code C the code of those answers (default 6, server busy)
  --stall F          the answer comes late, crossing the client's next request when that
                     has gone out meanwhile
  --stall-ms MS      by this much (default 1000); MIN:MAX draws each delay from the range
  --stray F          noise bytes follow the answer
  --wrong-address F  the answer comes from slave 2 (TCP: unit 2), with a valid CRC
  --wrong-function F the answer carries function code 0x03 (read) or 0x06 (write)
  --wrong-count F    a read answer's byte count is 12 too high, a write's echoed count 1
  --wrong-protocol F TCP: the answer's protocol id is 1
  --duplicate F      the answer is sent twice (TCP: a stale frame before the next answer)
  --lose-restore     every write to register 900 that takes the device out of a process
                     mode is lost: not carried out, not answered

Output:
  --trace            print every request and answer in hex, addresses one-based
  --help             this text
  --version          the program's version

"--option=value" works for every option with a value.
)";
}
