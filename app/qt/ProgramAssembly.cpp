#include "app/qt/ProgramAssembly.h"

#include "gui/CMessageBox.h"
#include "tables/qt/CTableDialogEditor.h"

#include <clocale>

void AssembleProgram() {
    std::setlocale(LC_NUMERIC, "C");
    InstallMessageSink();
    InstallTableDialogs();
}
