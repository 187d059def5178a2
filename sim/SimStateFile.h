#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// The state file of a simulated unit: a text file of "key=value" lines. "model=<number>" names
// the model; every other key is a decimal register address with its decimal value (0-65535).
// Blank lines and lines starting with '#' are ignored.
struct CSimState {
    int model = 0;
    std::vector<std::pair<uint16_t, uint16_t>> registers;
};

// Throws std::runtime_error naming the file and line on a malformed file; nullopt when the file
// does not exist.
std::optional<CSimState> SimLoadState(const std::string& path);
// Writes a temporary file beside path and renames it over path, so that a reader never sees a
// half-written file. Throws std::runtime_error on failure.
void SimSaveState(const std::string& path, const CSimState& state);
