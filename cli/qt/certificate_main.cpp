// q3certificate ID FILE: writes the calibration certificate of history event ID as a PDF. q3cli
// runs it for "certificate", so that q3cli itself loads no Qt library: every other command
// starts as fast as a plain program. Messages go to standard error; exit status 0 or 3.
#include "comm/CPrivateException.h"
#include "history/CHistory.h"
#include "history/qt/CCertificate.h"

#include <QtGlobal>

#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "Usage: q3certificate ID FILE\n";
        return 2;
    }
    // Only the outcome is q3cli's to say: Qt's notes about the platform are not.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    try {
        std::optional<HistoryEvent> event = CHistory().Find(std::strtoll(argv[1], nullptr, 10));
        if (!event) {
            std::cerr << "The history has no event " << argv[1] << ".\n";
            return 3;
        }
        std::string error;
        if (!WriteCertificatePdf(*event, argv[2], &error)) {
            std::cerr << error << '\n';
            return 3;
        }
    } catch (const CPrivateException& e) {
        std::cerr << e.Message() << '\n';
        return 3;
    }
    return 0;
}
