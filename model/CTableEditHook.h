#pragma once

#include <string>
#include <vector>

// A temperature table (custom RTD or thermocouple): sensor values at start + j x step (deg C).
struct TemperatureTable {
    double start = 0;
    int step = 1;
    std::vector<double> values;
};

// An XY linearization table in percent.
struct XYTable {
    std::vector<double> x;
    std::vector<double> y;
};

// The GUI's table dialogs, reached by a parameter set's group action. Without an editor
// (command-line use) the group action does nothing.
class ITableEditor {
public:
    virtual ~ITableEditor() = default;
    // parent: the window to own the dialog. True when the dialog ended with OK and table holds
    // the result; false leaves table as it was given. unit: display temperature unit.
    virtual bool EditTemperatureTable(void* parent, TemperatureTable& table, int unit) = 0;
    virtual bool EditXYTable(void* parent, XYTable& table) = 0;
};

void SetTableEditor(ITableEditor* editor);
ITableEditor* GetTableEditor();
