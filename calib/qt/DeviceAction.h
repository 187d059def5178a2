#pragma once

#include <functional>
#include <memory>
#include <string>

class CCommInterface;
class CProcessPrivilege;
class QWidget;

// Runs one device sequence of a calibration page or dialog on the window thread: a wait cursor
// while it blocks, and a communication or check failure shown with the stop icon (owned by
// parent). Returns true when the action ran to its end. Nothing runs without a connection.
bool RunDeviceAction(QWidget* parent, CCommInterface* comm,
                     const std::function<void(CCommInterface&)>& action);
// The same, and its outcome in the device history as operation.
bool RunDeviceAction(QWidget* parent, CCommInterface* comm,
                     const std::function<void(CCommInterface&)>& action,
                     const std::string& operation);

// A factory dialog's way out of the process mode it held: the mode is put back, and a device
// that does not take it is said (when report is set, owned by parent). privilege is released.
void LeaveDialogProcessMode(QWidget* parent, std::unique_ptr<CProcessPrivilege>& privilege,
                            bool report);

// The wait cursor for as long as the object lives.
class CWaitCursor {
public:
    CWaitCursor();
    ~CWaitCursor();
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
};
