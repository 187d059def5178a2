#include "cli/DeviceCommands.h"

#include "app/CAppSettings.h"
#include "app/CSettingsStore.h"
#include "cli/CliOutput.h"
#include "cli/CliSignals.h"
#include "comm/CCommInterface.h"
#include "comm/CObserverQueue.h"
#include "comm/CPortList.h"
#include "comm/CPrivateException.h"
#include "comm/CSerialIO.h"
#include "comm/DebugTrace.h"
#include "comm/MessageFormat.h"
#include "device/CDeviceInterface.h"
#include "device/CDeviceInterfaceThread.h"
#include "history/CHistory.h"
#include "model/CDeviceType.h"
#include "model/CProcessPrivilege.h"
#include "model/ParameterFile.h"
#include "model/ParameterIds.h"
#include "resources/CStringTable.h"
#include "resources/StringIds.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <ostream>
#include <set>
#include <sstream>
#include <thread>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace {
using std::chrono::milliseconds;

void Need(const CliOptions& o, std::size_t operands, const char* form) {
    if (o.args.size() != operands + 1)
        throw CliUsageError{std::string("usage: q3cli ") + form};
}

// --trace: the Modbus trace on standard error for the duration of the command.
class CTraceToStream {
public:
    CTraceToStream(bool on, std::ostream& err) : m_on(on) {
        if (!on)
            return;
        auto mutex = std::make_shared<std::mutex>();
        SetTraceSink([&err, mutex](const std::string& line) {
            std::lock_guard lock(*mutex);
            err << line << std::flush;
        });
    }
    ~CTraceToStream() {
        if (m_on)
            SetTraceSink(nullptr);
    }
    CTraceToStream(const CTraceToStream&) = delete;
    CTraceToStream& operator=(const CTraceToStream&) = delete;

private:
    bool m_on;
};

CommSettings SettingsOf(const CliOptions& o) {
    if (!o.tcp.empty()) {
        std::size_t colon = o.tcp.rfind(':');
        int port = 0;
        const char* first = colon == std::string::npos ? nullptr : o.tcp.data() + colon + 1;
        const char* last = o.tcp.data() + o.tcp.size();
        bool numeric =
            first != nullptr && first != last && std::from_chars(first, last, port).ptr == last;
        if (colon == 0 || !numeric || port < 1 || port > 65535)
            throw CliUsageError{"--tcp needs HOST:PORT with a port from 1 to 65535, not " + o.tcp};
        CommSettings s;
        s.mode = kModeTcp;
        s.host = o.tcp.substr(0, colon);
        s.service = o.tcp.substr(colon + 1);
        s.portDisplayName = o.tcp;
        return s;
    }
    CommSettings s = LoadCommSettings(CSettingsStore());
    if (!o.ports.empty())
        s.portName = o.ports.front();
    if (s.portName.empty()) {
        std::string text = "no port chosen: give --port PATH or --tcp HOST:PORT, or choose the "
                           "port in the Preferences of q3config.";
        CPortList found;
        text += found.Entries().empty() ? "\nNo serial port was found on this machine."
                                        : "\nSerial ports found on this machine:";
        for (const PortEntry& e : found.Entries())
            text += "\n  " + e.path + "  " + e.displayName;
        throw CliUsageError{text};
    }
    // On the command line a port is named by its path: the one to type again.
    s.portDisplayName = s.portName;
    return s;
}

// The open connection and a device interface that has identified a supported model. A stop
// signal cancels its operations; another program using the device is waited for.
struct Session {
    Session(const CliOptions& o, std::ostream& err) {
        settings = SettingsOf(o);
        comm.SetSettings(settings);
        auto notice = [&err](const std::string& text) {
            err << "q3cli: " << text << '\n' << std::flush;
        };
        comm.SetWaitNotice(notice);
        ConnectWaiting(notice);
        device.SetConnection(&comm);
        device.SetCancelFlag(&StopRequested());
    }

    // A serial port another program has open is waited for, as a device lock is.
    void ConnectWaiting(const std::function<void(const std::string&)>& notice) {
        using Clock = std::chrono::steady_clock;
        const auto giveUp = Clock::now() + CCommInterface::kWriteLockWait;
        bool told = false;
        for (;;) {
            try {
                comm.Connect();
                return;
            } catch (const CPrivateException&) {
                if (settings.mode == kModeTcp || !CSerialIO::IsBusy(settings.portName) ||
                    StopRequested() || Clock::now() >= giveUp)
                    throw;
            }
            if (!told)
                notice(FormatInserts(LoadStr(kMsgDeviceBusyWaiting), {settings.ShownPortName()}));
            told = true;
            std::this_thread::sleep_for(std::chrono::milliseconds(250));
        }
    }

    // Polls as the window does (identify, monitor); an unsupported model is an error.
    void Identify() {
        device.Poll();
        if (device.IsDeviceValid())
            return;
        std::lock_guard lock(comm.Lock());
        Unsupported(comm.ReadUInt16(kRegModelNumber));
    }

    // The model and the serial number, for a transfer: its own requests read the rest, the
    // model not again. The set of the model stands for the device until the transfer has read
    // it.
    void IdentifyModel() {
        std::lock_guard lock(comm.Lock());
        CCancelScope cancel(comm, &StopRequested());
        const int model = comm.ReadUInt16(kRegModelNumber);
        const int code = CDeviceInterface::TypeCodeOfModel(model);
        std::unique_ptr<CParBase> set(code != 0 ? CDeviceType::NewParameterSet(code) : nullptr);
        if (!set || set->TypeCode() != code)
            Unsupported(model);
        set->ReadSerialNumber(comm);
        identity = std::move(set);
    }

    // What a transfer read of the device: its identity from now on.
    void Read(const CParBase& set) { identity.reset(set.Clone()); }

    // The device's identity for the history: as a transfer read it, else its model and serial.
    const CParBase& Identity() const { return identity ? *identity : *device.DeviceSet(); }

    [[noreturn]] void Unsupported(int model) const {
        throw CPrivateException(StrPrintf(
            "The device on %s reports model number %d, which this program does not support.",
            settings.ShownPortName().c_str(), model));
    }

    CommSettings settings;
    CCommInterface comm;
    CDeviceInterface device;
    std::unique_ptr<CParBase> identity; // after IdentifyModel
};

// Waits for a transfer thread's notification, showing its progress on a terminal.
class CTransferWaiter : public CQueuedObserver {
public:
    CTransferWaiter() : CQueuedObserver(m_dispatcher) {}

    void Wait(CDeviceInterfaceThread& thread, const char* what, bool progress, std::ostream& err) {
        bool terminal = progress && ::isatty(STDERR_FILENO) == 1;
        bool shown = false;
        while (!m_done) {
            m_dispatcher.WaitAndRun(milliseconds(500));
            if (!m_done && terminal) {
                err << '\r' << what << ' ' << thread.Device().Progress() << '%' << std::flush;
                shown = true;
            }
        }
        if (shown)
            err << '\r' << what << " 100%\n" << std::flush;
    }

protected:
    void OnObserverUpdate(CObservable*) override { m_done = true; }

private:
    CQueueDispatcher m_dispatcher;
    bool m_done = false;
};

// Runs command 3 or 4 on a transfer thread as the window does; raises the stored error.
std::unique_ptr<CDeviceInterfaceThread> Transfer(Session& session, int command,
                                                 const CParBase* toDownload, const char* what,
                                                 bool progress, std::ostream& err) {
    CTransferWaiter waiter;
    auto thread = std::make_unique<CDeviceInterfaceThread>();
    thread->AddObserver(&waiter);
    thread->SetConnection(&session.comm);
    thread->Device().SetCancelFlag(&StopRequested());
    thread->SetDownloadSet(toDownload);
    thread->SetIdentifiedSet(session.identity.get());
    thread->PostCommand(command);
    waiter.Wait(*thread, what, progress, err);
    // The waiter goes out of scope below; the finished thread notifies nobody any more.
    if (!thread->Stop())
        throw CPrivateException("The transfer did not end.");
    if (const CPrivateException* error = thread->StoredError())
        throw *error;
    return thread;
}

int CmdPorts(const CliOptions& o, std::ostream& out, std::ostream&) {
    Need(o, 0, "ports [--json]");
    CPortList ports;
    nlohmann::json list = nlohmann::json::array();
    for (const PortEntry& e : ports.Entries()) {
        if (o.json)
            list.push_back({{"path", e.path}, {"name", e.displayName}});
        else
            out << e.path << '\t' << e.displayName << '\n';
    }
    if (o.json)
        out << JsonText(list, 2) << '\n';
    return kExitOk;
}

constexpr int kIdentityIds[] = {kIdModelText, kIdSerial,    kIdHardware, kIdFirmware,
                                kIdTag,       kIdCalibDate, kIdStatus};
constexpr const char* kIdentityKeys[] = {"model", "serial",          "hardware", "firmware",
                                         "tag",   "calibrated_date", "status"};

int CmdIdentify(const CliOptions& o, std::ostream& out, std::ostream& err) {
    Need(o, 0, "identify [--json]");
    Session session(o, err);
    session.Identify();
    const CParBase& set = *session.device.DeviceSet();
    if (o.json) {
        nlohmann::json j = {{"port", session.settings.ShownPortName()},
                            {"model_name", CDeviceType::GetTypeName(set.TypeCode())},
                            {"model_number", set.ModelNumber()},
                            {"status_word", set.GetStatusWord()}};
        for (std::size_t i = 0; i < std::size(kIdentityIds); ++i)
            j[kIdentityKeys[i]] = set.GetDisplayText(kIdentityIds[i], false);
        out << JsonText(j) << '\n';
        return kExitOk;
    }
    out << "Model name\t" << CDeviceType::GetTypeName(set.TypeCode()) << '\n';
    out << "Model number\t" << set.ModelNumber() << '\n';
    for (int id : kIdentityIds)
        out << set.GetParameterName(id) << '\t' << set.GetDisplayText(id, false) << '\n';
    return kExitOk;
}

bool IsDirectory(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Runs an operation on the identified device and records it in the history whatever its
// outcome; a history that cannot be written is a warning, never the operation's failure.
template <typename Operation>
int Recorded(Session& session, const char* operation, std::ostream& err, Operation run) {
    HistoryEvent event;
    auto save = [&] {
        HistoryEvent recorded =
            DeviceEvent(session.Identity(), "q3cli", session.settings.ShownPortName(), operation);
        recorded.outcome = event.outcome;
        recorded.message = event.message;
        recorded.before = event.before;
        recorded.after = event.after;
        recorded.changed = event.changed;
        event = recorded;
        std::string error;
        if (!CHistory().Record(event, &error))
            PrintError(err, "warning: " + error);
    };
    event.outcome = "ok";
    int status = kExitOk;
    try {
        status = run(event);
    } catch (const CPrivateException& e) {
        event.outcome = StopRequested() ? "cancelled" : "failed";
        event.message = e.Message();
        save();
        throw;
    } catch (const CliRejected& e) {
        event.outcome = "refused";
        event.message = e.message;
        save();
        throw;
    }
    save();
    return status;
}

int CmdUpload(const CliOptions& o, std::ostream& out, std::ostream& err) {
    Need(o, 1, "upload FILE|DIRECTORY|-");
    Session session(o, err);
    session.IdentifyModel();
    std::unique_ptr<CDeviceInterfaceThread> thread;
    Recorded(session, "upload", err, [&](HistoryEvent& event) {
        thread = Transfer(session, CDeviceInterfaceThread::kUpload, nullptr,
                          LoadStr(kMsgStatusUploading).c_str(), o.progress, err);
        session.Read(*thread->Device().DeviceSet());
        event.after = thread->Device().DeviceSet()->FileText();
        return kExitOk;
    });
    const CParBase& set = *thread->Device().DeviceSet();
    if (!IsDirectory(o.args[1])) {
        WriteParameterOutput(set, o.args[1], out);
        return kExitOk;
    }
    // A folder: the file is named after the device, and the name is said. Devices without
    // serial and tag, or two alike, never overwrite each other's file (nor an older one).
    std::string folder = o.args[1] + (o.args[1].back() == '/' ? "" : "/");
    std::string name = ProposedFileName(set);
    std::string stem = name.substr(0, name.size() - 4); // without ".cfg"
    std::string path;
    {
        static std::mutex namesMutex;
        static std::set<std::string> taken; // by the devices of this run
        std::lock_guard lock(namesMutex);
        struct stat st {};
        path = folder + name;
        for (int n = 2; taken.count(path) || ::lstat(path.c_str(), &st) == 0; ++n)
            path = folder + stem + "-" + std::to_string(n) + ".cfg";
        taken.insert(path);
    }
    set.SaveFile(path);
    out << path << '\n';
    return kExitOk;
}

int CmdDownload(const CliOptions& o, std::ostream&, std::ostream& err) {
    Need(o, 1, "download FILE|-");
    auto file = OpenParameterInput(o.args[1], err);
    Session session(o, err);
    session.IdentifyModel();
    return Recorded(session, "download", err, [&](HistoryEvent& event) {
        if (session.identity->TypeCode() != file->TypeCode())
            throw CliRejected{LoadStr(kMsgDownloadOtherModel)};
        // The set the device held before, for the history.
        auto before = Transfer(session, CDeviceInterfaceThread::kUpload, nullptr,
                               LoadStr(kMsgStatusUploading).c_str(), o.progress, err);
        session.Read(*before->Device().DeviceSet());
        event.before = before->Device().DeviceSet()->FileText();
        event.after = file->FileText();
        event.changed = ChangedKeys(event.before, event.after);
        auto thread = Transfer(session, CDeviceInterfaceThread::kDownload, file.get(),
                               LoadStr(kMsgStatusDownloading).c_str(), o.progress, err);
        for (const std::string& warning : thread->Device().DeviceSet()->TakeWarnings()) {
            PrintError(err, "warning: " + warning);
            event.message += (event.message.empty() ? "" : "\n") + warning;
        }
        return kExitOk;
    });
}

int CmdCompare(const CliOptions& o, std::ostream& out, std::ostream& err) {
    Need(o, 1, "compare FILE|- [--json]");
    auto file = OpenParameterInput(o.args[1], err);
    Session session(o, err);
    session.IdentifyModel();
    return Recorded(session, "compare", err, [&](HistoryEvent& event) {
        if (session.identity->TypeCode() != file->TypeCode())
            throw CliRejected{LoadStr(kMsgCompareOtherModel)};
        auto thread = Transfer(session, CDeviceInterfaceThread::kUpload, nullptr,
                               LoadStr(kMsgStatusUploading).c_str(), o.progress, err);
        const CParBase& device = *thread->Device().DeviceSet();
        session.Read(device);
        event.after = device.FileText();
        // The walk of the compare dialog: groups 0, 1, 2 ... up to the first empty one, header
        // rows naming the group of the rows after them, value texts compared exactly.
        int mismatches = 0;
        std::string group;
        nlohmann::json differences = nlohmann::json::array();
        for (int g = 0; device.GetParameterCount(g) > 0; ++g) {
            for (int i = 0; i < device.GetParameterCount(g); ++i) {
                int id = device.GetParameterId(g, i);
                std::string name = device.GetParameterName(id);
                if (device.GetParameterKind(id) == kKindHeader) {
                    group = name;
                    continue;
                }
                if (device.GetValueText(id) == file->GetValueText(id))
                    continue;
                ++mismatches;
                event.changed.push_back("P" + std::to_string(id));
                if (o.json)
                    differences.push_back({{"section", group},
                                           {"id", id},
                                           {"name", name},
                                           {"device", ParameterJson(device, id)},
                                           {"file", ParameterJson(*file, id)}});
                else
                    out << group << '\t' << name << '\t' << device.GetDisplayText(id, true) << '\t'
                        << file->GetDisplayText(id, true) << '\n';
            }
        }
        if (o.json)
            out << JsonText({{"match", mismatches == 0},
                             {"count", mismatches},
                             {"differences", differences}},
                            2)
                << '\n';
        else if (mismatches == 0)
            out << LoadStr(kMsgCompareAllMatch) << '\n';
        else
            out << FormatInserts(LoadStr(kMsgCompareMismatches),
                                 {static_cast<long long>(mismatches)})
                << '\n';
        if (mismatches > 0)
            event.message = std::to_string(mismatches) + " differences";
        return mismatches == 0 ? kExitOk : kExitRejected;
    });
}

// The live values of a poll under stable keys; status last.
struct LiveValue {
    const char* key;
    int id;
};

int CmdMonitor(const CliOptions& o, std::ostream& out, std::ostream& err) {
    Need(o, 0, "monitor [--count N] [--csv|--json]");
    Session session(o, err);
    bool header = o.csv;
    for (int n = 0; o.count < 0 || n < o.count; ++n) {
        session.Identify();
        const CParBase& set = *session.device.DeviceSet();
        std::vector<LiveValue> values = {{"input", kIdInputValue}, {"output1", kIdOutput1Value}};
        if (set.GetOutputCount() > 1)
            values.push_back({"output2", kIdOutput2Value});
        std::string time = IsoNow();
        std::string status = set.GetDisplayText(kIdStatus, false);
        if (o.json) {
            nlohmann::json line = {{"time", time}};
            for (const LiveValue& v : values)
                line[v.key] = LiveValueJson(set.GetDisplayText(v.id, true));
            line["status"] = status;
            line["status_word"] = set.GetStatusWord();
            out << JsonText(line) << '\n' << std::flush;
            continue;
        }
        if (!o.csv) {
            out << time;
            for (const LiveValue& v : values)
                out << '\t' << set.GetDisplayText(v.id, true);
            out << '\t' << status << '\n' << std::flush;
            continue;
        }
        // One number per cell, the unit in a column of its own.
        if (header) {
            out << "time";
            for (const LiveValue& v : values)
                out << ',' << v.key << ',' << v.key << "_unit," << v.key << "_percent";
            out << ",status\n";
            header = false;
        }
        out << time;
        for (const LiveValue& v : values) {
            nlohmann::json j = LiveValueJson(set.GetDisplayText(v.id, true));
            auto number = [](const nlohmann::json& cell) {
                return cell.is_null() ? std::string() : JsonText(cell);
            };
            out << ',' << number(j["value"]) << ',' << CsvField(j["unit"].get<std::string>()) << ','
                << number(j["percent"]);
        }
        out << ',' << CsvField(status) << '\n' << std::flush;
    }
    return kExitOk;
}

struct DeviceCommand {
    const char* name;
    int (*run)(const CliOptions&, std::ostream&, std::ostream&);
};

constexpr DeviceCommand kDeviceCommands[] = {
    {"ports", CmdPorts},       {"identify", CmdIdentify}, {"upload", CmdUpload},
    {"download", CmdDownload}, {"compare", CmdCompare},   {"monitor", CmdMonitor},
};
} // namespace

bool IsDeviceCommand(const std::string& name) {
    for (const DeviceCommand& c : kDeviceCommands)
        if (name == c.name)
            return true;
    return false;
}

namespace {
// One device of several: its port and, from --ports-from, its own parameter file.
struct Target {
    std::string port;
    std::string file;
};

std::vector<Target> TargetsOf(const CliOptions& o) {
    std::vector<Target> targets;
    for (const std::string& port : o.ports)
        targets.push_back({port, {}});
    if (o.portsFrom.empty())
        return targets;
    std::ifstream in(o.portsFrom);
    if (!in)
        throw CPrivateException("Can not read the port list " + o.portsFrom + ".");
    int number = 0;
    for (std::string line; std::getline(in, line);) {
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::istringstream fields(line);
        Target t;
        if (!(fields >> t.port) || t.port[0] == '#')
            continue;
        fields >> t.file;
        std::string extra;
        if (fields >> extra)
            throw CliUsageError{StrPrintf("%s line %d: PORT [FILE] expected, not \"%s\"",
                                          o.portsFrom.c_str(), number, line.c_str())};
        targets.push_back(t);
    }
    if (targets.empty())
        throw CliUsageError{o.portsFrom + " names no port"};
    return targets;
}

int RunOne(const CliOptions& o, std::ostream& out, std::ostream& err) {
    for (const DeviceCommand& c : kDeviceCommands)
        if (o.args[0] == c.name)
            return c.run(o, out, err);
    throw CliUsageError{"unknown command: " + o.args[0]};
}

std::string OneLine(const std::string& text) {
    std::string line;
    std::istringstream lines(text);
    for (std::string l; std::getline(lines, l);) {
        if (l.rfind("q3cli: ", 0) == 0)
            l.erase(0, 7);
        std::replace(l.begin(), l.end(), '\t', ' ');
        if (!l.empty())
            line += (line.empty() ? "" : "; ") + l;
    }
    return line;
}

const char* ResultWord(int status) {
    switch (status) {
    case kExitOk:
        return "ok";
    case kExitRejected:
        return "refused";
    case kExitUsage:
        return "usage";
    case kExitFailure:
        return "failed";
    default:
        return "stopped";
    }
}

// Runs the command for every device at once; one line (or JSON object) per device in the order
// given, the worst exit status.
// The command line of each device; every one is checked before any device is touched, so a
// bad line never leaves the rack half written.
std::vector<CliOptions> PerDevice(const CliOptions& o, const std::vector<Target>& targets) {
    const std::string& command = o.args[0];
    if (command == "ports" || command == "monitor")
        throw CliUsageError{command + " takes one port"};
    const bool takesFile = command != "identify";
    std::vector<CliOptions> each;
    std::set<std::string> ports;
    for (const Target& t : targets) {
        if (!ports.insert(t.port).second)
            throw CliUsageError{"the port " + t.port + " is named twice"};
        CliOptions one = o;
        one.ports = {t.port};
        one.portsFrom.clear();
        one.progress = false;
        if (!t.file.empty()) {
            if (!takesFile)
                throw CliUsageError{command + " takes no file: " + t.port + " " + t.file};
            one.args.resize(1);
            one.args.push_back(t.file);
        }
        if (one.args.size() != (takesFile ? 2u : 1u))
            throw CliUsageError{takesFile ? command + " needs a file for " + t.port
                                          : "usage: q3cli " + command};
        // Standard input can be read once and standard output holds one file.
        if (takesFile && one.args[1] == "-")
            throw CliUsageError{"\"-\" serves one device; give a file per device"};
        if (command == "upload" && t.file.empty() && !IsDirectory(one.args[1]))
            throw CliUsageError{"upload of several devices needs a folder, or a file per device "
                                "in --ports-from"};
        each.push_back(std::move(one));
    }
    if (command == "upload") {
        std::set<std::string> files;
        for (const CliOptions& one : each)
            if (!IsDirectory(one.args[1]) && !files.insert(one.args[1]).second)
                throw CliUsageError{"two devices would upload into " + one.args[1]};
    }
    return each;
}

int RunForEach(const CliOptions& o, const std::vector<Target>& targets, std::ostream& out) {
    std::vector<CliOptions> each = PerDevice(o, targets);
    // One device at a time is in write mode (the machine-wide process-mode lock): the devices
    // of a rack take turns for their writes, so each waits for all the others at most.
    CProcessPrivilege::SetLockWait(CCommInterface::kWriteLockWait *
                                   static_cast<int>(targets.size()));
    struct Result {
        int status = 0;
        std::ostringstream out, err;
    };
    std::vector<Result> results(targets.size());
    std::vector<std::thread> workers;
    for (std::size_t i = 0; i < targets.size(); ++i)
        workers.emplace_back([&one = each[i], &r = results[i]] {
            r.status = ExitStatusOf([&] { return RunOne(one, r.out, r.err); }, r.err);
        });
    int worst = 0;
    for (std::size_t i = 0; i < targets.size(); ++i) {
        workers[i].join();
        Result& r = results[i];
        worst = std::max(worst, r.status);
        std::string text = r.out.str();
        std::string problems = OneLine(r.err.str());
        if (!o.json) {
            out << targets[i].port << '\t' << ResultWord(r.status);
            std::string detail = OneLine(text);
            if (!problems.empty())
                detail += (detail.empty() ? "" : "; ") + problems;
            if (!detail.empty())
                out << '\t' << detail;
            out << '\n';
            continue;
        }
        nlohmann::json line = {
            {"port", targets[i].port}, {"result", ResultWord(r.status)}, {"exit", r.status}};
        nlohmann::json parsed = nlohmann::json::parse(text, nullptr, false);
        if (!parsed.is_discarded())
            line["output"] = parsed;
        else if (!text.empty())
            line["output"] = OneLine(text);
        if (!problems.empty())
            line["messages"] = problems;
        out << JsonText(line) << '\n';
    }
    out << std::flush;
    return worst;
}
} // namespace

int RunDeviceCommand(const CliOptions& options, std::ostream& out, std::ostream& err) {
    if (options.args.empty())
        throw CliUsageError{"no command"};
    CTraceToStream trace(options.trace, err);
    std::vector<Target> targets = TargetsOf(options);
    if (targets.size() > 1 || !options.portsFrom.empty())
        return RunForEach(options, targets, out);
    return RunOne(options, out, err);
}
