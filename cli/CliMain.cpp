#include "cli/CliMain.h"

#include <ostream>

int RunCli(int, char**, std::ostream&, std::ostream& err) {
    err << "q3cli: no command\n";
    return 2;
}
