#pragma once

#include "model/CParBase.h"

#include <memory>
#include <string>

// Result of opening a parameter file of any model.
struct OpenedParameterFile {
    std::unique_ptr<CParBase> set; // null on failure
    std::string error;             // the failure's own message (213 for an unknown model)
};

// Reads MODEL of the HEAD section, builds a default set of that model and loads the file into
// it. Never throws; on failure the caller's set stays as it is and it shows error, then 207.
OpenedParameterFile OpenParameterFile(const std::string& path);
