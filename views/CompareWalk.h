#pragma once

#include <string>
#include <vector>

class CParBase;

// One row of a compare: a setting of groups 0, 1, 2, ... (up to the first empty group) with the
// display texts of both sets. Group header rows name the group and are not rows themselves.
struct CompareRow {
    std::string group;      // name of the last group header row met
    std::string name;       // parameter name
    std::string deviceText; // display text with unit
    std::string fileText;
    bool differs = false;   // the unit-free value texts differ (exact, case-sensitive)
    int headerCounter = -1; // group headers met before this row, minus one
};

// Walks the device set and compares each setting with the file set (same model).
std::vector<CompareRow> CompareWalk(const CParBase& device, const CParBase& file);
int CountMismatches(const std::vector<CompareRow>& rows);
// Index of the first differing row; -1 when every row matches.
int FirstMismatch(const std::vector<CompareRow>& rows);
// The result line: message 30100 when all match, else 30101 with the number of mismatches.
std::string CompareResultText(int mismatches);
