#include "gui/DeviceHistory.h"

#include "comm/MessageFormat.h"
#include "gui/CFileDialogs.h"
#include "gui/CMessageBox.h"
#include "gui/QtText.h"
#include "history/qt/CCertificate.h"
#include "resources/CStringTable.h"
#include "resources/StringIds.h"

#include <utility>

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

void SaveCertificateAs(QWidget* parent, const HistoryEvent& event) {
    const QString proposed =
        FromStd("certificate-" + event.serial + '-' + event.time.substr(0, 10) + ".pdf");
    QString path = AskSaveFileName(parent, Tr(kStrCertTitle), LoadStr(kStrPdfFilter), "pdf",
                                   FileKind::Pdf, proposed);
    if (path.isEmpty())
        return;
    std::string error;
    if (WriteCertificatePdf(event, ToStd(path), &error))
        ShowMessageBox(parent, FromStd(FormatInserts(LoadStr(kMsgCertificateSaved), {ToStd(path)})),
                       MessageIcon::Information);
    else
        ShowMessageBox(parent, FromStd(FormatInserts(LoadStr(kMsgCertificateNotSaved), {error})),
                       MessageIcon::Stop);
}

namespace {
// The key's text from table, the key itself for one a later program wrote.
template <std::size_t N>
QString KeyText(const std::string& key, const std::pair<const char*, int> (&table)[N]) {
    for (auto [name, id] : table)
        if (key == name)
            return Tr(id);
    return FromStd(key);
}
} // namespace

QString OperationText(const std::string& operation) {
    static const std::pair<const char*, int> kTexts[] = {
        {"upload", kStrOpUpload},
        {"download", kStrOpDownload},
        {"compare", kStrOpCompare},
        {"write", kStrOpWrite},
        {"adjust", kStrOpAdjust},
        {"input calibration", kStrOpInputCalibration},
        {"output calibration", kStrOpOutputCalibration},
        {"loop test fixed", kStrOpLoopFixed},
        {"loop test normal", kStrOpLoopNormal},
        {"factory input calibration", kStrOpFactoryInput},
        {"factory output calibration", kStrOpFactoryOutput},
        {"factory reference", kStrOpFactoryReference},
        {"initialize", kStrOpInitialize},
        {"check", kStrOpCheck}};
    return KeyText(operation, kTexts);
}

QString OutcomeText(const std::string& outcome) {
    static const std::pair<const char*, int> kTexts[] = {{"ok", kStrOutcomeOk},
                                                         {"failed", kStrOutcomeFailed},
                                                         {"cancelled", kStrOutcomeCancelled},
                                                         {"refused", kStrOutcomeRefused}};
    return KeyText(outcome, kTexts);
}
