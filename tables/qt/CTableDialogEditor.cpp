#include "tables/qt/CTableDialogEditor.h"

#include "tables/qt/CTableFile2Dialog.h"
#include "tables/qt/CTableFileDialog.h"

#include <QWidget>

#include <algorithm>

bool CTableDialogEditor::EditTemperatureTable(void* parent, TemperatureTable& table, int unit) {
    CTableFile2 file;
    file.startTemperature = table.start;
    file.step = table.step;
    file.values = table.values;
    CTableFile2Dialog dialog(static_cast<QWidget*>(parent));
    if (dialog.edit(file, unit) != CTableFile2Dialog::kOk)
        return false;
    table.start = file.startTemperature;
    table.step = file.step;
    table.values = file.values;
    return true;
}

bool CTableDialogEditor::EditXYTable(void* parent, XYTable& table) {
    // Pairs only: a value without its partner can neither be plotted nor written.
    const std::size_t n = std::min(table.x.size(), table.y.size());
    CTableFile file;
    file.xValues.assign(table.x.begin(), table.x.begin() + static_cast<std::ptrdiff_t>(n));
    file.yValues.assign(table.y.begin(), table.y.begin() + static_cast<std::ptrdiff_t>(n));
    CTableFileDialog dialog(static_cast<QWidget*>(parent));
    dialog.setTable(file);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    const std::size_t kept = std::min(dialog.table().xValues.size(), CTableFile::kMaxPairs);
    table.x.assign(dialog.table().xValues.begin(),
                   dialog.table().xValues.begin() + static_cast<std::ptrdiff_t>(kept));
    table.y.assign(dialog.table().yValues.begin(),
                   dialog.table().yValues.begin() + static_cast<std::ptrdiff_t>(kept));
    return true;
}

void InstallTableDialogs() {
    static CTableDialogEditor editor;
    SetTableEditor(&editor);
}
