#include "gui/CFileDialogs.h"

#include "app/CSettingsStore.h"
#include "comm/CPrivateException.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStringList>

namespace {
FileDialogHook g_hook;
CSettingsStore* g_store = nullptr;

const char* FolderKey(FileKind kind) {
    switch (kind) {
    case FileKind::ParameterFile:
        return "ParameterFiles";
    case FileKind::Table:
        return "Tables";
    case FileKind::Csv:
        return "CSV";
    case FileKind::Pdf:
        return "PDF";
    case FileKind::Trace:
        return "Trace";
    }
    return "Other";
}

// The folder last used for kind while it still exists; else the working directory.
QString StartFolder(FileKind kind) {
    if (g_store) {
        QString folder = QString::fromStdString(g_store->GetString("Folders", FolderKey(kind)));
        if (!folder.isEmpty() && QFileInfo(folder).isDir())
            return folder;
    }
    return QDir::currentPath();
}

void RememberFolder(FileKind kind, const QString& path) {
    if (!g_store || path.isEmpty())
        return;
    try {
        g_store->SetString("Folders", FolderKey(kind),
                           QFileInfo(path).absolutePath().toStdString());
    } catch (const CPrivateException&) {
        // A folder not remembered is no reason to fail the user's file operation.
    }
}

QString Ask(QWidget* parent, bool save, const QString& title, const std::string& filter,
            const QString& defaultSuffix, FileKind kind, const QString& proposed) {
    QStringList filters = QtNameFilters(filter);
    QString start = StartFolder(kind);
    if (!proposed.isEmpty())
        start = QFileInfo(proposed).isAbsolute() ? proposed : QDir(start).filePath(proposed);
    QString path;
    if (g_hook) {
        path = g_hook(parent, save, title, filters, start);
    } else {
        QFileDialog dialog(parent, title, start);
        dialog.setNameFilters(filters);
        dialog.setDefaultSuffix(defaultSuffix);
        dialog.setOption(QFileDialog::HideNameFilterDetails, true);
        dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        if (!proposed.isEmpty())
            dialog.selectFile(start);
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            path = dialog.selectedFiles().first();
    }
    RememberFolder(kind, path);
    return path;
}
} // namespace

void SetFileDialogStore(CSettingsStore* store) {
    g_store = store;
}

QStringList QtNameFilters(const std::string& filter) {
    QStringList parts = QString::fromStdString(filter).split('|');
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty())
            break;
        QString pattern = parts[i + 1];
        pattern.replace("*.*", "*");
        filters << parts[i] + " (" + pattern.replace(';', ' ') + ")";
    }
    return filters;
}

QString AskOpenFileName(QWidget* parent, const QString& title, const std::string& filter,
                        const QString& defaultSuffix, FileKind kind) {
    return Ask(parent, false, title, filter, defaultSuffix, kind, {});
}

QString AskSaveFileName(QWidget* parent, const QString& title, const std::string& filter,
                        const QString& defaultSuffix, FileKind kind, const QString& proposed) {
    return Ask(parent, true, title, filter, defaultSuffix, kind, proposed);
}

void SetFileDialogHook(FileDialogHook hook) {
    g_hook = std::move(hook);
}
