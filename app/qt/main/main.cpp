// q3config: the Q3 transmitter configurator.
//
// q3config [--initial-port PATH] [FILE]
//   FILE                 a parameter file (.cfg) for the file pane
//   --initial-port PATH  the port to use when the user has not chosen one yet (the run script
//                        passes the simulator's port)
//   --help, --version    print and exit, without a display

#include "app/qt/CVELKApp.h"
#include "app/qt/ProgramAssembly.h"

#include <QApplication>
#include <QStringList>

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    // Answered before any window system is needed.
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            std::printf("Usage: q3config [--initial-port PATH] [FILE]\n"
                        "Sets up, checks and calibrates Q3 transmitters; FILE is a parameter "
                        "file (.cfg) for the file pane.\n"
                        "  --initial-port PATH  the port to use until one is chosen in "
                        "Preferences\n"
                        "  --help               this text\n"
                        "  --version            the program's version\n");
            return 0;
        }
        if (a == "--version") {
            std::printf("q3config (%s) %s\n", Q3_PRODUCT_NAME, Q3_VERSION);
            return 0;
        }
    }
    QApplication application(argc, argv);
    AssembleProgram();

    CVELKApp app(QCoreApplication::applicationFilePath().toStdString());
    QStringList args = QCoreApplication::arguments();
    int at = args.indexOf("--initial-port");
    if (at > 0 && at + 1 < args.size())
        app.SetInitialPort(args[at + 1].toStdString());
    for (int i = 1; i < args.size(); ++i) {
        if (i == at || i == at + 1 || args[i].startsWith('-'))
            continue;
        app.SetInitialFile(args[i].toStdString());
        break;
    }
    return app.Run();
}
