#include "app/qt/CFileDialogs.h"

#include <QFileDialog>
#include <QStringList>

namespace {
FileDialogHook g_hook;

QString Ask(QWidget* parent, bool save, const QString& title, const std::string& filter,
            const QString& defaultSuffix) {
    QStringList filters = QtNameFilters(filter);
    if (g_hook)
        return g_hook(parent, save, title, filters);
    QFileDialog dialog(parent, title);
    dialog.setNameFilters(filters);
    dialog.setDefaultSuffix(defaultSuffix);
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}
} // namespace

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
                        const QString& defaultSuffix) {
    return Ask(parent, false, title, filter, defaultSuffix);
}

QString AskSaveFileName(QWidget* parent, const QString& title, const std::string& filter,
                        const QString& defaultSuffix) {
    return Ask(parent, true, title, filter, defaultSuffix);
}

void SetFileDialogHook(FileDialogHook hook) {
    g_hook = std::move(hook);
}
