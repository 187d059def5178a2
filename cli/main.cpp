#include "cli/CliMain.h"
#include "cli/CliSignals.h"
#include "cli/HistoryCommands.h"

#include <iostream>

int main(int argc, char** argv) {
    InstallStopSignals();
#ifdef Q3_WITH_CERTIFICATE
    UseCertificateHelper(Q3_HELPER_FROM_CLI);
#endif
    return RunCli(argc, argv, std::cout, std::cerr);
}
