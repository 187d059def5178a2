// Main of q3_gui_tests: a QApplication on the offscreen platform, with the per-user runtime and
// configuration directories pointed at fresh temporary directories so that no test reads or
// writes the user's own settings.

#include "app/qt/ProgramAssembly.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
    QTemporaryDir runtime;
    QTemporaryDir config;
    if (!runtime.isValid() || !config.isValid())
        return 2;
    QFile::setPermissions(runtime.path(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    setenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit().constData(), 1);
    setenv("XDG_CONFIG_HOME", config.path().toLocal8Bit().constData(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // Tests compare English texts unless they switch the language themselves.
    setenv("LC_ALL", "C.UTF-8", 1);

    QApplication app(argc, argv);
    // The program's own wiring; tests replace a part of it only for their own duration.
    AssembleProgram();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
