#pragma once

#include <functional>

class CCommInterface;
class QWidget;

// Runs one device sequence of a calibration page or dialog on the window thread: a wait cursor
// while it blocks, and a communication or check failure shown with the stop icon (owned by
// parent). Returns true when the action ran to its end. Nothing runs without a connection.
bool RunDeviceAction(QWidget* parent, CCommInterface* comm,
                     const std::function<void(CCommInterface&)>& action);

// The wait cursor for as long as the object lives.
class CWaitCursor {
public:
    CWaitCursor();
    ~CWaitCursor();
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
};
