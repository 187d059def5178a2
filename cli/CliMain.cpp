#include "cli/CliMain.h"

#include "cli/CliOptions.h"
#include "cli/CliOutput.h"
#include "cli/DeviceCommands.h"
#include "cli/HistoryCommands.h"
#include "cli/TableCommands.h"
#include "comm/CPrivateException.h"
#include "model/CDeviceType.h"
#include "model/CModelContext.h"
#include "model/ParameterFile.h"

#include <cctype>
#include <cerrno>
#include <charconv>
#include <getopt.h>
#include <memory>
#include <ostream>
#include <strings.h>
#include <sys/stat.h>

namespace {
constexpr const char* kUsage =
    R"(Usage: q3cli [options] COMMAND [ARGS]

Parameter files (no device needed; FILE "-" is standard input or output):
  new MODEL FILE             write a parameter file with the defaults of MODEL
                             (Q3VA, Q3VA1, Q3VB, Q3VB1, Q3VC, Q3VC1, Q3VD, Q3VD1 or a model
                             number such as 1001); refuses to overwrite FILE without --force
  show FILE [--group N]      one line per parameter: id, name, value as the list shows it
  get FILE ID                the parameter's value as the file stores it
  set FILE ID VALUE          apply VALUE as an edit in the parameter list does (checked);
                             a choice takes its index or its exact text; saves on success
  import-table CFG TABLE     take a table file over into the custom or XY table
  export-table CFG TABLE     write the table in use to a table file

Device (serial port or Modbus TCP):
  ports                      the serial ports found on this machine
  identify                   model, serial number, versions, tag, date and status
  upload FILE|DIR            read every setting of the device into a parameter file (a
                             folder: a file named after model, serial and date)
  download FILE              write the settings of a parameter file to the device
  compare FILE               list the parameters where device and file differ
  monitor [--count N]        live values, one line per poll

History (every operation on a device, kept in $XDG_DATA_HOME/q3config):
  history [SERIAL]           the events, newest first: number, time (UTC), model, serial,
                             operation, outcome, message
  history show ID            one event with its parameter set
  history diff ID1 ID2       the parameters where the two events' sets differ
  history restore ID FILE    write the event's parameter set as a parameter file
  certificate ID --pdf FILE  the calibration certificate of a calibration check

Options:
  --unit C|F|K               temperature unit for shown and typed values (default C)
  --port PATH                serial port (default: the port chosen in Preferences); repeat
                             it to run identify, upload, download or compare on several
                             devices at once
  --ports-from FILE          the devices' ports from FILE, one "PORT [PARAMETER-FILE]" a line
  --tcp HOST:PORT            Modbus TCP instead of a serial port
  --json                     JSON for ports, identify, show, compare, history and monitor
                             (one object a line)
  --csv                      monitor: comma-separated, one number per cell
  --trace                    print the Modbus trace on standard error
  --pdf FILE                 certificate: the PDF file to write
  --force                    new, history restore, certificate: replace an existing file
  --help                     this text
  --version                  the program's version
  --                         what follows are arguments, never options

A negative number is a value ("q3cli set plant.cfg 1 -50"); "--opt=value" works for every
option that takes a value.

A first SIGINT, SIGTERM or SIGHUP ends a device command after its current request (a
download puts the device's process mode back first); a second one ends it at once.
Another program writing to the same device is waited for, up to 60 seconds.

Exit status: 0 success or match, 1 rejected value or differences found, 2 usage error,
3 communication or file failure, 128 + N ended by signal N. For several devices, the worst.
)";

int ParseNumber(const std::string& text, const char* what) {
    int value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size())
        throw CliUsageError{std::string("invalid ") + what + ": " + text};
    return value;
}

int ParseUnit(const std::string& text) {
    if (text == "C" || text == "c")
        return kUnitCelsius;
    if (text == "F" || text == "f")
        return kUnitFahrenheit;
    if (text == "K" || text == "k")
        return kUnitKelvin;
    throw CliUsageError{"invalid unit (use C, F or K): " + text};
}

// A model string in any case or a model number; 0 when unknown.
int TypeCodeOf(const std::string& model) {
    for (int code = CDeviceType::kFirstTypeCode; code <= CDeviceType::kLastTypeCode; ++code) {
        auto set = CDeviceType::NewParameterSet(code);
        if (set && strcasecmp(set->ModelString().c_str(), model.c_str()) == 0)
            return code;
    }
    int number = 0;
    auto [end, ec] = std::from_chars(model.data(), model.data() + model.size(), number);
    if (ec == std::errc() && end == model.data() + model.size())
        return CDeviceType::TypeCodeFromModelNumber(number);
    return 0;
}

std::ostream* g_err = nullptr;

void Need(const CliOptions& o, std::size_t operands, const char* form) {
    if (o.args.size() != operands + 1)
        throw CliUsageError{std::string("usage: q3cli ") + form};
}

// The id as a parameter that parameter files hold (groups 0 to 2).
bool FileHolds(const CParBase& set, int id) {
    for (int g = 0; g <= kGroupTable; ++g)
        for (int i = 0; i < set.GetParameterCount(g); ++i)
            if (set.GetParameterId(g, i) == id)
                return true;
    return false;
}

void RequireHeld(const CParBase& set, int id) {
    if (!FileHolds(set, id))
        throw CliRejected{"Parameter " + std::to_string(id) + " does not exist in " +
                          set.ModelString() + " parameter files."};
}

int CmdNew(const CliOptions& o, std::ostream& out) {
    Need(o, 2, "new MODEL FILE");
    int code = TypeCodeOf(o.args[1]);
    if (code == 0)
        throw CliUsageError{"unknown model: " + o.args[1]};
    struct stat st {};
    if (!o.force && o.args[2] != "-" && ::stat(o.args[2].c_str(), &st) == 0)
        throw CliRejected{o.args[2] + " exists already; use --force to replace it."};
    WriteParameterOutput(*CDeviceType::NewParameterSet(code), o.args[2], out);
    return 0;
}

int CmdShow(const CliOptions& o, std::ostream& out) {
    Need(o, 1, "show FILE [--group N] [--json]");
    auto set = OpenParameterInput(o.args[1], *g_err);
    int first = o.group >= 0 ? o.group : 0;
    int last = o.group >= 0 ? o.group : kGroupTable;
    nlohmann::json rows = nlohmann::json::array();
    std::string section;
    for (int g = first; g <= last; ++g) {
        for (int i = 0; i < set->GetParameterCount(g); ++i) {
            int id = set->GetParameterId(g, i);
            if (!o.json) {
                out << id << '\t' << set->GetParameterName(id) << '\t'
                    << set->GetDisplayText(id, true) << '\n';
            } else if (set->GetParameterKind(id) == kKindHeader) {
                section = set->GetParameterName(id);
            } else {
                nlohmann::json row = ParameterJson(*set, id);
                row["group"] = g;
                row["section"] = section;
                row["id"] = id;
                row["name"] = set->GetParameterName(id);
                rows.push_back(std::move(row));
            }
        }
    }
    if (o.json)
        out << JsonText({{"model", set->ModelString()},
                         {"model_number", set->ModelNumber()},
                         {"parameters", rows}},
                        2)
            << '\n';
    return 0;
}

int CmdGet(const CliOptions& o, std::ostream& out) {
    Need(o, 2, "get FILE ID");
    int id = ParseNumber(o.args[2], "parameter id");
    auto set = OpenParameterInput(o.args[1], *g_err);
    RequireHeld(*set, id);
    out << set->GetValueText(id) << '\n';
    return 0;
}

int CmdSet(const CliOptions& o, std::ostream&) {
    Need(o, 3, "set FILE ID VALUE");
    if (o.args[1] == "-")
        throw CliUsageError{"set changes a file in place; it cannot read standard input"};
    int id = ParseNumber(o.args[2], "parameter id");
    auto set = OpenParameterInput(o.args[1], *g_err);
    RequireHeld(*set, id);
    const std::string& value = o.args[3];
    CEditResult edit;
    switch (set->GetParameterKind(id)) {
    case kKindText:
        edit.result = 2;
        edit.text = value;
        break;
    case kKindChoice: {
        std::string choices;
        int index = -1;
        for (int i = 0; i < 1000; ++i) {
            std::string text = set->FormatValue(id, i, false);
            if (text.empty())
                break;
            if (text == value || std::to_string(i) == value)
                index = i;
            choices += (i ? ", " : "") + std::to_string(i) + " \"" + text + "\"";
        }
        if (index < 0)
            throw CliRejected{set->GetParameterName(id) + " takes one of: " + choices + "."};
        edit.result = 1;
        edit.choiceIndex = index;
        break;
    }
    default:
        throw CliRejected{set->GetParameterName(id) + " (" + o.args[2] +
                          ") cannot be edited here."};
    }
    try {
        set->SetFromEditor(id, edit);
    } catch (const CPrivateException& e) {
        throw CliRejected{e.Message()};
    }
    set->SaveFile(o.args[1]);
    return 0;
}

struct Command {
    const char* name;
    int (*run)(const CliOptions&, std::ostream&);
};

constexpr Command kCommands[] = {
    {"new", CmdNew}, {"show", CmdShow},       {"get", CmdGet},
    {"set", CmdSet}, {"history", CmdHistory}, {"certificate", CmdCertificate},
};
} // namespace

namespace {
enum LongOnly : int {
    kOptPort = 1000,
    kOptTcp,
    kOptUnit,
    kOptGroup,
    kOptCount,
    kOptCsv,
    kOptTrace,
    kOptForce,
    kOptVersion,
    kOptJson,
    kOptPortsFrom,
    kOptPdf
};

const option kLongOptions[] = {
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, kOptVersion},
    {"trace", no_argument, nullptr, kOptTrace},
    {"csv", no_argument, nullptr, kOptCsv},
    {"json", no_argument, nullptr, kOptJson},
    {"ports-from", required_argument, nullptr, kOptPortsFrom},
    {"force", no_argument, nullptr, kOptForce},
    {"pdf", required_argument, nullptr, kOptPdf},
    {"port", required_argument, nullptr, kOptPort},
    {"tcp", required_argument, nullptr, kOptTcp},
    {"unit", required_argument, nullptr, kOptUnit},
    {"group", required_argument, nullptr, kOptGroup},
    {"count", required_argument, nullptr, kOptCount},
    {nullptr, 0, nullptr, 0},
};

bool IsNegativeNumber(const std::string& a) {
    return a.size() > 1 && a[0] == '-' &&
           (std::isdigit(static_cast<unsigned char>(a[1])) ||
            (a[1] == '.' && a.size() > 2 && std::isdigit(static_cast<unsigned char>(a[2]))));
}

// "--name" (no "=value") of an option that takes a value.
bool TakesSeparateValue(const std::string& a) {
    if (a.rfind("--", 0) != 0 || a.find('=') != std::string::npos)
        return false;
    for (const option* o = kLongOptions; o->name; ++o)
        if (a.compare(2, std::string::npos, o->name) == 0)
            return o->has_arg == required_argument;
    return false;
}
} // namespace

CliOptions ParseCliOptions(int argc, char** argv) {
    // Options and their values go to getopt_long; positional arguments (negative numbers among
    // them, and everything after "--") keep their order apart.
    std::vector<char*> options = {argv[0]};
    CliOptions o;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--") {
            for (++i; i < argc; ++i)
                o.args.push_back(argv[i]);
            break;
        }
        if (a.size() > 1 && a[0] == '-' && !IsNegativeNumber(a)) {
            options.push_back(argv[i]);
            if (TakesSeparateValue(a) && i + 1 < argc)
                options.push_back(argv[++i]);
            continue;
        }
        o.args.push_back(a);
    }
    options.push_back(nullptr);
    optind = 0; // a fresh scan (the program's tests parse many command lines)
    opterr = 0;
    const int count = static_cast<int>(options.size()) - 1;
    for (int c; (c = getopt_long(count, options.data(), ":h", kLongOptions, nullptr)) != -1;) {
        switch (c) {
        case 'h':
            o.help = true;
            break;
        case kOptVersion:
            o.version = true;
            break;
        case kOptTrace:
            o.trace = true;
            break;
        case kOptCsv:
            o.csv = true;
            break;
        case kOptForce:
            o.force = true;
            break;
        case kOptJson:
            o.json = true;
            break;
        case kOptPort:
            o.ports.push_back(optarg);
            break;
        case kOptPortsFrom:
            o.portsFrom = optarg;
            break;
        case kOptTcp:
            o.tcp = optarg;
            break;
        case kOptPdf:
            o.pdf = optarg;
            break;
        case kOptUnit:
            o.unit = ParseUnit(optarg);
            break;
        case kOptGroup:
            o.group = ParseNumber(optarg, "group");
            break;
        case kOptCount:
            o.count = ParseNumber(optarg, "count");
            break;
        case ':':
            throw CliUsageError{std::string(options[optind - 1]) + " needs a value"};
        default:
            throw CliUsageError{"unknown option: " + std::string(options[optind - 1])};
        }
    }
    if (o.csv && o.json)
        throw CliUsageError{"--csv and --json exclude each other"};
    if (!o.tcp.empty() && (!o.ports.empty() || !o.portsFrom.empty()))
        throw CliUsageError{"--tcp and --port or --ports-from exclude each other"};
    return o;
}

int RunCli(int argc, char** argv, std::ostream& out, std::ostream& err) {
    g_err = &err;
    return ExitStatusOf(
        [&] {
            CliOptions o = ParseCliOptions(argc, argv);
            if (o.help) {
                out << kUsage;
                return 0;
            }
            if (o.version) {
                out << "q3cli (" << Q3_PRODUCT_NAME << ") " << Q3_VERSION << '\n';
                return 0;
            }
            if (o.args.empty())
                throw CliUsageError{"no command; see q3cli --help"};
            CModelContext::SetTempUnit(o.unit >= 0 ? o.unit : kUnitCelsius);
            for (const Command& c : kCommands)
                if (o.args[0] == c.name)
                    return c.run(o, out);
            if (o.args[0] == "import-table")
                return CmdImportTable(o, out, err);
            if (o.args[0] == "export-table")
                return CmdExportTable(o, out, err);
            if (IsDeviceCommand(o.args[0]))
                return RunDeviceCommand(o, out, err);
            throw CliUsageError{"unknown command: " + o.args[0] + "; see q3cli --help"};
        },
        err);
}
