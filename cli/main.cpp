#include "cli/CliMain.h"
#include "cli/CliSignals.h"
#include "cli/HistoryCommands.h"
#ifdef Q3_WITH_CERTIFICATE
#include "history/qt/CCertificate.h"
#endif

#include <iostream>

int main(int argc, char** argv) {
    InstallStopSignals();
#ifdef Q3_WITH_CERTIFICATE
    UseCertificateWriter(WriteCertificatePdf);
#endif
    return RunCli(argc, argv, std::cout, std::cerr);
}
