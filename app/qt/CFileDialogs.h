#pragma once

#include <QString>

#include <functional>
#include <string>

class QWidget;

// The standard open and save dialogs of the program, with the string table's filter
// ("Description|pattern|...||"). Each returns the chosen path, empty when cancelled.
QString AskOpenFileName(QWidget* parent, const QString& title, const std::string& filter,
                        const QString& defaultSuffix);
// Confirms overwriting an existing file.
QString AskSaveFileName(QWidget* parent, const QString& title, const std::string& filter,
                        const QString& defaultSuffix);

// The filter in Qt's form: one "Description (patterns)" entry per pair, Qt's "*" standing for
// "*.*" (which would need a dot). With the dialog hiding the pattern part, the descriptions
// show exactly as in the string table.
QStringList QtNameFilters(const std::string& filter);

// Replaces both dialogs (tests, screenshot runs): receives save = false for open, true for save,
// and returns the path. Null restores the dialogs.
using FileDialogHook = std::function<QString(QWidget* parent, bool save, const QString& title,
                                             const QStringList& filters)>;
void SetFileDialogHook(FileDialogHook hook);
