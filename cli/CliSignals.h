#pragma once

#include <atomic>

// The stop signals of q3cli (SIGINT, SIGTERM, SIGHUP). The first asks the running device
// operation to end after its current request: a download restores the process mode on the way
// out. A second one ends the program at once.
void InstallStopSignals();
// Raised by the first stop signal; device operations watch it.
std::atomic<bool>& StopRequested();
// The number of that signal, 0 before one came.
int StopSignal();
