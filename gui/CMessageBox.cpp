#include "gui/CMessageBox.h"

#include "gui/QtText.h"
#include "resources/CaptionIds.h"

#include <QApplication>
#include <QMetaObject>
#include <QThread>

namespace {
MessageBoxHook g_hook;
QMessageBox::StandardButton g_lastDefault = QMessageBox::NoButton;

QMessageBox::Icon QtIcon(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Stop:
        return QMessageBox::Critical;
    case MessageIcon::Warning:
        return QMessageBox::Warning;
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::Question:
        return QMessageBox::Question;
    case MessageIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}
} // namespace

QMessageBox::StandardButton ShowMessageBox(QWidget* parent, const QString& text, MessageIcon icon,
                                           QMessageBox::StandardButtons buttons,
                                           QMessageBox::StandardButton defaultButton) {
    g_lastDefault = defaultButton;
    if (g_hook)
        return g_hook(parent, text, icon, buttons);
    QMessageBox box(QtIcon(icon), Tr(kCapErrorTitle), text, buttons, parent);
    if (defaultButton != QMessageBox::NoButton)
        box.setDefaultButton(defaultButton);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

QMessageBox::StandardButton LastDefaultButton() {
    return g_lastDefault;
}

void SetMessageBoxHook(MessageBoxHook hook) {
    g_hook = std::move(hook);
}

void InstallMessageSink() {
    SetMessageSink([](const std::string& text, MessageIcon icon) {
        QString message = QString::fromStdString(text);
        if (QThread::currentThread() != QCoreApplication::instance()->thread()) {
            // Widgets belong to the window's thread: a box built elsewhere is garbled or hangs.
            Q_ASSERT_X(false, "ShowMessage", "reached from a worker thread");
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [message, icon] { ShowMessageBox(QApplication::activeWindow(), message, icon); },
                Qt::QueuedConnection);
            return;
        }
        ShowMessageBox(QApplication::activeWindow(), message, icon);
    });
}
