#pragma once

#include <iosfwd>

// The whole q3cli program over the core library; exit status 0 success, 1 failure, 2 usage.
int RunCli(int argc, char** argv, std::ostream& out, std::ostream& err);
