#include "cli/CliOutput.h"

#include "cli/CliOptions.h"
#include "cli/CliSignals.h"
#include "comm/CPrivateException.h"
#include "comm/MessageFormat.h"
#include "model/ParameterFile.h"

#include <charconv>
#include <chrono>
#include <ctime>
#include <iostream>
#include <iterator>
#include <ostream>
#include <sstream>

using nlohmann::json;

std::optional<Measure> ParseMeasure(const std::string& text) {
    const char* first = text.data();
    const char* last = first + text.size();
    if (first != last && *first == '+')
        ++first;
    Measure m;
    auto [end, ec] = std::from_chars(first, last, m.value);
    if (ec != std::errc())
        return std::nullopt;
    std::string unit(end, last);
    std::size_t begin = unit.find_first_not_of(" (");
    std::size_t stop = unit.find_last_not_of(" )");
    m.unit = begin == std::string::npos ? std::string() : unit.substr(begin, stop - begin + 1);
    return m;
}

json ParameterJson(const CParBase& set, int id) {
    json v;
    std::string bare = set.GetDisplayText(id, false);
    std::string full = set.GetDisplayText(id, true);
    v["text"] = full;
    // A number is a value that the list shows with a unit; texts such as a tag of digits or
    // a date stay texts.
    std::optional<Measure> number = ParseMeasure(bare);
    std::optional<Measure> withUnit = ParseMeasure(full);
    if (number && number->unit.empty() && withUnit && !withUnit->unit.empty() &&
        set.GetParameterKind(id) != kKindChoice) {
        v["value"] = withUnit->value;
        v["unit"] = withUnit->unit;
    } else {
        v["value"] = bare;
    }
    if (set.GetParameterKind(id) == kKindChoice)
        v["index"] = set.GetValue(id);
    return v;
}

json LiveValueJson(const std::string& text) {
    json v = {{"value", nullptr}, {"unit", ""}, {"percent", nullptr}, {"text", text}};
    std::size_t comma = text.find(", ");
    if (auto m = ParseMeasure(text.substr(0, comma))) {
        v["value"] = m->value;
        v["unit"] = m->unit;
    }
    if (comma != std::string::npos)
        if (auto p = ParseMeasure(text.substr(comma + 2)); p && p->unit == "%")
            v["percent"] = p->value;
    return v;
}

std::string JsonText(const json& value, int indent) {
    return value.dump(indent, ' ', false, json::error_handler_t::replace);
}

std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\n") == std::string::npos)
        return text;
    std::string out = "\"";
    for (char c : text)
        out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

std::string IsoNow() {
    auto now = std::chrono::system_clock::now();
    std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&seconds, &local);
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()) % 1000;
    char date[32];
    char zone[8];
    std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &local);
    std::strftime(zone, sizeof zone, "%z", &local); // "+0100"; ISO 8601 writes "+01:00"
    std::string offset = zone;
    if (offset.size() == 5)
        offset.insert(3, ":");
    return StrPrintf("%s.%03d%s", date, static_cast<int>(ms.count()), offset.c_str());
}

void PrintError(std::ostream& err, const std::string& message) {
    std::istringstream lines(message);
    for (std::string line; std::getline(lines, line);)
        err << "q3cli: " << line << '\n';
}

int ExitStatusOf(const std::function<int()>& command, std::ostream& err) {
    try {
        return command();
    } catch (const CliUsageError& e) {
        PrintError(err, e.message);
        return kExitUsage;
    } catch (const CliRejected& e) {
        PrintError(err, e.message);
        return kExitRejected;
    } catch (const CPrivateException& e) {
        PrintError(err, e.Message());
        // Ended by a stop signal: the shell's convention, 128 + the signal's number.
        return StopSignal() != 0 ? 128 + StopSignal() : kExitFailure;
    } catch (const std::exception& e) {
        // Out of memory, or a library's own failure: said, never an abort.
        PrintError(err, e.what());
        return kExitFailure;
    }
}

std::unique_ptr<CParBase> OpenParameterInput(const std::string& path, std::ostream& err) {
    OpenedParameterFile opened;
    if (path == "-") {
        std::string text{std::istreambuf_iterator<char>(std::cin), {}};
        if (std::cin.bad())
            throw CPrivateException("Can not read the standard input.");
        opened = OpenParameterText(text);
    } else {
        opened = OpenParameterFile(path);
    }
    if (!opened.set)
        throw CPrivateException(opened.error);
    if (!opened.ignored.empty())
        PrintError(err, IgnoredText(path == "-" ? "standard input" : path, opened.ignored));
    return std::move(opened.set);
}

void WriteParameterOutput(const CParBase& set, const std::string& path, std::ostream& out) {
    if (path != "-") {
        set.SaveFile(path);
        return;
    }
    out << set.FileText() << std::flush;
    if (!out)
        throw CPrivateException("Can not write to the standard output.");
}
