#include "cli/CliMain.h"
#include "cli/CliSignals.h"

#include <iostream>

int main(int argc, char** argv) {
    InstallStopSignals();
    return RunCli(argc, argv, std::cout, std::cerr);
}
