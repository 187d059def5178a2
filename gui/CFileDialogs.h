#pragma once

#include <QString>

#include <functional>
#include <string>

class CSettingsStore;
class QWidget;

// The kinds of file the dialogs remember a folder for, each apart.
enum class FileKind { ParameterFile, Table, Csv, Pdf, Trace };

// Where the folders are kept (section "Folders" of the user's settings); null: the dialogs
// start in the working directory and remember nothing.
void SetFileDialogStore(CSettingsStore* store);

// The standard open and save dialogs of the program, with the string table's filter
// ("Description|pattern|...||"). Each starts in the folder last used for kind and returns the
// chosen path, empty when cancelled.
QString AskOpenFileName(QWidget* parent, const QString& title, const std::string& filter,
                        const QString& defaultSuffix, FileKind kind);
// Confirms overwriting an existing file. proposed: a path, or a bare name put in the folder.
QString AskSaveFileName(QWidget* parent, const QString& title, const std::string& filter,
                        const QString& defaultSuffix, FileKind kind, const QString& proposed = {});

// The filter in Qt's form: one "Description (patterns)" entry per pair, Qt's "*" standing for
// "*.*" (which would need a dot). With the dialog hiding the pattern part, the descriptions
// show exactly as in the string table.
QStringList QtNameFilters(const std::string& filter);

// Replaces both dialogs (tests, screenshot runs): receives save = false for open, true for save,
// the path the dialog would start at (a folder, or the proposed file), and returns the path.
// Null restores the dialogs.
using FileDialogHook = std::function<QString(QWidget* parent, bool save, const QString& title,
                                             const QStringList& filters, const QString& start)>;
void SetFileDialogHook(FileDialogHook hook);
