#include "calib/qt/DeviceAction.h"

#include "comm/CPrivateException.h"
#include "gui/CMessageBox.h"
#include "gui/DeviceHistory.h"
#include "gui/QtText.h"
#include "model/CProcessPrivilege.h"

#include <QApplication>

CWaitCursor::CWaitCursor() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

CWaitCursor::~CWaitCursor() {
    QApplication::restoreOverrideCursor();
}

bool RunDeviceAction(QWidget* parent, CCommInterface* comm,
                     const std::function<void(CCommInterface&)>& action) {
    return RunDeviceAction(parent, comm, action, {});
}

bool RunDeviceAction(QWidget* parent, CCommInterface* comm,
                     const std::function<void(CCommInterface&)>& action,
                     const std::string& operation) {
    if (!comm)
        return false;
    std::string failure;
    bool failed = false;
    {
        CWaitCursor wait;
        try {
            action(*comm);
        } catch (const CPrivateException& e) {
            failure = e.Message();
            failed = true;
        }
    }
    if (!operation.empty())
        RecordDeviceOperation(DeviceOperation(operation, failed, failure));
    if (!failed)
        return true;
    // Shown after the wait cursor is gone.
    ShowMessageBox(parent, FromStd(failure), MessageIcon::Stop);
    return false;
}

void LeaveDialogProcessMode(QWidget* parent, std::unique_ptr<CProcessPrivilege>& privilege,
                            bool report) {
    try {
        if (privilege)
            privilege->Leave();
    } catch (const CPrivateException& e) {
        if (report)
            ShowMessageBox(parent, FromStd(e.Message()), MessageIcon::Stop);
    }
    privilege.reset();
}
