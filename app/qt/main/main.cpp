// q3config: the Q3 transmitter configurator.
//
// Options: --initial-port PATH  the port to use when the user has not chosen one yet (the run
// script passes the simulator's port).

#include "app/qt/CVELKApp.h"
#include "app/qt/ProgramAssembly.h"

#include <QApplication>
#include <QStringList>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    AssembleProgram();

    CVELKApp app(QCoreApplication::applicationFilePath().toStdString());
    QStringList args = QCoreApplication::arguments();
    int at = args.indexOf("--initial-port");
    if (at > 0 && at + 1 < args.size())
        app.SetInitialPort(args[at + 1].toStdString());
    return app.Run();
}
