#pragma once

#include "model/CParBase.h"

#include <memory>
#include <string>
#include <vector>

// Result of opening a parameter file of any model.
struct OpenedParameterFile {
    std::unique_ptr<CParBase> set; // null on failure
    std::string error;             // the failure's own message (213 for an unknown model)
    // Values that did not scan and kept their defaults (keys such as "P2"); see IgnoredText.
    std::vector<std::string> ignored;
};

// Message 42030 naming the file and the keys whose values were ignored; empty when none were.
std::string IgnoredText(const std::string& path, const std::vector<std::string>& keys);

// Reads MODEL of the HEAD section, builds a default set of that model and loads the file into
// it. Never throws; on failure the caller's set stays as it is and it shows error, then 207.
OpenedParameterFile OpenParameterFile(const std::string& path);
// The same for a file's text already read (standard input).
OpenedParameterFile OpenParameterText(const std::string& text);

// A name for the file of an uploaded set: model, serial number (the tag when there is none) and
// today's date, "Q3VA_SN-4711_2026-12-08.cfg"; characters a file name should not hold become "-".
std::string ProposedFileName(const CParBase& set);
