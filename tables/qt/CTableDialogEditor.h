#pragma once

#include "model/CTableEditHook.h"

// The parameter sets' table editor in the GUI: runs the "Linearize Table" dialogs modally.
// parent is the QWidget* that owns the dialog (may be null).
class CTableDialogEditor : public ITableEditor {
public:
    bool EditTemperatureTable(void* parent, TemperatureTable& table, int unit) override;
    bool EditXYTable(void* parent, XYTable& table) override;
};

// Makes a process-wide CTableDialogEditor the parameter sets' table editor (SetTableEditor).
// The program calls it once at start, after creating the QApplication.
void InstallTableDialogs();
