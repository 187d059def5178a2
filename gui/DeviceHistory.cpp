#include "gui/DeviceHistory.h"

namespace {
// Set and called on the window thread only.
DeviceHistoryRecorder& Recorder() {
    static DeviceHistoryRecorder recorder;
    return recorder;
}
} // namespace

void SetDeviceHistoryRecorder(DeviceHistoryRecorder recorder) {
    Recorder() = std::move(recorder);
}

std::optional<HistoryEvent> RecordDeviceOperation(const DeviceOperation& operation) {
    if (!Recorder())
        return std::nullopt;
    return Recorder()(operation);
}
