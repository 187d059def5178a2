#include "app/qt/CVELKDlg.h"

#include "app/qt/CAppSettingDialog.h"
#include "app/qt/CHistoryWindow.h"
#include "app/qt/CVELKApp.h"
#include "calib/qt/CAOTestPage.h"
#include "calib/qt/CAdjustInputPage.h"
#include "calib/qt/CCalibInputPage.h"
#include "calib/qt/CCalibrationCheckDialog.h"
#include "gui/CFileDialogs.h"
#include "gui/CPrintSheet.h"
#include "gui/QtText.h"
#include "history/CHistory.h"
#include "model/CDeviceType.h"
#include "model/ParameterFile.h"
#include "model/ParameterIds.h"
#include "monitor/ColourContrast.h"
#include "monitor/qt/CGraphPage.h"
#include "monitor/qt/CMeterPanel.h"
#include "resources/CStringTable.h"
#include "resources/StringIds.h"
#include "sim/CSimDevice.h"
#include "sim/CSimServer.h"
#include "tests/support/TempDir.h"
#include "tests/support/qt/GuiTestSupport.h"
#include "views/qt/CCompareDialog.h"
#include "views/qt/CCompareList.h"
#include "views/qt/CInputSettingPage.h"
#include "views/qt/CParameterListCtrl.h"

#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QDropEvent>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPrinter>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextBrowser>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <memory>

namespace {

constexpr int kRegFilterTime = 1020;  // fixed-4 seconds
constexpr int kRegSensorWires = 1030; // choice index

// The program against an in-process simulator on a pseudo-terminal, with its own settings.
class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetPortLister([] { return std::vector<PortChoice>{}; });
    }
    void TearDown() override {
        if (window) {
            window->Shutdown();
            window.reset();
        }
        app.reset();
        if (server)
            server->Stop();
        SetPortLister(nullptr);
        SetFileDialogHook(nullptr);
        CStringTable::UnloadModule();
    }

    // programDir: where the program file is taken to be (its marker and language module).
    void Start(int modelNumber = 1001, const std::string& programDir = {}) {
        device = std::make_unique<CSimDevice>(modelNumber, identity);
        server = std::make_unique<CSimServer>(*device);
        port = server->StartPty();
        StartWindow(programDir);
    }
    void StartWindow(const std::string& programDir = {}) {
        std::string dir = programDir.empty() ? programHome.Path() : programDir;
        app = std::make_unique<CVELKApp>(dir + "/q3config");
        app->Store().SetString("ComSettings", "COMPortName", port);
        app->LoadSettings();
        app->LoadLanguageModule(0);
        app->SetInitialFile(initialFile);
        app->CreateInitialFileSet();
        window = std::make_unique<CVELKDlg>();
        window->Initialise();
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    bool WaitState(int state, int timeoutMs = 8000) {
        return WaitUntil([&] { return window->UiStateValue() == state; }, timeoutMs);
    }
    void GoOnline() {
        ASSERT_TRUE(WaitState(CVELKDlg::kOffline));
        QTest::mouseClick(window->ConnectButton(), Qt::LeftButton);
        ASSERT_TRUE(WaitState(CVELKDlg::kOnline)) << messages.texts.join("|").toStdString();
    }
    // Runs fn as soon as a modal dialog of type T is up (inside its own loop), once.
    template <class T> void WhenModal(std::function<void(T*)> fn) {
        auto* timer = new QTimer(window.get());
        timer->setInterval(10);
        QObject::connect(timer, &QTimer::timeout, timer, [timer, fn] {
            if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
                timer->stop();
                timer->deleteLater();
                fn(dialog);
            }
        });
        timer->start();
    }
    int RowOf(CParameterListCtrl* list, int id) {
        for (int r = 0; r < list->rowCount(); ++r)
            if (list->RowId(r) == id)
                return r;
        return -1;
    }
    CSimIdentity identity;
    std::string initialFile; // "q3config FILE"
    std::vector<QWidget*> EnabledOf(const std::vector<QWidget*>& widgets) {
        std::vector<QWidget*> enabled;
        for (QWidget* w : widgets)
            if (w->isEnabled())
                enabled.push_back(w);
        return enabled;
    }
    std::vector<QWidget*> Buttons() {
        return {window->ConnectButton(),    window->PreferencesButton(), window->UnlockBox(),
                window->UploadButton(),     window->DownloadButton(),    window->CompareButton(),
                window->TrendGraphButton(), window->OpenFileButton(),    window->SaveFileButton(),
                window->SelectButton()};
    }

    MessageRecorder messages;
    ScopedConfigHome home;
    TempDir programHome;
    std::unique_ptr<CSimDevice> device;
    std::unique_ptr<CSimServer> server;
    std::string port;
    std::unique_ptr<CVELKApp> app;
    std::unique_ptr<CVELKDlg> window;
};

TEST_F(MainWindowTest, StartsOfflineWithOnlyTheOfflineControlsEnabled) {
    Start();
    EXPECT_EQ("Q3 Configurator Version" Q3_VERSION, window->windowTitle().toStdString());
    ASSERT_TRUE(WaitState(CVELKDlg::kOffline));
    EXPECT_EQ("Currently offline", window->StatusLine()->text());
    EXPECT_TRUE(window->StatusLine()->isVisible());
    EXPECT_EQ("Offline", window->Indicator()->text());
    EXPECT_EQ(QColor(255, 255, 180), window->Indicator()->palette().color(QPalette::Window));
    EXPECT_EQ("&Connect", window->ConnectButton()->text());
    std::vector<QWidget*> expected = {window->ConnectButton(),  window->PreferencesButton(),
                                      window->UnlockBox(),      window->OpenFileButton(),
                                      window->SaveFileButton(), window->SelectButton()};
    EXPECT_EQ(expected, EnabledOf(Buttons()));
    EXPECT_FALSE(window->Progress()->isVisible());
    EXPECT_FALSE(window->Meters()->isVisible());
    // Without the marker the factory buttons stay hidden.
    EXPECT_FALSE(window->InitializeButton()->isVisible());
    EXPECT_FALSE(window->InputCalibButton()->isVisible());
    EXPECT_FALSE(window->OutputCalibButton()->isVisible());
    EXPECT_EQ(0, window->DeviceInfoList()->rowCount());
    EXPECT_EQ("Q3VA-*** (2 outputs)", window->ModelEdit()->text());
    EXPECT_TRUE(window->DeviceInfoList()->isVisible());
}

TEST_F(MainWindowTest, ConnectToASilentPortSearchesAndBlinks) {
    // A pseudo-terminal nobody answers on.
    int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(0, grantpt(master));
    ASSERT_EQ(0, unlockpt(master));
    port = ptsname(master);
    StartWindow();
    ASSERT_TRUE(WaitState(CVELKDlg::kOffline));
    QTest::mouseClick(window->ConnectButton(), Qt::LeftButton);
    EXPECT_EQ("Dis&connect", window->ConnectButton()->text());
    ASSERT_TRUE(WaitState(CVELKDlg::kSearching));
    EXPECT_EQ("Searching device...", window->StatusLine()->text());
    EXPECT_FALSE(window->UploadButton()->isEnabled());
    EXPECT_FALSE(window->PreferencesButton()->isEnabled());
    EXPECT_FALSE(window->CalibPage()->isEnabled());
    EXPECT_EQ(0, window->BasicList()->rowCount());
    // The indicator alternates between "Online" and nothing on blue, the status line blinks.
    QStringList indicator;
    std::vector<bool> statusShown;
    for (int tick = 0; tick < 4; ++tick) {
        window->OnTimer();
        indicator << window->Indicator()->text();
        statusShown.push_back(window->StatusLine()->isVisible());
    }
    for (int tick = 0; tick < 4; ++tick) {
        EXPECT_TRUE(indicator[tick] == "Online" || indicator[tick].isEmpty()) << tick;
        if (tick > 0) {
            EXPECT_NE(indicator[tick - 1], indicator[tick]) << tick;
        }
    }
    EXPECT_NE(statusShown[0], statusShown[1]);
    EXPECT_NE(statusShown[1], statusShown[2]);
    EXPECT_EQ(QColor(180, 180, 255), window->Indicator()->palette().color(QPalette::Window));

    QTest::mouseClick(window->ConnectButton(), Qt::LeftButton);
    EXPECT_EQ("&Connect", window->ConnectButton()->text());
    ASSERT_TRUE(WaitState(CVELKDlg::kOffline));
    window->OnTimer();
    EXPECT_EQ("Offline", window->Indicator()->text());
    close(master);
}

TEST_F(MainWindowTest, ConnectFailureIsShownAndLeavesTheButtonOnConnect) {
    port = programHome.File("no-such-port");
    StartWindow();
    ASSERT_TRUE(WaitState(CVELKDlg::kOffline));
    QTest::mouseClick(window->ConnectButton(), Qt::LeftButton);
    ASSERT_EQ(1, messages.texts.size());
    EXPECT_EQ(MessageIcon::Stop, messages.icons[0]);
    EXPECT_FALSE(window->IsConnectRequested());
    EXPECT_EQ("&Connect", window->ConnectButton()->text());
}

TEST_F(MainWindowTest, ConnectToTheSimulatorGoesOnlineAndFillsTheDeviceLists) {
    Start();
    GoOnline();
    CParBase* set = window->DeviceSet();
    ASSERT_NE(nullptr, set);
    EXPECT_EQ(9, set->TypeCode());
    EXPECT_EQ(set->GetParameterCount(kGroupMonitor), window->DeviceInfoList()->rowCount());
    // A hidden page is not refreshed by the polls; shown, it has the last poll's values at
    // once, without waiting for the next.
    EXPECT_EQ(0, window->BasicList()->rowCount());
    const int posted = window->PollsPosted();
    window->DeviceTabs()->setCurrentIndex(1);
    EXPECT_EQ(posted, window->PollsPosted());
    EXPECT_EQ(set->GetParameterCount(kGroupSettings), window->BasicList()->rowCount());
    EXPECT_FALSE(window->StatusLine()->isVisible());
    EXPECT_TRUE(window->Meters()->isVisible());
    EXPECT_TRUE(window->UploadButton()->isEnabled());
    EXPECT_TRUE(window->CompareButton()->isEnabled());
    EXPECT_TRUE(window->TrendGraphButton()->isEnabled());
    EXPECT_FALSE(window->PreferencesButton()->isEnabled());
    // Download and device edits need Unlock.
    EXPECT_FALSE(window->DownloadButton()->isEnabled());
    EXPECT_TRUE(window->BasicList()->IsReadOnly());
    EXPECT_FALSE(window->CalibPage()->isEnabled());
    EXPECT_TRUE(window->LoopTestPage()->isEnabled());
    QTest::mouseClick(window->UnlockBox(), Qt::LeftButton);
    EXPECT_TRUE(window->DownloadButton()->isEnabled());
    EXPECT_FALSE(window->BasicList()->IsReadOnly());
    EXPECT_TRUE(window->CalibPage()->isEnabled());
    // At once, not at the next poll.
    EXPECT_TRUE(window->CalibPage()->findChild<QPushButton*>("inputStart")->isEnabled());
    EXPECT_TRUE(window->AdjustPage()->PageEnabled());
    // The serial number the simulator reports is in the Device Info. list.
    int serial = RowOf(window->DeviceInfoList(), kIdSerial);
    ASSERT_GE(serial, 0);
    EXPECT_EQ("SIM-000001", window->DeviceInfoList()->item(serial, 2)->text());
}

TEST_F(MainWindowTest, UploadMakesTheFilePaneEqualTheDevice) {
    Start(1031); // Q3VD: another model than the file pane's
    device->SetInt32(kRegFilterTime, 25000);
    GoOnline();
    EXPECT_EQ(9, window->FileSet()->TypeCode());
    QTest::mouseClick(window->UploadButton(), Qt::LeftButton);
    EXPECT_EQ(CVELKDlg::kBusy, window->UiStateValue());
    EXPECT_EQ("Uploading", window->StatusLine()->text());
    EXPECT_TRUE(window->Progress()->isVisible());
    EXPECT_FALSE(window->ConnectButton()->isEnabled());
    EXPECT_FALSE(window->OpenFileButton()->isEnabled());
    ASSERT_TRUE(WaitState(CVELKDlg::kOnline)) << messages.texts.join("|").toStdString();
    EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join("|").toStdString();
    EXPECT_FALSE(window->IsTransferRunning());
    CParBase* file = window->FileSet();
    EXPECT_EQ(15, file->TypeCode());
    EXPECT_EQ("Q3VD-*** (2 outputs)", window->ModelEdit()->text());
    EXPECT_EQ(25000, file->GetValue(kIdFilterTime));
    // The settings as the device holds them.
    EXPECT_EQ(device->GetRegister(1000), file->GetValue(kIdInputType));
    EXPECT_EQ(device->GetInt32(1001), file->GetValue(kIdZeroInput));
    EXPECT_EQ(device->GetInt32(1003), file->GetValue(kIdFullInput));
    EXPECT_EQ(device->GetRegister(2000), file->GetValue(kIdOutputType1));
    EXPECT_EQ(device->GetInt32(2003), file->GetValue(kIdOutputType1 + 2));
    EXPECT_EQ(device->GetRegister(2020), file->GetValue(kIdBurnout1));
    EXPECT_EQ(file->GetParameterCount(0), window->FileList()->rowCount());
}

TEST_F(MainWindowTest, AnEditInTheBasicListWithUnlockWritesTheRegister) {
    TempDir data;
    CScopedEnv history("XDG_DATA_HOME", data.Path().c_str());
    Start();
    GoOnline();
    QTest::mouseClick(window->UnlockBox(), Qt::LeftButton);
    window->DeviceTabs()->setCurrentIndex(1);
    CParameterListCtrl* basic = window->BasicList();
    ASSERT_TRUE(WaitUntil([&] { return basic->isVisible(); }));
    int row = RowOf(basic, kIdFilterTime);
    ASSERT_GE(row, 0);
    QTest::mouseClick(basic->viewport(), Qt::LeftButton, {},
                      basic->visualItemRect(basic->item(row, 2)).center());
    ASSERT_TRUE(basic->Editor().TextEditor()->isVisible());
    QTest::keyClicks(basic->Editor().TextEditor(), "3.5");
    QTest::keyClick(basic->Editor().TextEditor(), Qt::Key_Return);
    EXPECT_EQ(35000, device->GetInt32(kRegFilterTime));
    EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join("|").toStdString();
    // In the history with the sets before and after.
    std::vector<HistoryEvent> events = CHistory().List(identity.serial);
    ASSERT_EQ(1u, events.size());
    EXPECT_EQ("write", events[0].operation);
    EXPECT_EQ((std::vector<std::string>{"P51"}), events[0].changed);
    // Still online with the new value after the next polls.
    ASSERT_TRUE(WaitUntil(
        [&] { return basic->item(RowOf(basic, kIdFilterTime), 2)->text() == "3.5000 (sec)"; }));
    EXPECT_EQ(CVELKDlg::kOnline, window->UiStateValue());
}

TEST_F(MainWindowTest, DownloadNeedsUnlockAndWritesTheFileSet) {
    Start();
    GoOnline();
    EXPECT_FALSE(window->DownloadButton()->isEnabled());
    window->FileSet()->SetValue(kIdFilterTime, 45000, true);
    window->FileSet()->SetValue(kIdSensorWires, 0, true);
    QTest::mouseClick(window->UnlockBox(), Qt::LeftButton);
    ASSERT_TRUE(window->DownloadButton()->isEnabled());
    QTest::mouseClick(window->DownloadButton(), Qt::LeftButton);
    EXPECT_EQ(CVELKDlg::kBusy, window->UiStateValue());
    EXPECT_EQ("Downloading", window->StatusLine()->text());
    EXPECT_TRUE(window->FileList()->IsReadOnly());
    ASSERT_TRUE(WaitState(CVELKDlg::kOnline)) << messages.texts.join("|").toStdString();
    EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join("|").toStdString();
    EXPECT_EQ(45000, device->GetInt32(kRegFilterTime));
    EXPECT_EQ(0, device->GetRegister(kRegSensorWires));
    EXPECT_FALSE(window->FileList()->IsReadOnly());
    QTest::mouseClick(window->UnlockBox(), Qt::LeftButton);
    EXPECT_FALSE(window->DownloadButton()->isEnabled());
}

// The window's transfers land in the device history: a download with the set the window read
// before it, and a history that cannot be written is said once and never stops the work.
TEST_F(MainWindowTest, TransfersAreRecordedInTheDeviceHistory) {
    TempDir data;
    CScopedEnv history("XDG_DATA_HOME", data.Path().c_str());
    Start();
    GoOnline();
    QTest::mouseClick(window->UploadButton(), Qt::LeftButton);
    ASSERT_TRUE(WaitState(CVELKDlg::kOnline)) << messages.texts.join("|").toStdString();
    window->FileSet()->SetValue(kIdFilterTime, 45000, true);
    QTest::mouseClick(window->UnlockBox(), Qt::LeftButton);
    QTest::mouseClick(window->DownloadButton(), Qt::LeftButton);
    ASSERT_TRUE(WaitState(CVELKDlg::kOnline)) << messages.texts.join("|").toStdString();
    EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join("|").toStdString();

    std::vector<HistoryEvent> events = CHistory().List(identity.serial);
    ASSERT_EQ(2u, events.size());
    EXPECT_EQ("upload", events[1].operation);
    EXPECT_EQ("q3config", events[1].program);
    EXPECT_EQ("download", events[0].operation);
    EXPECT_EQ("ok", events[0].outcome);
    std::optional<HistoryEvent> download = CHistory().Find(events[0].id);
    ASSERT_TRUE(download);
    EXPECT_EQ(CHistory().Find(events[1].id)->after, download->before);
    EXPECT_EQ((std::vector<std::string>{"P51"}), download->changed);

    // The History window: the download's change, and the upload's set back in the file pane.
    QTest::mouseClick(window->HistoryButton(), Qt::LeftButton);
    auto* historyWindow = window->findChild<CHistoryWindow*>();
    ASSERT_NE(nullptr, historyWindow);
    ASSERT_EQ(2, historyWindow->Events()->rowCount());
    EXPECT_EQ("Download", historyWindow->Events()->item(0, 1)->text());
    historyWindow->Events()->selectRow(0);
    ASSERT_EQ(1, historyWindow->Differences()->rowCount());
    EXPECT_EQ("4.5000 (sec)", historyWindow->Differences()->item(0, 3)->text());
    historyWindow->Events()->selectRow(1);
    auto* openSet = historyWindow->findChild<QPushButton*>("openSet");
    ASSERT_TRUE(openSet->isEnabled());
    messages.answer = QMessageBox::Discard; // the file pane's edit gives way
    QTest::mouseClick(openSet, Qt::LeftButton);
    messages.answer = QMessageBox::Ok;
    EXPECT_EQ(0, window->FileSet()->GetValue(kIdFilterTime))
        << messages.texts.join("|").toStdString();

    CScopedEnv broken("XDG_DATA_HOME", "/dev/null"); // not a folder
    for (int i = 0; i < 2; ++i) {
        QTest::mouseClick(window->DownloadButton(), Qt::LeftButton);
        ASSERT_TRUE(WaitState(CVELKDlg::kOnline));
    }
    int said = 0;
    for (const QString& text : messages.texts)
        said += text.startsWith("The operation could not be recorded") ? 1 : 0;
    EXPECT_EQ(1, said) << messages.texts.join("|").toStdString();
}

// A calibration check through the window: readings as found, a fine adjustment between (its own
// event), readings as left; the check is one event with the technician and every point, and
// q3cli writes its certificate, whose text names the device, the points and the verdicts.
TEST_F(MainWindowTest, CalibrationCheckIsRecordedAndCertifiedByTheCommandLine) {
    TempDir data;
    CScopedEnv history("XDG_DATA_HOME", data.Path().c_str());
    Start();
    app->Settings().Technician = "Aiko Tanaka";
    GoOnline();
    QTest::mouseClick(window->UploadButton(), Qt::LeftButton);
    ASSERT_TRUE(WaitState(CVELKDlg::kOnline));
    QTest::mouseClick(window->UnlockBox(), Qt::LeftButton);
    window->DeviceTabs()->setCurrentIndex(3); // Adjust.
    QTest::mouseClick(window->AdjustPage()->CheckButton(), Qt::LeftButton);
    auto* check = window->findChild<CCalibrationCheckDialog*>();
    ASSERT_NE(nullptr, check);
    auto* table = check->findChild<QTableWidget*>("points");
    while (table->rowCount() > 2) // two points: 0 % and 25 % of the range
        table->removeRow(2);
    auto takeAt = [&](double input) {
        device->SetInputValue(input);
        ASSERT_TRUE(WaitUntil([&] {
            return window->DeviceSet() &&
                   window->DeviceSet()->GetValue(kIdInputValue) == device->GetInt32(2);
        }));
        QTest::mouseClick(check->findChild<QPushButton*>("takeReading"), Qt::LeftButton);
    };
    const double zero = std::stod(table->item(0, 0)->text().toStdString());
    const double quarter = std::stod(table->item(1, 0)->text().toStdString());
    const double span = (quarter - zero) * 4;
    takeAt(zero + span * 0.01); // 1 % of span off: fails the 0.25 % default
    takeAt(quarter);
    QTest::mouseClick(check->findChild<QPushButton*>("asLeft"), Qt::LeftButton);

    auto* slider = window->AdjustPage()->findChild<QAbstractSlider*>("inputZero");
    slider->setValue(slider->value() + 5);
    ASSERT_TRUE(WaitUntil([&] { return device->GetInt32(1010) == 5; }));
    window->DeviceTabs()->setCurrentIndex(0); // leaving the page ends the adjustment's event
    takeAt(zero);
    takeAt(quarter);
    const QString certificate = QString::fromStdString(data.File("certificate.pdf"));
    SetFileDialogHook([&](QWidget*, bool, const QString&, const QStringList&, const QString&) {
        return certificate;
    });
    QTest::mouseClick(check->findChild<QPushButton*>("finish"), Qt::LeftButton);
    ASSERT_TRUE(
        WaitUntil([&] { return window->findChild<CCalibrationCheckDialog*>() == nullptr; }));

    std::vector<HistoryEvent> events = CHistory().List(identity.serial);
    ASSERT_EQ(3u, events.size()) << messages.texts.join("|").toStdString();
    // The adjustment's sets are whole: the upload's, with the one value it changed.
    std::optional<HistoryEvent> adjust = CHistory().Find(events[1].id);
    const std::string uploaded = CHistory().Find(events[2].id)->after;
    EXPECT_EQ("adjust", adjust->operation);
    EXPECT_EQ((std::vector<std::string>{"P10000"}), adjust->changed);
    EXPECT_EQ(uploaded, adjust->before);
    EXPECT_EQ((std::vector<std::string>{"P10000"}), ChangedKeys(uploaded, adjust->after));
    std::optional<HistoryEvent> recorded = CHistory().Find(events[0].id);
    EXPECT_EQ("check", recorded->operation);
    EXPECT_EQ("Aiko Tanaka", recorded->technician);
    ASSERT_EQ(4u, recorded->points.size());
    EXPECT_FALSE(recorded->points[0].Passes());
    EXPECT_EQ("as left", recorded->points[3].phase);
    EXPECT_TRUE(QFileInfo(certificate).size() > 0) << messages.texts.join("|").toStdString();

    // The certificate as q3cli writes it from the history, read back as text.
    const QString pdf = QString::fromStdString(data.File("cli.pdf"));
    QProcess cli;
    cli.start(Q3_BIN_DIR "/q3cli", {"certificate", QString::number(recorded->id), "--pdf", pdf});
    ASSERT_TRUE(cli.waitForFinished(30000));
    ASSERT_EQ(0, cli.exitCode()) << cli.readAllStandardError().toStdString();
    QProcess text;
    text.start("pdftotext", {"-layout", pdf, "-"});
    ASSERT_TRUE(text.waitForFinished(30000));
    const QString page = QString::fromUtf8(text.readAllStandardOutput());
    for (const char* expected : {"Calibration Certificate", "Q3VA", "Aiko Tanaka", "As found",
                                 "As left", "FAIL", "PASS", "Overall result: PASS", "+1.000"})
        EXPECT_TRUE(page.contains(expected)) << expected << "\n" << page.toStdString();
    EXPECT_TRUE(page.contains(QString::fromStdString(identity.serial))) << page.toStdString();
}

// Closing the window during a download never leaves the device in write mode: the download
// stops after its current request and puts the process mode back before the port closes.
TEST_F(MainWindowTest, ClosingDuringADownloadStopsItWithTheProcessModeBack) {
    Start();
    GoOnline();
    // A slow line: every answer 15 ms late, so the download runs for seconds.
    device->SetFaults(CSimFaults{0, 0, 0, 0, 1.0, 0, 6, 15, 3});
    window->FileSet()->SetValue(kIdFilterTime, 45000, true);
    QTest::mouseClick(window->UnlockBox(), Qt::LeftButton);
    QTest::mouseClick(window->DownloadButton(), Qt::LeftButton);
    ASSERT_TRUE(WaitUntil([&] { return device->GetProcessMode() == 1; }, 5000));
    const auto before = device->GetWriteLog().size();
    window->close();
    EXPECT_EQ(0, device->GetProcessMode());
    // Stopped early: a whole download is well over a hundred writes.
    EXPECT_LT(device->GetWriteLog().size() - before, 20u);
}

// A warning met on the transfer thread (firmware below 1.10 has no response property) reaches
// the window as data and is shown there once the transfer is done.
TEST_F(MainWindowTest, DownloadToOldFirmwareShowsTheWarningAndReturnsOnline) {
    identity.firmware = 109;
    Start();
    GoOnline();
    window->FileSet()->SetValue(kIdResponseProperty, 1, false);
    QTest::mouseClick(window->UnlockBox(), Qt::LeftButton);
    QTest::mouseClick(window->DownloadButton(), Qt::LeftButton);
    ASSERT_TRUE(WaitState(CVELKDlg::kOnline)) << messages.texts.join("|").toStdString();
    EXPECT_EQ(QStringList{"The response property of this device supports only the standard."},
              messages.texts);
    EXPECT_EQ(MessageIcon::Warning, messages.icons.at(0));
}

// The program's own assembly puts the table dialogs behind the Linearizer tab's group button.
TEST_F(MainWindowTest, TheLinearizerButtonOpensTheTableDialogOfEachModel) {
    Start();
    const std::pair<int, const char*> models[] = {
        {9, "CTableFile2Dialog"}, {13, "CTableFileDialog"}, {15, "CTableFile2Dialog"}};
    for (const auto& [typeCode, dialogClass] : models) {
        window->OnModelCommand(typeCode);
        window->FileTabs()->setCurrentIndex(2);
        QString opened;
        WhenModal<QDialog>([&opened](QDialog* dialog) {
            opened = dialog->metaObject()->className();
            dialog->reject();
        });
        ASSERT_TRUE(window->FilePage()->ActionButton()->isVisible()) << typeCode;
        QTest::mouseClick(window->FilePage()->ActionButton(), Qt::LeftButton);
        EXPECT_EQ(dialogClass, opened.toStdString()) << typeCode;
    }
}

// A device in fixed output is never left so without a word: Disconnect and closing the window
// ask, and the default answer returns it to normal operation before the port closes.
TEST_F(MainWindowTest, DisconnectAndCloseReturnAFixedOutputToNormal) {
    TempDir data;
    CScopedEnv history("XDG_DATA_HOME", data.Path().c_str());
    Start();
    GoOnline();
    auto* fixedOut = window->LoopTestPage()->findChild<QPushButton*>("fixedOut");
    window->DeviceTabs()->setCurrentIndex(4); // Loop Test.
    QTest::mouseClick(fixedOut, Qt::LeftButton);
    ASSERT_EQ(2, device->GetProcessMode());
    messages.answer = QMessageBox::Yes;
    QTest::mouseClick(window->ConnectButton(), Qt::LeftButton);
    ASSERT_EQ(1, messages.texts.size());
    EXPECT_EQ("The device is in fixed output (Loop Test). Return it to normal operation before the "
              "port closes?",
              messages.texts[0]);
    EXPECT_EQ(QMessageBox::Yes, LastDefaultButton());
    EXPECT_EQ(0, device->GetProcessMode());
    ASSERT_TRUE(WaitState(CVELKDlg::kOffline));
    EXPECT_EQ("Currently offline - The device was returned to normal operation.",
              window->StatusLine()->text());

    // Cancel keeps the connection; closing with the default answer releases the output.
    GoOnline();
    QTest::mouseClick(fixedOut, Qt::LeftButton);
    ASSERT_EQ(2, device->GetProcessMode());
    messages.answer = QMessageBox::Cancel;
    window->close();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(2, device->GetProcessMode());
    messages.answer = QMessageBox::Yes;
    window->close();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(0, device->GetProcessMode());
    // Each fixed output and each return to normal is in the history.
    std::vector<std::string> operations;
    for (const HistoryEvent& event : CHistory().List(identity.serial))
        operations.push_back(event.operation);
    EXPECT_EQ((std::vector<std::string>{"loop test normal", "loop test fixed", "loop test normal",
                                        "loop test fixed"}),
              operations);
}

// Cancel beside the progress bar: an upload stops after its current request and the file set
// stays; a download stops with the process mode put back and says what the device now holds.
TEST_F(MainWindowTest, CancelStopsAnUploadAndADownload) {
    Start();
    GoOnline();
    device->SetFaults(CSimFaults{0, 0, 0, 0, 1.0, 0, 6, 15, 3}); // every answer 15 ms late
    const int32_t fileFilter = window->FileSet()->GetValue(kIdFilterTime);
    device->SetInt32(kRegFilterTime, fileFilter + 10000);
    QTest::mouseClick(window->UploadButton(), Qt::LeftButton);
    ASSERT_TRUE(window->CancelTransferButton()->isVisible());
    QTest::qWait(300);
    QTest::mouseClick(window->CancelTransferButton(), Qt::LeftButton);
    ASSERT_TRUE(WaitState(CVELKDlg::kOnline, 3000));
    EXPECT_EQ(QStringList{"The operation was cancelled."}, messages.texts);
    EXPECT_EQ(MessageIcon::Information, messages.icons.at(0));
    EXPECT_EQ(fileFilter, window->FileSet()->GetValue(kIdFilterTime));
    EXPECT_FALSE(window->CancelTransferButton()->isVisible());

    QTest::mouseClick(window->UnlockBox(), Qt::LeftButton);
    QTest::mouseClick(window->DownloadButton(), Qt::LeftButton);
    ASSERT_TRUE(WaitUntil([&] { return device->GetProcessMode() == 1; }, 5000));
    QTest::keyClick(window.get(), Qt::Key_Escape);
    ASSERT_TRUE(WaitState(CVELKDlg::kOnline, 3000));
    ASSERT_EQ(2, messages.texts.size());
    EXPECT_EQ("The download was cancelled: the device now holds a partly written parameter set.",
              messages.texts[1]);
    EXPECT_EQ(MessageIcon::Warning, messages.icons.at(1));
    EXPECT_EQ(0, device->GetProcessMode());
}

// The window fits a 1366 x 768 laptop screen, and at its minimum size no two controls overlap,
// online (meters shown) or offline; the panes keep their place between the two states.
TEST_F(MainWindowTest, TheWindowFitsAndNoControlsOverlapAtItsMinimumSize) {
    Start();
    EXPECT_LE(window->width(), 1366);
    EXPECT_LE(window->height(), 740);
    EXPECT_LE(window->minimumWidth(), window->width());
    EXPECT_LE(window->minimumHeight(), window->height());
    auto* fileGroup = window->findChild<QWidget*>("fileGroup");
    const QPoint offlinePlace = fileGroup->mapTo(window.get(), QPoint());
    GoOnline();
    QTest::qWait(50);
    EXPECT_EQ(offlinePlace, fileGroup->mapTo(window.get(), QPoint())) << "the file pane moved";

    window->resize(window->minimumSize());
    QTest::qWait(50);
    std::vector<QWidget*> controls;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        bool control = qobject_cast<QAbstractButton*>(w) || qobject_cast<QLabel*>(w) ||
                       qobject_cast<QLineEdit*>(w) || qobject_cast<QAbstractItemView*>(w) ||
                       qobject_cast<QProgressBar*>(w) || qobject_cast<QTabBar*>(w) ||
                       w->inherits("CMeter");
        if (control && w->isVisibleTo(window.get()) && !w->inherits("QGroupBox"))
            controls.push_back(w);
    }
    ASSERT_GT(controls.size(), 10u);
    for (std::size_t i = 0; i < controls.size(); ++i) {
        for (std::size_t j = i + 1; j < controls.size(); ++j) {
            QWidget* a = controls[i];
            QWidget* b = controls[j];
            if (a->isAncestorOf(b) || b->isAncestorOf(a))
                continue;
            QRect ra(a->mapTo(window.get(), QPoint()), a->size());
            QRect rb(b->mapTo(window.get(), QPoint()), b->size());
            EXPECT_FALSE(ra.intersects(rb))
                << a->metaObject()->className() << " " << a->objectName().toStdString() << " "
                << b->metaObject()->className() << " " << b->objectName().toStdString();
        }
    }
}

// What a screen reader or a GUI test tool sees: every control of every page has a name.
TEST_F(MainWindowTest, EveryControlHasAnAccessibleNameAndTheUnlockToggleWorks) {
    Start();
    GoOnline();
    QStringList unnamed;
    for (int tab = 0; tab < window->DeviceTabs()->count(); ++tab) {
        window->DeviceTabs()->setCurrentIndex(tab);
        for (QWidget* w : window->findChildren<QWidget*>()) {
            bool control = qobject_cast<QAbstractButton*>(w) || qobject_cast<QLineEdit*>(w) ||
                           qobject_cast<QAbstractSlider*>(w) || qobject_cast<QComboBox*>(w) ||
                           qobject_cast<QAbstractItemView*>(w) || w->inherits("CMeter");
            if (!control || !w->isVisibleTo(window.get()))
                continue;
            QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
            if (!a || a->text(QAccessible::Name).trimmed().isEmpty())
                unnamed << QString("%1 %2").arg(w->metaObject()->className(), w->objectName());
        }
    }
    unnamed.removeDuplicates();
    EXPECT_TRUE(unnamed.isEmpty()) << unnamed.join(", ").toStdString();

    // The box's accessible toggle does what a click does: Download is offered.
    QAccessibleInterface* unlock = QAccessible::queryAccessibleInterface(window->UnlockBox());
    ASSERT_TRUE(unlock && unlock->actionInterface());
    unlock->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_TRUE(window->UnlockBox()->isChecked());
    EXPECT_TRUE(window->DownloadButton()->isEnabled());
}

// "q3config FILE" opens the file in the file pane and names it in the title.
TEST_F(MainWindowTest, AFileNamedOnTheCommandLineIsOpened) {
    std::unique_ptr<CParBase> qd = CDeviceType::NewParameterSet(15);
    qd->SetValue(kIdFilterTime, 25000, false);
    initialFile = programHome.File("plant.cfg");
    qd->SaveFile(initialFile);
    Start();
    EXPECT_EQ(15, window->FileSet()->TypeCode());
    EXPECT_EQ(25000, window->FileSet()->GetValue(kIdFilterTime));
    EXPECT_EQ("Q3 Configurator Version1.0.0 - plant.cfg", window->windowTitle());
}

TEST_F(MainWindowTest, DownloadAndCompareRefuseAnotherModel) {
    Start();
    GoOnline();
    window->OnModelCommand(11);
    QTest::mouseClick(window->UnlockBox(), Qt::LeftButton);
    window->OnDownload();
    window->OnCompare();
    ASSERT_EQ(2, messages.texts.size());
    EXPECT_EQ("The settings of a different device cannot be downloaded.", messages.texts[0]);
    EXPECT_EQ("The settings of a different device cannot be compared.", messages.texts[1]);
    EXPECT_EQ(MessageIcon::Stop, messages.icons[0]);
    EXPECT_FALSE(window->IsTransferRunning());
    EXPECT_EQ(CVELKDlg::kOnline, window->UiStateValue());
}

TEST_F(MainWindowTest, CompareShowsTheDifferencesAndLeavesTheFileSet) {
    Start();
    GoOnline();
    window->FileSet()->SetValue(kIdFilterTime, 45000, true);
    window->FileSet()->SetValue(kIdSensorWires, 0, true);
    QString result;
    int rows = 0;
    WhenModal<CCompareDialog>([&](CCompareDialog* dialog) {
        result = dialog->ResultText();
        rows = dialog->Mismatches();
        dialog->reject();
    });
    QTest::mouseClick(window->CompareButton(), Qt::LeftButton);
    ASSERT_TRUE(WaitState(CVELKDlg::kOnline));
    EXPECT_EQ("2 parameter(s) not matching.", result);
    EXPECT_EQ(2, rows);
    EXPECT_EQ(45000, window->FileSet()->GetValue(kIdFilterTime));
    EXPECT_EQ(9, window->FileSet()->TypeCode());
}

// The desktop's conventions on the real window: Ctrl+S proposes a name after the device in the
// folder last used, Ctrl+O and a dropped file open, the recent-files menu reopens, F1 shows the
// guide.
TEST_F(MainWindowTest, ShortcutsDropAndRecentFiles) {
    Start();
    GoOnline();
    QTest::mouseClick(window->UploadButton(), Qt::LeftButton);
    ASSERT_TRUE(WaitState(CVELKDlg::kOnline));
    ASSERT_TRUE(window->IsFileSetModified());

    TempDir folder;
    QString start;
    QString answer = QString::fromStdString(folder.File("rack1.cfg"));
    SetFileDialogHook([&](QWidget*, bool, const QString&, const QStringList&, const QString& at) {
        start = at;
        return answer;
    });
    QTest::keyClick(window.get(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ("Q3VA_SIM-000001_" + QDate::currentDate().toString("yyyy-MM-dd") + ".cfg",
              QFileInfo(start).fileName());
    ASSERT_TRUE(QFileInfo(answer).isFile());
    EXPECT_FALSE(window->IsFileSetModified());

    // Ctrl+O starts in the folder of that save.
    std::string other = programHome.File("q3vb.cfg");
    CDeviceType::NewParameterSet(11)->SaveFile(other);
    answer = QString::fromStdString(other);
    QTest::keyClick(window.get(), Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(QString::fromStdString(folder.Path()), start);
    EXPECT_EQ(11, window->FileSet()->TypeCode());

    std::string dropped = programHome.File("dropped.cfg");
    CDeviceType::NewParameterSet(13)->SaveFile(dropped);
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(dropped))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &drop);
    ASSERT_TRUE(WaitUntil([&] { return window->FileSet()->TypeCode() == 13; }, 2000));

    EXPECT_EQ(QStringList({QString::fromStdString(dropped), QString::fromStdString(other),
                           QString::fromStdString(folder.File("rack1.cfg"))}),
              window->RecentFiles());
    QMenu* recent = window->RecentFilesButton()->menu();
    emit recent->aboutToShow();
    ASSERT_EQ(3, recent->actions().size());
    EXPECT_EQ("&3 rack1.cfg", recent->actions()[2]->text());
    recent->actions()[2]->trigger();
    EXPECT_EQ(9, window->FileSet()->TypeCode());
    EXPECT_EQ(QString::fromStdString(folder.File("rack1.cfg")), window->RecentFiles().front());
    EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join("|").toStdString();

    QTest::keyClick(window.get(), Qt::Key_F1);
    QWidget* guide = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == "userGuide" && w->isVisible())
            guide = w;
    ASSERT_NE(nullptr, guide) << messages.texts.join("|").toStdString();
    EXPECT_TRUE(
        guide->findChild<QTextBrowser*>()->toPlainText().startsWith("Q3 Configurator user guide"));
    guide->close();
}

// Under a dark palette no text of a coloured cell is the palette's white on a light colour.
TEST_F(MainWindowTest, ColouredCellsKeepTheirContrastUnderADarkPalette) {
    QPalette saved = QApplication::palette();
    QPalette dark;
    for (auto [role, colour] : {std::pair{QPalette::Window, QColor(45, 45, 45)},
                                {QPalette::WindowText, QColor(230, 230, 230)},
                                {QPalette::Base, QColor(30, 30, 30)},
                                {QPalette::Text, QColor(235, 235, 235)},
                                {QPalette::Button, QColor(55, 55, 55)},
                                {QPalette::ButtonText, QColor(230, 230, 230)}})
        dark.setColor(role, colour);
    QApplication::setPalette(dark);
    auto contrast = [](const QColor& a, const QColor& b) {
        auto c = [](const QColor& q) {
            return Colour{static_cast<uint8_t>(q.red()), static_cast<uint8_t>(q.green()),
                          static_cast<uint8_t>(q.blue())};
        };
        return ContrastRatio(c(a), c(b));
    };
    Start();
    GoOnline();
    for (CParameterListCtrl* list : {window->BasicList(), window->FileList()})
        for (int r = 0; r < list->rowCount(); ++r)
            for (int c = 0; c < list->columnCount(); ++c)
                EXPECT_GE(contrast(list->CellForeground(r, c), list->CellBackground(r, c)),
                          kTextContrast)
                    << r << "," << c;
    const QPalette& indicator = window->Indicator()->palette();
    EXPECT_GE(contrast(indicator.color(QPalette::WindowText), indicator.color(QPalette::Window)),
              kTextContrast);
    window->FileSet()->SetValue(kIdFilterTime, 45000, true);
    double worst = 21;
    WhenModal<CCompareDialog>([&](CCompareDialog* dialog) {
        CCompareList* list = dialog->List();
        for (int r = 0; r < list->rowCount(); ++r)
            for (int c = 0; c < list->columnCount(); ++c)
                worst = std::min(worst, contrast(list->item(r, c)->foreground().color(),
                                                 list->CellBackground(r, c)));
        dialog->reject();
    });
    QTest::mouseClick(window->CompareButton(), Qt::LeftButton);
    ASSERT_TRUE(WaitState(CVELKDlg::kOnline));
    QApplication::setPalette(saved);
    EXPECT_GE(worst, kTextContrast);
}

// The commissioning sheet and the compare result on paper: a PDF whose text holds the
// identity, every parameter as the list shows it, and the differences.
TEST_F(MainWindowTest, CommissioningSheetAndCompareResultPrint) {
    identity.tag = "TT-101";
    Start();
    GoOnline();
    window->FileSet()->SetValue(kIdFilterTime, 45000, true);
    TempDir out;
    QPrinter sheet(QPrinter::HighResolution);
    sheet.setOutputFormat(QPrinter::PdfFormat);
    sheet.setOutputFileName(QString::fromStdString(out.File("sheet.pdf")));
    ASSERT_TRUE(RenderSheet(window->CurrentCommissioningSheet(), sheet));
    PrintSheet compare;
    WhenModal<CCompareDialog>([&](CCompareDialog* dialog) {
        compare = dialog->Sheet();
        dialog->reject();
    });
    QTest::mouseClick(window->CompareButton(), Qt::LeftButton);
    ASSERT_TRUE(WaitState(CVELKDlg::kOnline));
    QPrinter nowhere(QPrinter::HighResolution);
    nowhere.setOutputFormat(QPrinter::PdfFormat);
    nowhere.setOutputFileName(QString::fromStdString(out.File("missing/sheet.pdf")));
    EXPECT_FALSE(RenderSheet(window->CurrentCommissioningSheet(), nowhere));
    QPrinter result(QPrinter::HighResolution);
    result.setOutputFormat(QPrinter::PdfFormat);
    result.setOutputFileName(QString::fromStdString(out.File("compare.pdf")));
    ASSERT_TRUE(RenderSheet(compare, result));

    std::string text = PdfText(out.File("sheet.pdf"));
    for (const char* expected : {"Commissioning sheet", "SIM-000001", "TT-101",
                                 "Filter time constant", "4.5000 (sec)", "RTD JPt100"})
        EXPECT_NE(std::string::npos, text.find(expected)) << expected << "\n" << text;
    text = PdfText(out.File("compare.pdf"));
    for (const char* expected :
         {"Compare Results", "1 parameter(s) not matching.", "Filter time constant"})
        EXPECT_NE(std::string::npos, text.find(expected)) << expected << "\n" << text;
    int marked = 0;
    for (const QStringList& row : compare.rows)
        marked += row.size() > 1 && row.front() == QString(QChar(0x2260));
    EXPECT_EQ(1, marked);
}

TEST_F(MainWindowTest, APollDuringATransferIsHeldUntilItEnds) {
    Start();
    GoOnline();
    // A slow line: each answer waits, so the upload outlasts the poll that is in flight.
    device->SetFaults(CSimFaults{0, 0, 0, 0, 1.0, 0, 6, 15, 3});
    QTest::mouseClick(window->UploadButton(), Qt::LeftButton);
    ASSERT_TRUE(WaitUntil([&] { return window->IsPollPending(); }, 10000));
    int posted = window->PollsPosted();
    EXPECT_EQ(CVELKDlg::kBusy, window->UiStateValue());
    QTest::qWait(200);
    EXPECT_EQ(posted, window->PollsPosted());
    device->SetFaults(CSimFaults{});
    ASSERT_TRUE(WaitState(CVELKDlg::kOnline, 20000));
    EXPECT_FALSE(window->IsPollPending());
    EXPECT_EQ(posted + 1, window->PollsPosted());
}

TEST_F(MainWindowTest, OpenOfAnotherModelsFileReplacesTheFileSet) {
    Start();
    std::string path = programHome.File("q3vc.cfg");
    std::unique_ptr<CParBase> qc = CDeviceType::NewParameterSet(13);
    qc->SetValue(kIdFilterTime, 55000, false);
    qc->SaveFile(path);
    window->FileTabs()->setCurrentIndex(1);
    QStringList titles;
    SetFileDialogHook(
        [&](QWidget*, bool save, const QString& title, const QStringList& filters, const QString&) {
            titles << title;
            EXPECT_FALSE(save);
            EXPECT_EQ(QStringList({"Configuration File (*.cfg) (*.cfg)", "All Files (*.*) (*)"}),
                      filters);
            return QString::fromStdString(path);
        });
    QTest::mouseClick(window->OpenFileButton(), Qt::LeftButton);
    EXPECT_EQ(QStringList({"Open File"}), titles);
    EXPECT_TRUE(messages.texts.isEmpty());
    EXPECT_EQ(13, window->FileSet()->TypeCode());
    EXPECT_EQ(55000, window->FileSet()->GetValue(kIdFilterTime));
    EXPECT_EQ("Q3VC-*** (2 outputs)", window->ModelEdit()->text());
    EXPECT_EQ(1, window->FileTab());
    EXPECT_EQ(window->FileSet(), window->FileList()->ParameterSet());

    // A file of no known model: its message, then 207; the file set stays.
    WriteWholeFile(path, "[HEAD]\nMODEL=4242\n");
    QTest::mouseClick(window->OpenFileButton(), Qt::LeftButton);
    ASSERT_EQ(2, messages.texts.size());
    EXPECT_EQ("This parameter file is not match this model.", messages.texts[0]);
    EXPECT_EQ("Load parameter file failed.", messages.texts[1]);
    EXPECT_EQ(13, window->FileSet()->TypeCode());
}

TEST_F(MainWindowTest, SaveWritesTheFileSet) {
    Start();
    std::string path = programHome.File("saved.cfg");
    window->FileSet()->SetValue(kIdFilterTime, 65000, false);
    SetFileDialogHook(
        [&](QWidget*, bool save, const QString& title, const QStringList&, const QString&) {
            EXPECT_TRUE(save);
            EXPECT_EQ("Save File", title);
            return QString::fromStdString(path);
        });
    QTest::mouseClick(window->SaveFileButton(), Qt::LeftButton);
    OpenedParameterFile opened = OpenParameterFile(path);
    ASSERT_TRUE(opened.set) << opened.error;
    EXPECT_EQ(65000, opened.set->GetValue(kIdFilterTime));
    EXPECT_TRUE(messages.texts.isEmpty());
}

TEST_F(MainWindowTest, TheSelectMenuListsTheModelsAndReplacesTheSet) {
    Start();
    std::unique_ptr<QMenu> menu(window->BuildModelMenu(window.get()));
    QStringList names;
    QAction* checked = nullptr;
    for (QAction* action : menu->actions()) {
        names << action->text();
        if (action->isChecked())
            checked = action;
    }
    ASSERT_EQ(8, names.size());
    EXPECT_EQ("Q3VA-*** (2 outputs)", names[0]);
    EXPECT_EQ("Q3VD-**Y (1 outputs)", names[7]);
    ASSERT_NE(nullptr, checked);
    EXPECT_EQ(0x9000 + 9, checked->data().toInt());

    CParBase* before = window->FileSet();
    before->SetValue(kIdFilterTime, 15000, false);
    menu->actions()[0]->trigger(); // the model already selected: nothing changes
    EXPECT_EQ(before, window->FileSet());
    EXPECT_EQ(15000, window->FileSet()->GetValue(kIdFilterTime));
    // The edit is not saved: Cancel keeps the set, Discard lets it go.
    messages.answer = QMessageBox::Cancel;
    menu->actions()[3]->trigger();
    EXPECT_EQ(before, window->FileSet());
    EXPECT_EQ(QStringList{"The parameter set in the file pane has changes that are not saved. "
                          "Save them?"},
              messages.texts);
    EXPECT_TRUE(window->windowTitle().endsWith(" *")) << window->windowTitle().toStdString();
    messages.answer = QMessageBox::Discard;
    menu->actions()[3]->trigger();
    EXPECT_EQ(12, window->FileSet()->TypeCode());
    EXPECT_EQ("Q3 Configurator Version1.0.0", window->windowTitle());
    EXPECT_EQ("Q3VB-**Y (1 outputs)", window->ModelEdit()->text());
    EXPECT_EQ(0, window->FileSet()->GetValue(kIdFilterTime));
}

TEST_F(MainWindowTest, TheLanguageSwitchKeepsTheFileSetAndTabs) {
    Start(1001, Q3_BIN_DIR);
    ASSERT_TRUE(WaitState(CVELKDlg::kOffline));
    window->OnModelCommand(11);
    window->FileSet()->SetValue(kIdFilterTime, 75000, false);
    window->FileTabs()->setCurrentIndex(2);
    window->DeviceTabs()->setCurrentIndex(3);
    WhenModal<CAppSettingDialog>([](CAppSettingDialog* dialog) {
        dialog->LanguageCombo()->setCurrentIndex(1);
        dialog->accept();
    });
    QTest::mouseClick(window->PreferencesButton(), Qt::LeftButton);
    EXPECT_EQ(QDialog::Accepted, window->result());
    EXPECT_EQ(nullptr, window->PollThread());
    EXPECT_EQ(11, app->Settings().DeviceId);
    // The application shows the same window again, built in the new language.
    window->Initialise();
    EXPECT_EQ(1, app->LanguageInUse());
    EXPECT_EQ(Tr(kStrButtonConnect) + "(&C)", window->ConnectButton()->text());
    EXPECT_NE("Connect", window->ConnectButton()->text());
    EXPECT_EQ(11, window->FileSet()->TypeCode());
    EXPECT_EQ(75000, window->FileSet()->GetValue(kIdFilterTime));
    EXPECT_EQ(2, window->FileTab());
    EXPECT_EQ(2, window->FileTabs()->currentIndex());
    EXPECT_EQ(2, window->FilePage()->List()->Group());
    EXPECT_EQ(3, window->DeviceTabs()->currentIndex());
    ASSERT_TRUE(WaitState(CVELKDlg::kOffline));
    EXPECT_EQ(Tr(kMsgStatusOffline), window->StatusLine()->text());
}

TEST_F(MainWindowTest, PreferencesWithoutALanguageChangeKeepsTheWindow) {
    Start();
    ASSERT_TRUE(WaitState(CVELKDlg::kOffline));
    WhenModal<CAppSettingDialog>([](CAppSettingDialog* dialog) {
        dialog->UnitRadio(1)->setChecked(true);
        dialog->accept();
    });
    QTest::mouseClick(window->PreferencesButton(), Qt::LeftButton);
    EXPECT_NE(nullptr, window->PollThread());
    EXPECT_EQ(1, app->Settings().TempUnit);
    // The file pane shows the new unit.
    CParameterListCtrl* list = window->FileList();
    EXPECT_EQ("32.0000 (deg F)", list->item(RowOf(list, kIdZeroInput), 2)->text());
}

TEST_F(MainWindowTest, EnterAndEscapeNeverCloseTheWindow) {
    Start();
    ASSERT_TRUE(WaitState(CVELKDlg::kOffline));
    window->FileList()->setFocus();
    window->FileList()->setCurrentCell(RowOf(window->FileList(), kIdFilterTime), 1);
    QTest::keyClick(window.get(), Qt::Key_Escape);
    EXPECT_TRUE(window->isVisible());
    // Enter in the file list starts editing its selected row.
    QTest::keyClick(window->FileList(), Qt::Key_Return);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->FileList()->Editor().TextEditor()->isVisible());
    QTest::keyClick(window->FileList()->Editor().TextEditor(), Qt::Key_Escape);
    EXPECT_FALSE(window->FileList()->Editor().IsEditing());
    QTest::keyClick(window->FileList(), Qt::Key_Escape);
    window->OpenFileButton()->setFocus();
    window->UnlockBox()->setFocus();
    QTest::keyClick(window->UnlockBox(), Qt::Key_Return);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(0, window->result());
}

TEST_F(MainWindowTest, TheMarkerShowsTheFactoryButtonsAndInitializeWorksOffline) {
    WriteWholeFile(programHome.File("q3config.adm"), "");
    Start();
    ASSERT_TRUE(WaitState(CVELKDlg::kOffline));
    EXPECT_TRUE(window->InitializeButton()->isVisible());
    EXPECT_TRUE(window->InputCalibButton()->isVisible());
    EXPECT_TRUE(window->OutputCalibButton()->isVisible());
    EXPECT_TRUE(window->InitializeButton()->isEnabled());
    EXPECT_FALSE(window->InputCalibButton()->isEnabled());
    EXPECT_EQ(QColor(255, 0, 0), window->InitializeButton()->palette().color(QPalette::ButtonText));

    device->SetInt32(kRegFilterTime, 25000);
    messages.answer = QMessageBox::No;
    QTest::mouseClick(window->InitializeButton(), Qt::LeftButton);
    EXPECT_EQ(QMessageBox::No, LastDefaultButton()) << "Enter must not initialize";
    ASSERT_EQ(1, messages.texts.size());
    EXPECT_EQ(MessageIcon::Question, messages.icons[0]);
    EXPECT_EQ(25000, device->GetInt32(kRegFilterTime));

    messages.answer = QMessageBox::Yes;
    QTest::mouseClick(window->InitializeButton(), Qt::LeftButton);
    ASSERT_EQ(3, messages.texts.size());
    EXPECT_EQ(Tr(kMsgInitializeDone), messages.texts[2]);
    EXPECT_EQ(MessageIcon::None, messages.icons[2]);
    bool wrote99 = false;
    for (const CSimRequestRecord& w : device->GetWriteLog())
        wrote99 |= w.start == 30000 && w.values == std::vector<uint16_t>{99};
    EXPECT_TRUE(wrote99);
    EXPECT_EQ(0, device->GetInt32(kRegFilterTime));
    // Connected for the sequence only.
    EXPECT_FALSE(window->Comm().IsConnected());
}

TEST_F(MainWindowTest, TheTrendGraphCoversTheWindowAndCloseRestoresTheControls) {
    Start();
    GoOnline();
    QTest::mouseClick(window->TrendGraphButton(), Qt::LeftButton);
    ASSERT_TRUE(window->GraphOpen());
    EXPECT_FALSE(window->Contents()->isVisible());
    EXPECT_TRUE(window->Graph()->isVisible());
    QTest::mouseClick(window->Graph()->closeButton(), Qt::LeftButton);
    ASSERT_TRUE(WaitUntil([&] { return !window->GraphOpen(); }));
    EXPECT_TRUE(window->Contents()->isVisible());
    EXPECT_TRUE(window->UploadButton()->isEnabled());
    EXPECT_FALSE(window->DownloadButton()->isEnabled());
}

TEST_F(MainWindowTest, ClosingDuringAnUploadEndsCleanly) {
    Start();
    GoOnline();
    window->OnModelCommand(10);
    device->SetFaults(CSimFaults{0, 0, 0, 0, 1.0, 0, 6, 10, 3});
    QTest::mouseClick(window->UploadButton(), Qt::LeftButton);
    ASSERT_TRUE(window->IsTransferRunning());
    window->close();
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(window->IsTransferRunning());
    EXPECT_EQ(nullptr, window->PollThread());
    EXPECT_EQ(nullptr, window->FileSet());
    EXPECT_EQ(10, app->Settings().DeviceId);
    EXPECT_FALSE(window->Comm().IsConnected());
    window.reset();
    QCoreApplication::processEvents();
    EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join("|").toStdString();
}

} // namespace
