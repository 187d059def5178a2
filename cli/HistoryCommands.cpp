#include "cli/HistoryCommands.h"

#include "cli/CliOutput.h"
#include "comm/CPrivateException.h"
#include "history/CHistory.h"
#include "model/ParameterFile.h"
#include "platform/CSystemCalls.h"

#include <nlohmann/json.hpp>

#include <charconv>
#include <memory>
#include <optional>

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

namespace {
std::optional<std::string> g_helperDir;

int64_t EventId(const std::string& text) {
    int64_t id = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), id);
    if (error != std::errc() || end != text.data() + text.size() || id <= 0)
        throw CliUsageError{"not an event number: " + text};
    return id;
}

HistoryEvent Event(const std::string& text) {
    std::optional<HistoryEvent> event = CHistory().Find(EventId(text));
    if (!event)
        throw CliRejected{"The history has no event " + text + "."};
    return *event;
}

// The parameter set an event recorded: the one after a write, else the one read.
std::unique_ptr<CParBase> SetOf(const HistoryEvent& event) {
    const std::string& text = event.after.empty() ? event.before : event.after;
    if (text.empty())
        throw CliRejected{"Event " + std::to_string(event.id) + " (" + event.operation +
                          ") holds no parameter set."};
    OpenedParameterFile opened = OpenParameterText(text);
    if (!opened.set)
        throw CPrivateException(opened.error);
    return std::move(opened.set);
}

std::string OneLine(std::string text) {
    for (char& c : text)
        if (c == '\n' || c == '\r' || c == '\t')
            c = ' ';
    return text;
}

nlohmann::json EventJson(const HistoryEvent& e) {
    return {{"id", e.id},
            {"time", e.time},
            {"model", e.model},
            {"serial", e.serial},
            {"tag", e.tag},
            {"user", e.user},
            {"host", e.host},
            {"program", e.program},
            {"version", e.version},
            {"port", e.port},
            {"operation", e.operation},
            {"outcome", e.outcome},
            {"message", e.message},
            {"changed", e.changed}};
}

int List(const CliOptions& o, std::ostream& out) {
    std::vector<HistoryEvent> events = CHistory().List(o.args.size() > 1 ? o.args[1] : "");
    nlohmann::json rows = nlohmann::json::array();
    for (const HistoryEvent& e : events) {
        if (o.json)
            rows.push_back(EventJson(e));
        else
            out << e.id << '\t' << e.time << '\t' << e.model << '\t' << e.serial << '\t'
                << e.operation << '\t' << e.outcome << '\t' << OneLine(e.message) << '\n';
    }
    if (o.json)
        out << JsonText(rows, 2) << '\n';
    return kExitOk;
}

int ShowEvent(const CliOptions& o, std::ostream& out) {
    HistoryEvent e = Event(o.args[2]);
    if (o.json) {
        nlohmann::json row = EventJson(e);
        row["before"] = e.before;
        row["after"] = e.after;
        out << JsonText(row, 2) << '\n';
        return kExitOk;
    }
    out << "event\t" << e.id << "\ntime\t" << e.time << "\nmodel\t" << e.model << "\nserial\t"
        << e.serial << "\ntag\t" << e.tag << "\nuser\t" << e.user << '@' << e.host << "\nprogram\t"
        << e.program << ' ' << e.version << "\nport\t" << e.port << "\noperation\t" << e.operation
        << "\noutcome\t" << e.outcome << '\n';
    if (!e.message.empty())
        out << "message\t" << OneLine(e.message) << '\n';
    if (!e.changed.empty()) {
        out << "changed\t";
        for (std::size_t i = 0; i < e.changed.size(); ++i)
            out << (i ? " " : "") << e.changed[i];
        out << '\n';
    }
    if (e.after.empty() && e.before.empty())
        return kExitOk;
    auto set = SetOf(e);
    out << '\n';
    for (int g = 0; g <= kGroupTable; ++g)
        for (int i = 0; i < set->GetParameterCount(g); ++i) {
            int id = set->GetParameterId(g, i);
            out << id << '\t' << set->GetParameterName(id) << '\t' << set->GetDisplayText(id, true)
                << '\n';
        }
    return kExitOk;
}

// The rows whose values differ, as compare lists them: section, name, first, second.
int Diff(const CliOptions& o, std::ostream& out) {
    HistoryEvent first = Event(o.args[2]);
    HistoryEvent second = Event(o.args[3]);
    auto a = SetOf(first);
    auto b = SetOf(second);
    if (a->ModelNumber() != b->ModelNumber())
        throw CliRejected{"Events " + o.args[2] + " and " + o.args[3] +
                          " are of different models (" + a->ModelString() + ", " +
                          b->ModelString() + ")."};
    int differences = 0;
    std::string section;
    for (int g = 0; a->GetParameterCount(g) > 0; ++g)
        for (int i = 0; i < a->GetParameterCount(g); ++i) {
            int id = a->GetParameterId(g, i);
            if (a->GetParameterKind(id) == kKindHeader) {
                section = a->GetParameterName(id);
                continue;
            }
            if (g == kGroupMonitor || a->GetValueText(id) == b->GetValueText(id))
                continue;
            ++differences;
            out << section << '\t' << a->GetParameterName(id) << '\t' << a->GetDisplayText(id, true)
                << '\t' << b->GetDisplayText(id, true) << '\n';
        }
    if (differences == 0)
        out << "All parameters matching.\n";
    return differences == 0 ? kExitOk : kExitRejected;
}

int Restore(const CliOptions& o, std::ostream& out) {
    HistoryEvent e = Event(o.args[2]);
    auto set = SetOf(e);
    struct stat st {};
    if (!o.force && o.args[3] != "-" && ::stat(o.args[3].c_str(), &st) == 0)
        throw CliRejected{o.args[3] + " exists already; use --force to replace it."};
    WriteParameterOutput(*set, o.args[3], out);
    return kExitOk;
}
} // namespace

int CmdHistory(const CliOptions& o, std::ostream& out) {
    const std::string sub = o.args.size() > 1 ? o.args[1] : "";
    if (sub == "show" && o.args.size() == 3)
        return ShowEvent(o, out);
    if (sub == "diff" && o.args.size() == 4)
        return Diff(o, out);
    if (sub == "restore" && o.args.size() == 4)
        return Restore(o, out);
    if (sub != "show" && sub != "diff" && sub != "restore" && o.args.size() <= 2)
        return List(o, out);
    throw CliUsageError{"usage: q3cli history [SERIAL] | history show ID | history diff ID1 ID2 | "
                        "history restore ID FILE"};
}

void UseCertificateHelper(std::string helperDir) {
    g_helperDir = std::move(helperDir);
}

namespace {
// The helper beside this program (a build tree), else in the program directory.
std::string HelperPath() {
    CSystemCalls& sys = CSystemCalls::Current();
    const std::string exe = sys.ReadLink("/proc/self/exe");
    if (exe.empty())
        throw CPrivateException("The certificate program cannot be found: this program's own "
                                "path is unknown.");
    const std::string dir = exe.substr(0, exe.rfind('/') + 1);
    for (const std::string& candidate :
         {dir + "q3certificate", dir + *g_helperDir + "/q3certificate"})
        if (sys.Access(candidate.c_str(), X_OK) == 0)
            return candidate;
    throw CPrivateException("The certificate program q3certificate was not found beside " + exe +
                            ".");
}

// Runs the helper; its message on failure.
void RunHelper(const HistoryEvent& event, const std::string& path) {
    const std::string helper = HelperPath();
    const std::string id = std::to_string(event.id);
    int pipe[2];
    if (::pipe2(pipe, O_CLOEXEC) != 0)
        throw CPrivateException("The certificate program could not be started.");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipe[1], STDERR_FILENO);
    char* argv[] = {const_cast<char*>(helper.c_str()), const_cast<char*>(id.c_str()),
                    const_cast<char*>(path.c_str()), nullptr};
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, helper.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipe[1]);
    std::string message;
    char buffer[512];
    for (ssize_t got; (got = ::read(pipe[0], buffer, sizeof buffer)) != 0;) {
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            break;
        message.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(pipe[0]);
    int status = 0;
    if (spawned == 0)
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    if (spawned != 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        while (!message.empty() && message.back() == '\n')
            message.pop_back();
        throw CPrivateException(message.empty() ? "The certificate program failed." : message);
    }
}
} // namespace

int CmdCertificate(const CliOptions& o, std::ostream& out) {
    if (o.args.size() != 2 || o.pdf.empty())
        throw CliUsageError{"usage: q3cli certificate ID --pdf FILE"};
    HistoryEvent e = Event(o.args[1]);
    if (e.points.empty())
        throw CliRejected{"Event " + o.args[1] + " (" + e.operation +
                          ") is not a calibration check: it holds no test points."};
    if (!g_helperDir)
        throw CliRejected{"This build of q3cli writes no PDF files."};
    struct stat st {};
    if (!o.force && ::stat(o.pdf.c_str(), &st) == 0)
        throw CliRejected{o.pdf + " exists already; use --force to replace it."};
    RunHelper(e, o.pdf);
    out << o.pdf << '\n';
    return kExitOk;
}
