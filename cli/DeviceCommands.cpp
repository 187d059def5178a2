#include "cli/DeviceCommands.h"

#include "app/CSettingsStore.h"
#include "cli/CliSignals.h"
#include "comm/CCommInterface.h"
#include "comm/CDeviceInterface.h"
#include "comm/CDeviceInterfaceThread.h"
#include "comm/CObserverQueue.h"
#include "comm/CPortList.h"
#include "comm/CPrivateException.h"
#include "comm/CSerialIO.h"
#include "comm/DebugTrace.h"
#include "comm/MessageFormat.h"
#include "model/CDeviceType.h"
#include "model/ParameterFile.h"
#include "model/ParameterIds.h"
#include "resources/CStringTable.h"
#include "resources/StringIds.h"

#include <charconv>
#include <chrono>
#include <ctime>
#include <functional>
#include <memory>
#include <mutex>
#include <ostream>
#include <thread>
#include <vector>

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
    CommSettings s = CCommInterface::LoadSettings(CSettingsStore());
    if (!o.port.empty()) {
        s.portName = o.port;
        s.portDisplayName = o.port;
    }
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

    // Polls as the window does before it offers a transfer; an unsupported model is an error.
    void Identify() {
        device.Poll();
        if (device.IsDeviceValid())
            return;
        std::lock_guard lock(comm.Lock());
        int model = comm.ReadUInt16(kRegModelNumber);
        throw CPrivateException(StrPrintf(
            "The device on %s reports model number %d, which this program does not support.",
            settings.ShownPortName().c_str(), model));
    }

    CommSettings settings;
    CCommInterface comm;
    CDeviceInterface device;
};

// Waits for a transfer thread's notification, showing its progress on a terminal.
class CTransferWaiter : public CQueuedObserver {
public:
    CTransferWaiter() : CQueuedObserver(m_dispatcher) {}

    void Wait(CDeviceInterfaceThread& thread, const char* what, std::ostream& err) {
        bool terminal = ::isatty(STDERR_FILENO) == 1;
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
                                                 std::ostream& err) {
    CTransferWaiter waiter;
    auto thread = std::make_unique<CDeviceInterfaceThread>();
    thread->AddObserver(&waiter);
    thread->SetConnection(&session.comm);
    thread->Device().SetCancelFlag(&StopRequested());
    thread->SetDownloadSet(toDownload);
    thread->PostCommand(command);
    waiter.Wait(*thread, what, err);
    // The waiter goes out of scope below; the finished thread notifies nobody any more.
    if (!thread->Stop())
        throw CPrivateException("The transfer did not end.");
    if (const CPrivateException* error = thread->StoredError())
        throw *error;
    return thread;
}

std::unique_ptr<CParBase> OpenFile(const std::string& path, std::ostream& err) {
    OpenedParameterFile opened = OpenParameterFile(path);
    if (!opened.set)
        throw CPrivateException(opened.error);
    if (!opened.ignored.empty())
        err << "q3cli: " << IgnoredText(path, opened.ignored) << '\n';
    return std::move(opened.set);
}

int CmdPorts(const CliOptions& o, std::ostream& out, std::ostream&) {
    Need(o, 0, "ports");
    CPortList ports;
    for (const PortEntry& e : ports.Entries())
        out << e.path << '\t' << e.displayName << '\n';
    return 0;
}

int CmdIdentify(const CliOptions& o, std::ostream& out, std::ostream& err) {
    Need(o, 0, "identify");
    Session session(o, err);
    session.Identify();
    const CParBase& set = *session.device.DeviceSet();
    out << "Model name\t" << CDeviceType::GetTypeName(set.TypeCode()) << '\n';
    out << "Model number\t" << set.ModelNumber() << '\n';
    for (int id :
         {kIdModelText, kIdSerial, kIdHardware, kIdFirmware, kIdTag, kIdCalibDate, kIdStatus})
        out << set.GetParameterName(id) << '\t' << set.GetDisplayText(id, false) << '\n';
    return 0;
}

int CmdUpload(const CliOptions& o, std::ostream&, std::ostream& err) {
    Need(o, 1, "upload FILE");
    Session session(o, err);
    session.Identify();
    auto thread = Transfer(session, CDeviceInterfaceThread::kUpload, nullptr,
                           LoadStr(kMsgStatusUploading).c_str(), err);
    thread->Device().DeviceSet()->SaveFile(o.args[1]);
    return 0;
}

int CmdDownload(const CliOptions& o, std::ostream&, std::ostream& err) {
    Need(o, 1, "download FILE");
    auto file = OpenFile(o.args[1], err);
    Session session(o, err);
    session.Identify();
    if (session.device.DeviceSet()->TypeCode() != file->TypeCode())
        throw CPrivateException::FromId(kMsgDownloadOtherModel);
    auto thread = Transfer(session, CDeviceInterfaceThread::kDownload, file.get(),
                           LoadStr(kMsgStatusDownloading).c_str(), err);
    for (const std::string& warning : thread->Device().DeviceSet()->TakeWarnings())
        err << "q3cli: warning: " << warning << '\n';
    return 0;
}

int CmdCompare(const CliOptions& o, std::ostream& out, std::ostream& err) {
    Need(o, 1, "compare FILE");
    auto file = OpenFile(o.args[1], err);
    Session session(o, err);
    session.Identify();
    if (session.device.DeviceSet()->TypeCode() != file->TypeCode())
        throw CPrivateException::FromId(kMsgCompareOtherModel);
    auto thread = Transfer(session, CDeviceInterfaceThread::kUpload, nullptr,
                           LoadStr(kMsgStatusUploading).c_str(), err);
    const CParBase& device = *thread->Device().DeviceSet();
    // The walk of the compare dialog: groups 0, 1, 2 ... up to the first empty one, header
    // rows naming the group of the rows after them, value texts compared exactly.
    int mismatches = 0;
    std::string group;
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
            out << group << '\t' << name << '\t' << device.GetDisplayText(id, true) << '\t'
                << file->GetDisplayText(id, true) << '\n';
        }
    }
    if (mismatches == 0)
        out << LoadStr(kMsgCompareAllMatch) << '\n';
    else
        out << FormatInserts(LoadStr(kMsgCompareMismatches), {static_cast<long long>(mismatches)})
            << '\n';
    return mismatches == 0 ? 0 : 1;
}

std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\n") == std::string::npos)
        return text;
    std::string out = "\"";
    for (char c : text)
        out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

std::string Now() {
    auto now = std::chrono::system_clock::now();
    std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&seconds, &local);
    auto ms = std::chrono::duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return StrPrintf("%s.%03d", text, static_cast<int>(ms));
}

int CmdMonitor(const CliOptions& o, std::ostream& out, std::ostream& err) {
    Need(o, 0, "monitor [--count N] [--csv]");
    Session session(o, err);
    bool header = o.csv;
    for (int n = 0; o.count < 0 || n < o.count; ++n) {
        session.Identify();
        const CParBase& set = *session.device.DeviceSet();
        std::vector<int> ids = {kIdInputValue, kIdOutput1Value};
        if (set.GetOutputCount() > 1)
            ids.push_back(kIdOutput2Value);
        ids.push_back(kIdStatus);
        if (header) {
            out << "time";
            for (int id : ids)
                out << ',' << CsvField(set.GetParameterName(id));
            out << '\n';
            header = false;
        }
        out << Now();
        for (int id : ids) {
            std::string text = set.GetDisplayText(id, id != kIdStatus);
            out << (o.csv ? ',' : '\t') << (o.csv ? CsvField(text) : text);
        }
        out << '\n' << std::flush;
    }
    return 0;
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

int RunDeviceCommand(const CliOptions& options, std::ostream& out, std::ostream& err) {
    if (options.args.empty())
        throw CliUsageError{"no command"};
    CTraceToStream trace(options.trace, err);
    for (const DeviceCommand& c : kDeviceCommands)
        if (options.args[0] == c.name)
            return c.run(options, out, err);
    throw CliUsageError{"unknown command: " + options.args[0]};
}
