#pragma once

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "history/CHistory.h"

// The device operations of the window's pages and dialogs, for the device history. The main
// window installs the recorder: it knows the device, the port, and how to tell the user that
// the history could not be written. Without one, a report does nothing.
struct DeviceOperation {
    explicit DeviceOperation(std::string op) : operation(std::move(op)) {}
    DeviceOperation(std::string op, bool didFail, std::string failure)
        : operation(std::move(op)), failed(didFail), error(std::move(failure)) {}

    std::string operation; // the history's operation key: "write", "adjust", "initialize", ...
    bool failed = false;   // the operation did not run to its end
    std::string error;     // the failure's message
    std::string before;    // parameter-file texts of a write, when known
    std::string after;
    std::string technician;
    std::vector<CalibrationPoint> points;
    std::string serial; // when set: recorded only while this device answers
};

// Returns the event as recorded (its id 0 when the history could not be written), nothing
// when there is no device to record it for.
using DeviceHistoryRecorder = std::function<std::optional<HistoryEvent>(const DeviceOperation&)>;

void SetDeviceHistoryRecorder(DeviceHistoryRecorder recorder);
std::optional<HistoryEvent> RecordDeviceOperation(const DeviceOperation& operation);

class QString;
class QWidget;
// Asks where to save the certificate of a calibration check and writes it; the outcome said.
void SaveCertificateAs(QWidget* parent, const HistoryEvent& event);
// The operation and outcome keys in the language shown.
QString OperationText(const std::string& operation);
QString OutcomeText(const std::string& outcome);
