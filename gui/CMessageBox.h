#pragma once

#include "comm/CPrivateException.h"

#include <QMessageBox>
#include <QString>

#include <functional>

class QWidget;

using MessageIcon = CPrivateException::Icon;

// Every message box of the program goes through here: the title is the program's, the icon
// follows the core's icon (Stop -> Critical). Returns the button pressed. A question whose Yes
// destroys something names No as its default, so that Enter never does it.
QMessageBox::StandardButton
ShowMessageBox(QWidget* parent, const QString& text, MessageIcon icon,
               QMessageBox::StandardButtons buttons = QMessageBox::Ok,
               QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);

// The default button of the last box shown (tests).
QMessageBox::StandardButton LastDefaultButton();

// Replaces the modal box (tests, screenshot runs): the hook receives what would be shown and
// returns the button to act on. Null restores the real box.
using MessageBoxHook = std::function<QMessageBox::StandardButton(
    QWidget* parent, const QString& text, MessageIcon icon, QMessageBox::StandardButtons)>;
void SetMessageBoxHook(MessageBoxHook hook);

// Sends the core's ReportError and model warnings to ShowMessageBox, owned by the active window.
// Call on the GUI thread; the sink must only be reached from the GUI thread.
void InstallMessageSink();
