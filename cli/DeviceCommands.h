#pragma once

#include "cli/CliOptions.h"

#include <iosfwd>
#include <string>

// The device commands of q3cli: ports, identify, upload, download, compare, monitor. Each runs
// the device-interface operation the window runs. The connection is --tcp HOST:PORT, else
// --port PATH, else the port chosen in Preferences (the per-user setting "COMPortName").
bool IsDeviceCommand(const std::string& name);
// Runs options.args[0]; returns the exit status (compare: 1 when parameters differ). Failures
// raise CPrivateException (exit 1) and malformed calls CliUsageError (exit 2).
int RunDeviceCommand(const CliOptions& options, std::ostream& out, std::ostream& err);
