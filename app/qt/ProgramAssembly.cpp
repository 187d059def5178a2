#include "app/qt/ProgramAssembly.h"

#include "app/qt/CMessageBox.h"
#include "tables/qt/CTableDialogEditor.h"

#include <clocale>

void AssembleProgram() {
    std::setlocale(LC_NUMERIC, "C");
    InstallMessageSink();
    InstallTableDialogs();
}
