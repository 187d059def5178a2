#pragma once

#include "model/CParBase.h"

#include <nlohmann/json.hpp>

#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>

// What q3cli prints for scripts: JSON values and CSV fields, and "-" for standard input and
// output where a parameter file is read or written.

// A number at the start of a display text ("12.3698mA", "-50.0000 (deg C)") and the unit
// after it; nothing when the text does not start with a number.
struct Measure {
    double value = 0;
    std::string unit;
};
std::optional<Measure> ParseMeasure(const std::string& text);

// A parameter as a JSON object: "text" as the list shows it, "value" as a number with its
// "unit" when the list shows it with one, else the text; a choice also carries its "index".
nlohmann::json ParameterJson(const CParBase& set, int id);

// A live value such as "12.3698mA, 52.3113%": {"value", "unit", "percent"}, null where a
// part is not a number (the text is kept in "text").
nlohmann::json LiveValueJson(const std::string& text);

// JSON text of value; bytes that are no UTF-8 (a Latin-1 path) become U+FFFD, never an error.
std::string JsonText(const nlohmann::json& value, int indent = -1);

std::string CsvField(const std::string& text);

// The current local time in ISO 8601 with milliseconds and the zone offset.
std::string IsoNow();

// Every line of message on err, each starting with "q3cli: ".
void PrintError(std::ostream& err, const std::string& message);

// Runs command and returns its exit status; a failure is said on err and becomes its status
// (usage 2, refused 1, communication or file 3, 128 + N after stop signal N). Nothing escapes:
// a worker of several devices must not end the program while others are being written.
int ExitStatusOf(const std::function<int()>& command, std::ostream& err);

// Opens a parameter file ("-": standard input); values that did not scan are said on err.
// Throws CPrivateException when the file does not open.
std::unique_ptr<CParBase> OpenParameterInput(const std::string& path, std::ostream& err);
// Writes set as a parameter file ("-": on out).
void WriteParameterOutput(const CParBase& set, const std::string& path, std::ostream& out);
