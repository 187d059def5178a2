#pragma once

#include "cli/CliOptions.h"

#include <ostream>

// q3cli history [SERIAL] | show ID | diff ID1 ID2 | restore ID FILE: the local history of device
// operations (what the device was set to, who changed it, and when).
int CmdHistory(const CliOptions& o, std::ostream& out);
