// The main window's part in the device history: what it and its pages did to the device.
#include "app/qt/CHistoryWindow.h"
#include "app/qt/CVELKApp.h"
#include "app/qt/CVELKDlg.h"
#include "calib/qt/CAdjustInputPage.h"
#include "calib/qt/CCalibrationCheckDialog.h"
#include "comm/CPrivateException.h"
#include "comm/MessageFormat.h"
#include "gui/CMessageBox.h"
#include "gui/DeviceHistory.h"
#include "gui/QtText.h"
#include "history/CHistory.h"
#include "model/ParameterFile.h"
#include "model/ParameterIds.h"
#include "resources/CStringTable.h"
#include "resources/StringIds.h"

#include <QTimer>

#include <cstdlib>
#include <mutex>

void CVELKDlg::RecordTransfer(CDeviceInterfaceThread& thread) {
    const bool download = thread.LastCommand() == CDeviceInterfaceThread::kDownload;
    HistoryEvent event;
    {
        // A poll that waited for the transfer may be refreshing the set now.
        std::lock_guard lock(m_comm.Lock());
        const CParBase* identity = DeviceSet();
        if (identity == nullptr)
            return;
        event = DeviceEvent(*identity, "q3config", m_comm.CurrentSettings().ShownPortName(),
                            download    ? "download"
                            : m_compare ? "compare"
                                        : "upload");
    }
    const std::string key = event.model + '\n' + event.serial;
    const CPrivateException* error = thread.StoredError();
    if (error) {
        event.outcome = m_transferCancelled ? "cancelled" : "failed";
        event.message = error->Message();
    }
    if (download) {
        event.before = m_knownDeviceKey == key ? m_knownDeviceText : std::string();
        // A download that stopped wrote part of the set: only the set before is known.
        if (!error)
            event.after = m_fileSet->FileText();
        if (!event.before.empty() && !event.after.empty())
            event.changed = ChangedKeys(event.before, event.after);
    } else if (!error) {
        event.after = thread.Device().DeviceSet()->FileText();
        if (m_compare)
            event.changed = ChangedKeys(m_fileSet->FileText(), event.after);
    }
    // A partly written device holds neither set.
    m_knownDeviceKey = error && download ? std::string() : key;
    m_knownDeviceText = error ? std::string() : event.after;
    RecordEvent(event);
}

namespace {
// text with the values of keys taken from source (parameter-file texts of one model).
std::string WithValues(const std::string& text, const std::vector<std::string>& keys,
                       const std::string& source) {
    OpenedParameterFile whole = OpenParameterText(text);
    OpenedParameterFile from = OpenParameterText(source);
    if (!whole.set || !from.set)
        return {};
    for (const std::string& key : keys) {
        const int id = std::atoi(key.c_str() + 1);
        if (whole.set->FindRow(id) >= 0 && from.set->FindRow(id) >= 0)
            whole.set->SetValueText(id, from.set->GetValueText(id), false);
    }
    return whole.set->FileText();
}
} // namespace

std::string CVELKDlg::WholeDeviceText(const CParBase& polled) {
    if (m_knownDeviceKey != polled.ModelString() + '\n' + polled.GetValueText(kIdSerial) ||
        m_knownDeviceText.empty())
        return {};
    // The polls read the settings and the adjustments; the rest is as last read in full.
    std::unique_ptr<CParBase> current(polled.Clone());
    m_deviceAdjust.PutInto(*current);
    std::vector<std::string> keys;
    for (int group : {kGroupSettings, kGroupAdjust})
        for (int i = 0; i < current->GetParameterCount(group); ++i) {
            const int id = current->GetParameterId(group, i);
            if (current->GetParameterKind(id) != kKindHeader)
                keys.push_back('P' + std::to_string(id));
        }
    return WithValues(m_knownDeviceText, keys, current->FileText());
}

std::optional<HistoryEvent> CVELKDlg::RecordOperation(const DeviceOperation& operation) {
    HistoryEvent event;
    std::string whole;
    {
        // The polling thread refreshes the set under this lock.
        std::lock_guard lock(m_comm.Lock());
        // Only a device that answers now is the one acted on; the one the operation was begun
        // with, when it names it.
        const CParBase* polled = DeviceSet();
        if (polled == nullptr || !m_poll->Device().IsDeviceValid() ||
            (!operation.serial.empty() && polled->GetValueText(kIdSerial) != operation.serial))
            return std::nullopt;
        event = DeviceEvent(*polled, "q3config", m_comm.CurrentSettings().ShownPortName(),
                            operation.operation);
        whole = WholeDeviceText(*polled);
    }
    if (operation.failed) {
        event.outcome = "failed";
        event.message = operation.error;
    }
    event.technician = operation.technician;
    event.points = operation.points;
    // The pages give sets built from the polls, right in what changed only: the history keeps
    // whole sets, known from the window's last full read, or none.
    if (!operation.before.empty() && !operation.after.empty())
        event.changed = ChangedKeys(operation.before, operation.after);
    const bool loopTest = operation.operation.starts_with("loop test");
    if (!whole.empty() && !event.changed.empty()) {
        event.before = WithValues(whole, event.changed, operation.before);
        event.after = WithValues(whole, event.changed, operation.after);
    } else if (!whole.empty() && !loopTest && operation.operation != "check") {
        // A calibration or factory function: what it changed cannot be known without traffic
        // of the window's own, so the set before it is all there is.
        event.before = whole;
    }
    if (!operation.failed && !event.after.empty())
        m_knownDeviceText = event.after;
    else if (!loopTest && operation.operation != "check")
        m_knownDeviceKey.clear();
    RecordEvent(event);
    return event;
}

void CVELKDlg::RecordEvent(HistoryEvent& event) {
    std::string reason;
    const bool recorded = CHistory().Record(event, &reason);
    if (recorded && m_historyWindow && m_historyWindow->Serial() == event.serial)
        m_historyWindow->Reload();
    if (recorded || m_historyWarned)
        return;
    m_historyWarned = true;
    // Said once the action that recorded is over: it may still hold the connection.
    QTimer::singleShot(0, this, [this, reason] {
        ShowMessageBox(this, FromStd(FormatInserts(LoadStr(kMsgHistoryNotWritten), {reason})),
                       MessageIcon::Warning);
    });
}

std::string CVELKDlg::AdjustedDeviceText(const CAdjustInfo& adjust) {
    std::lock_guard lock(m_comm.Lock());
    const CParBase* device = DeviceSet();
    if (device == nullptr)
        return {};
    std::unique_ptr<CParBase> set(device->Clone());
    adjust.PutInto(*set);
    return set->FileText();
}

void CVELKDlg::OnAdjustmentRequested() {
    m_adjustClosing = false;
    if (!m_adjustBefore)
        m_adjustBefore = AdjustedDeviceText(m_deviceAdjust);
}

void CVELKDlg::FlushAdjustEvent(bool now) {
    if (!m_adjustBefore)
        return;
    // The device's values as polled are what it holds: while they are still short of what the
    // page wrote last, the event waits for the next poll (never beyond the last one).
    // Without the page (contents rebuilt for another language) nothing more will be written.
    if (!now && m_adjustPage &&
        AdjustedDeviceText(m_adjustPage->Adjust()) != AdjustedDeviceText(m_deviceAdjust)) {
        m_adjustClosing = true;
        return;
    }
    m_adjustClosing = false;
    std::string before = *std::exchange(m_adjustBefore, std::nullopt);
    std::string after = AdjustedDeviceText(m_deviceAdjust);
    if (before.empty() || after.empty())
        return;
    DeviceOperation adjust("adjust");
    adjust.before = std::move(before);
    adjust.after = std::move(after);
    RecordOperation(adjust);
}

void CVELKDlg::OnCalibrationCheck() {
    if (m_checkDialog) {
        m_checkDialog->raise();
        m_checkDialog->activateWindow();
        return;
    }
    CheckDevice device;
    {
        std::lock_guard lock(m_comm.Lock());
        const CParBase* set = DeviceSet();
        if (set == nullptr)
            return;
        device.model = set->ModelString();
        device.serial = set->GetValueText(kIdSerial);
        device.unit = set->GetInputUnitText();
        // The range as the lists show it: in the unit the input value is read in.
        device.zero = std::strtod(set->GetDisplayText(kIdZeroInput, false).c_str(), nullptr);
        device.full = std::strtod(set->GetDisplayText(kIdFullInput, false).c_str(), nullptr);
    }
    device.reading = [this, serial = device.serial]() -> std::optional<double> {
        if (m_uiState != kOnline)
            return std::nullopt;
        std::lock_guard lock(m_comm.Lock());
        const CParBase* set = DeviceSet();
        if (set == nullptr || set->GetValueText(kIdSerial) != serial)
            return std::nullopt; // another device since the check began
        return set->GetValue(kIdInputValue) / 10000.0;
    };
    CVELKApp* app = CVELKApp::Instance();
    auto* dialog =
        new CCalibrationCheckDialog(device, app ? app->Settings().Technician : std::string(), this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, [dialog] {
        CVELKApp* running = CVELKApp::Instance();
        if (running == nullptr || running->Settings().Technician == dialog->Technician())
            return;
        running->Settings().Technician = dialog->Technician();
        try {
            running->StoreSettings();
        } catch (const CPrivateException& e) {
            e.ReportError(CPrivateException::Icon::Warning);
        }
    });
    m_checkDialog = dialog;
    dialog->show();
}

void CVELKDlg::OnHistory() {
    std::string serial;
    {
        std::lock_guard lock(m_comm.Lock());
        if (const CParBase* device = m_uiState == kOnline ? DeviceSet() : nullptr)
            serial = device->GetValueText(kIdSerial);
    }
    if (serial.empty() && m_fileSet)
        serial = m_fileSet->GetValueText(kIdSerial);
    if (serial.empty()) {
        ShowMessageBox(this, Tr(kMsgHistoryNoDevice), MessageIcon::Information);
        return;
    }
    if (m_historyWindow && m_historyWindow->Serial() != serial) {
        m_historyWindow->close(); // deleted later: forgotten now
        m_historyWindow = nullptr;
    }
    if (!m_historyWindow) {
        m_historyWindow = new CHistoryWindow(
            serial, [this](const std::string& text) { OpenSetText(text); }, this);
        m_historyWindow->setAttribute(Qt::WA_DeleteOnClose);
    }
    m_historyWindow->show();
    m_historyWindow->raise();
    m_historyWindow->activateWindow();
}

void CVELKDlg::OpenSetText(const std::string& text) {
    if (!MaySetFileSetAside())
        return;
    OpenedParameterFile opened = OpenParameterText(text);
    if (!opened.set) {
        ShowMessageBox(this, FromStd(opened.error), MessageIcon::Stop);
        return;
    }
    m_fileSet = std::move(opened.set);
    MarkFileSetSaved({}, false);
    RefreshFilePane();
    raise();
    activateWindow();
}
