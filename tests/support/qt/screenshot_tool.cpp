// q3_screenshots: renders the program's real widgets into PNG files.
//
//   q3_screenshots OUTPUT_DIR [DOCS_DIR]
//
// Runs on the offscreen platform; the texts come from the string table and the language
// module beside the program, exactly as q3config shows them. With DOCS_DIR the pictures the
// README shows are also written there, compressed.

#include "app/CSettingsStore.h"
#include "app/qt/CAppSettingDialog.h"
#include "app/qt/CHistoryWindow.h"
#include "app/qt/CVELKApp.h"
#include "app/qt/CVELKDlg.h"
#include "app/qt/ProgramAssembly.h"
#include "calib/qt/CAdjustInputPage.h"
#include "calib/qt/CCalibrationCheckDialog.h"
#include "gui/CFileDialogs.h"
#include "gui/CMessageBox.h"
#include "gui/CPrintSheet.h"
#include "gui/QtText.h"
#include "model/CDeviceType.h"
#include "model/CModelContext.h"
#include "model/ParameterIds.h"
#include "resources/CStringTable.h"
#include "resources/StringIds.h"
#include "sim/CSimDevice.h"
#include "sim/CSimPortRegistration.h"
#include "sim/CSimServer.h"
#include "views/qt/CCompareDialog.h"
#include "views/qt/CDeviceSummaryPage.h"
#include "views/qt/CInputSettingPage.h"
#include "views/qt/CParameterListCtrl.h"

#include <QAbstractSlider>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QPrinter>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QStyleFactory>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>

namespace {

QString g_out;
QString g_docs; // optional: palette copies of the README's pictures
int g_written = 0;

// The pictures the README shows.
bool IsDocPicture(const QString& name) {
    static const QStringList kNames = {
        "main_online_basic_en", "main_compare_en", "main_online_adjust_ja",
        "main_offline_en",      "main_busy_en",    "main_online_calib_en",
        "preferences_en",       "history_en",      "check_en",
        "certificate_en",       "certificate_ja"};
    return kNames.contains(name);
}

void Save(QWidget* widget, const QString& name) {
    // A shown window is grabbed as it is: turning the event loop here could let the 500 ms
    // timer flip the blinking indicator just set up.
    if (!widget->isVisible()) {
        widget->show();
        if (!QTest::qWaitForWindowExposed(widget))
            std::fprintf(stderr, "%s was not exposed\n", qPrintable(name));
        QCoreApplication::processEvents();
    }
    QPixmap pixmap = widget->grab();
    QString path = g_out + "/" + name + ".png";
    if (!pixmap.save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        std::exit(1);
    }
    ++g_written;
    std::printf("%s\n", qPrintable(path));
    if (!g_docs.isEmpty() && IsDocPicture(name)) {
        // No alpha channel and the strongest compression: the file stays small.
        QImage small = pixmap.toImage().convertToFormat(QImage::Format_RGB888);
        small.save(g_docs + "/" + name + ".png", "PNG", 0);
    }
}

const char* Suffix(int language) {
    return language == 1 ? "ja" : "en";
}

void Preferences(CVELKApp& app, int language) {
    CAppSettings settings;
    settings.comm.portName = "/dev/pts/3";
    settings.TempUnit = 0;
    CAppSettingDialog dialog(settings, app.Store(), language);
    Save(&dialog, QString("preferences_%1").arg(Suffix(language)));
}

void ParameterLists(int language) {
    std::unique_ptr<CParBase> set = CDeviceType::NewParameterSet(9);
    set->SetValue(kIdFilterTime, 15000, false);
    const int groups[] = {kGroupSettings, kGroupAdjust, kGroupTable};
    for (int group : groups) {
        CInputSettingPage page;
        page.resize(420, 460);
        page.SetShownGroup(-1);
        page.SetGroup(group, set.get());
        page.List()->SetReadOnly(false);
        page.List()->SetRewriteAll(true);
        page.List()->Refresh();
        Save(&page, QString("list_group%1_%2").arg(group).arg(Suffix(language)));
    }
    CDeviceSummaryPage info;
    info.resize(420, 360);
    info.List()->SetParameterSet(set.get());
    info.List()->SetGroup(kGroupMonitor);
    info.List()->Refresh();
    Save(&info, QString("list_group10_%1").arg(Suffix(language)));
}

void Compare(int language) {
    std::unique_ptr<CParBase> device = CDeviceType::NewParameterSet(9);
    std::unique_ptr<CParBase> file = CDeviceType::NewParameterSet(9);
    device->SetValue(kIdFilterTime, 20000, false);
    device->SetValue(kIdOutputType1 + 2, 160000, false);
    device->SetValue(kIdInputFineSpan, 1002500, false);
    CCompareDialog dialog(device.get(), file.get());
    dialog.resize(720, 480);
    Save(&dialog, QString("compare_%1").arg(Suffix(language)));
}

bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 10000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs) {
            std::fprintf(stderr, "timed out waiting\n");
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QTest::qWait(2);
    }
    return true;
}

// The program on a simulator: one application object per program directory.
struct Session {
    Session(const std::string& programPath, int language, const std::string& port) {
        app = std::make_unique<CVELKApp>(programPath);
        app->Store().SetString("ComSettings", "COMPortName", port);
        app->Store().SetInt("Settings", "DisplayLanguage", language);
        app->LoadSettings();
        app->LoadLanguageModule(language);
        app->CreateInitialFileSet();
        window = std::make_unique<CVELKDlg>();
        window->Initialise();
        window->show();
        if (!QTest::qWaitForWindowExposed(window.get()))
            std::fprintf(stderr, "main window was not exposed\n");
    }
    ~Session() {
        window->Shutdown();
        window.reset();
        app.reset();
    }
    bool WaitState(int state) {
        return WaitUntil([&] { return window->UiStateValue() == state; });
    }
    void Connect() { QTest::mouseClick(window->ConnectButton(), Qt::LeftButton); }
    // Lets the blinking indicator (and status line) settle on their shown phase.
    void ShowBlink() {
        for (int i = 0; i < 4; ++i) {
            bool indicator = !window->Indicator()->text().isEmpty();
            bool status =
                window->UiStateValue() != CVELKDlg::kSearching || window->StatusLine()->isVisible();
            bool current = window->IsConnectRequested()
                               ? window->Indicator()->text() == Tr(kStrIndicatorOnline)
                               : true;
            if (indicator && status && current)
                return;
            window->OnTimer();
        }
    }

    std::unique_ptr<CVELKApp> app;
    std::unique_ptr<CVELKDlg> window;
};

// Saves the next modal dialog as soon as it is up and painted, then closes it.
void GrabModal(const QString& name) {
    auto* timer = new QTimer();
    auto* waited = new QElapsedTimer();
    waited->start();
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, [timer, waited, name] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            if (waited->elapsed() > 30000) {
                std::fprintf(stderr, "no modal dialog for %s\n", qPrintable(name));
                timer->deleteLater();
                delete waited;
            }
            return;
        }
        timer->stop();
        timer->deleteLater();
        delete waited;
        QTest::qWait(100);
        Save(dialog, name);
        dialog->done(0);
    });
    timer->start();
}

void MainWindowScenes(const std::string& program, const std::string& adminProgram, int language) {
    const QString lang = Suffix(language);
    CSimDevice device(1001);
    device.SetInputValue(42.5);
    CSimServer server(device);
    std::string port = server.StartPty();
    // Registered as q3sim does, so that Preferences lists it through port discovery.
    CSimPortRegistration registration;
    registration.Register(port, CSimPortRegistration::DisplayName("Q3VA", port));
    SetPortLister(nullptr);

    {
        Session s(program, language, port);
        s.WaitState(CVELKDlg::kOffline);
        Save(s.window.get(), "main_offline_" + lang);

        s.Connect();
        s.WaitState(CVELKDlg::kOnline);
        const char* tabs[] = {"deviceinfo", "basic", "calib", "adjust", "looptest"};
        for (int tab = 0; tab < 5; ++tab) {
            s.window->DeviceTabs()->setCurrentIndex(tab);
            if (tab == 1)
                QTest::mouseClick(s.window->UnlockBox(), Qt::LeftButton);
            WaitUntil([&] { return s.window->DeviceInfoList()->rowCount() > 0; });
            QTest::qWait(50);
            s.ShowBlink();
            Save(s.window.get(), QString("main_online_%1_%2").arg(tabs[tab]).arg(lang));
        }
        // The smallest the window goes: every control still whole.
        const QSize normal = s.window->size();
        s.window->resize(s.window->minimumSize());
        for (int tab : {0, 3}) {
            s.window->DeviceTabs()->setCurrentIndex(tab);
            QTest::qWait(50);
            Save(s.window.get(), QString("main_minimum_%1_%2").arg(tabs[tab]).arg(lang));
        }
        s.window->resize(normal);

        // Busy: a slow line keeps the upload going while the progress bar moves.
        device.SetFaults(CSimFaults{0, 0, 0, 0, 1.0, 0, 6, 25, 3});
        QTest::mouseClick(s.window->UploadButton(), Qt::LeftButton);
        WaitUntil([&] { return s.window->Progress()->value() >= 30; }, 30000);
        s.ShowBlink();
        Save(s.window.get(), "main_busy_" + lang);
        device.SetFaults(CSimFaults{});
        s.WaitState(CVELKDlg::kOnline);

        // Compare Results with differences.
        s.window->FileSet()->SetValue(kIdFilterTime, 20000, true);
        s.window->FileSet()->SetValue(kIdSensorWires, 1, true);
        s.window->FileSet()->SetValue(kIdOutputType1 + 2, 160000, true);
        GrabModal("main_compare_" + lang);
        QTest::mouseClick(s.window->CompareButton(), Qt::LeftButton);
        s.WaitState(CVELKDlg::kOnline);

        // The Select menu over the window.
        QMenu* menu = s.window->BuildModelMenu(s.window.get());
        QPushButton* select = s.window->SelectButton();
        QPoint topRight = select->mapTo(s.window.get(), QPoint(select->width(), 0));
        menu->popup(
            s.window->mapToGlobal(QPoint(topRight.x() - menu->sizeHint().width(), topRight.y())));
        QTest::qWait(50);
        s.ShowBlink();
        QPixmap picture = s.window->grab();
        QPainter painter(&picture);
        painter.drawPixmap(s.window->mapFromGlobal(menu->pos()), menu->grab());
        painter.end();
        menu->close();
        delete menu;
        picture.save(g_out + "/main_select_menu_" + lang + ".png");
        ++g_written;

        // Each file tab for a model of each input kind.
        const std::pair<int, const char*> models[] = {
            {9, "rtd"}, {11, "potentiometer"}, {13, "dc"}, {15, "thermocouple"}};
        auto* fileGroup = s.window->findChild<QGroupBox*>("fileGroup");
        for (auto [code, kind] : models) {
            s.window->OnModelCommand(code);
            for (int tab = 0; tab < 3; ++tab) {
                s.window->FileTabs()->setCurrentIndex(tab);
                Save(fileGroup, QString("file_%1_tab%2_%3").arg(kind).arg(tab).arg(lang));
            }
        }
        s.window->FileTabs()->setCurrentIndex(0);
        s.window->OnModelCommand(9);

        // Searching: the same window on a port nobody answers.
        QTest::mouseClick(s.window->ConnectButton(), Qt::LeftButton);
        s.WaitState(CVELKDlg::kOffline);
        int master = posix_openpt(O_RDWR | O_NOCTTY);
        grantpt(master);
        unlockpt(master);
        s.app->Store().SetString("ComSettings", "COMPortName", ptsname(master));
        s.Connect();
        s.WaitState(CVELKDlg::kSearching);
        s.ShowBlink();
        Save(s.window.get(), "main_searching_" + lang);
        QTest::mouseClick(s.window->ConnectButton(), Qt::LeftButton);
        s.WaitState(CVELKDlg::kOffline);
        close(master);
        s.app->Store().SetString("ComSettings", "COMPortName", port);

        // Preferences over the window.
        GrabModal("main_preferences_" + lang);
        s.window->OnPreferences();

        // The commissioning sheet as printed (a PDF; pdftoppm makes it a picture).
        s.Connect();
        s.WaitState(CVELKDlg::kOnline);
        QPrinter sheet(QPrinter::HighResolution);
        sheet.setOutputFormat(QPrinter::PdfFormat);
        sheet.setOutputFileName(g_out + "/commissioning_sheet_" + lang + ".pdf");
        RenderSheet(s.window->CurrentCommissioningSheet(), sheet);
    }

    // A dark palette: coloured cells and meters keep readable text.
    {
        QPalette saved = QApplication::palette();
        // The application deletes its old style when given a new one: keep the name only.
        const QString styleName = QApplication::style()->name();
        QApplication::setStyle(QStyleFactory::create("Fusion"));
        QPalette dark;
        dark.setColor(QPalette::Window, QColor(45, 45, 48));
        dark.setColor(QPalette::WindowText, QColor(230, 230, 230));
        dark.setColor(QPalette::Base, QColor(30, 30, 30));
        dark.setColor(QPalette::AlternateBase, QColor(45, 45, 48));
        dark.setColor(QPalette::Text, QColor(235, 235, 235));
        dark.setColor(QPalette::Button, QColor(60, 60, 64));
        dark.setColor(QPalette::ButtonText, QColor(230, 230, 230));
        dark.setColor(QPalette::Highlight, QColor(42, 130, 218));
        dark.setColor(QPalette::HighlightedText, Qt::white);
        QApplication::setPalette(dark);
        Session s(program, language, port);
        s.Connect();
        s.WaitState(CVELKDlg::kOnline);
        QTest::mouseClick(s.window->UnlockBox(), Qt::LeftButton);
        for (int tab : {0, 1}) {
            s.window->DeviceTabs()->setCurrentIndex(tab);
            WaitUntil([&] { return s.window->DeviceInfoList()->rowCount() > 0; });
            QTest::qWait(50);
            s.ShowBlink();
            Save(s.window.get(), QString("main_dark_tab%1_%2").arg(tab).arg(lang));
        }
        s.window->FileSet()->SetValue(kIdFilterTime, 20000, true);
        GrabModal("main_compare_dark_" + lang);
        QTest::mouseClick(s.window->CompareButton(), Qt::LeftButton);
        s.WaitState(CVELKDlg::kOnline);
        QApplication::setPalette(saved);
        QApplication::setStyle(QStyleFactory::create(styleName));
    }

    if (!adminProgram.empty()) {
        Session s(adminProgram, language, port);
        s.WaitState(CVELKDlg::kOffline);
        s.Connect();
        s.WaitState(CVELKDlg::kOnline);
        s.window->DeviceTabs()->setCurrentIndex(1);
        s.ShowBlink();
        Save(s.window.get(), "main_privileged_" + lang);
        CModelContext::SetPrivileged(false);
    }
    server.Stop();
}
// Page 1 of a PDF as a PNG (pdftoppm), to look at like the windows.
void SavePdfPage(const QString& pdf, const QString& name) {
    QProcess render;
    render.start("pdftoppm", {"-png", "-r", "70", "-singlefile", pdf, g_out + "/" + name});
    if (!render.waitForFinished(30000) || render.exitCode() != 0) {
        std::fprintf(stderr, "pdftoppm failed for %s\n", qPrintable(pdf));
        std::exit(1);
    }
    ++g_written;
    std::printf("%s/%s.png\n", qPrintable(g_out), qPrintable(name));
    if (!g_docs.isEmpty() && IsDocPicture(name)) {
        QImage page(g_out + "/" + name + ".png");
        page.convertToFormat(QImage::Format_RGB888).save(g_docs + "/" + name + ".png", "PNG", 0);
    }
}

// A calibration check with an adjustment between, its certificate, and the History window.
void HistoryScenes(const std::string& program, int language) {
    const QString lang = Suffix(language);
    QTemporaryDir data;
    setenv("XDG_DATA_HOME", data.path().toLocal8Bit().constData(), 1);
    CSimDevice device(1001);
    CSimServer server(device);
    std::string port = server.StartPty();
    Session s(program, language, port);
    s.app->Settings().Technician = language == 1 ? "田中 愛子" : "Aiko Tanaka";
    s.WaitState(CVELKDlg::kOffline);
    s.Connect();
    s.WaitState(CVELKDlg::kOnline);
    QTest::mouseClick(s.window->UploadButton(), Qt::LeftButton);
    s.WaitState(CVELKDlg::kOnline);
    QTest::mouseClick(s.window->UnlockBox(), Qt::LeftButton);
    s.window->FileSet()->SetValue(kIdFilterTime, 15000, true);
    QTest::mouseClick(s.window->DownloadButton(), Qt::LeftButton);
    s.WaitState(CVELKDlg::kOnline);

    s.window->DeviceTabs()->setCurrentIndex(3); // Adjust.
    QTest::mouseClick(s.window->AdjustPage()->CheckButton(), Qt::LeftButton);
    auto* check = s.window->findChild<CCalibrationCheckDialog*>();
    auto* table = check->findChild<QTableWidget*>("points");
    // The device reads reading: the input is corrected for what the adjustment adds.
    auto take = [&](double reading) {
        double input = reading;
        for (int i = 0; i < 3; ++i) {
            device.SetInputValue(input);
            input += reading - device.GetInt32(2) / 10000.0;
        }
        WaitUntil(
            [&] { return s.window->DeviceSet()->GetValue(kIdInputValue) == device.GetInt32(2); });
        QTest::mouseClick(check->findChild<QPushButton*>("takeReading"), Qt::LeftButton);
    };
    const double found[] = {0.31, 25.28, 50.24, 75.21, 100.18}; // a zero shift, as found
    for (double input : found)
        take(input);
    Save(check, "check_" + lang);
    QTest::mouseClick(check->findChild<QPushButton*>("asLeft"), Qt::LeftButton);
    auto* slider = s.window->AdjustPage()->findChild<QAbstractSlider*>("inputZero");
    slider->setValue(slider->value() - 2500);
    WaitUntil([&] { return device.GetInt32(1010) != 0; });
    s.window->DeviceTabs()->setCurrentIndex(0);
    const double left[] = {0.02, 25.01, 50.01, 74.99, 99.98};
    for (int r = 0; r < table->rowCount(); ++r)
        take(left[r]);
    const QString pdf = g_out + "/certificate_" + lang + ".pdf";
    SetFileDialogHook(
        [&](QWidget*, bool, const QString&, const QStringList&, const QString&) { return pdf; });
    QTest::mouseClick(check->findChild<QPushButton*>("finish"), Qt::LeftButton);
    SetFileDialogHook(nullptr);
    SavePdfPage(pdf, "certificate_" + lang);

    QTest::mouseClick(s.window->HistoryButton(), Qt::LeftButton);
    auto* history = s.window->findChild<CHistoryWindow*>();
    history->Events()->selectRow(2); // the download: what it changed
    Save(history, "history_" + lang);
    history->close();
    unsetenv("XDG_DATA_HOME");
}
} // namespace

int main(int argc, char** argv) {
    QTemporaryDir config;
    QTemporaryDir runtime;
    setenv("XDG_CONFIG_HOME", config.path().toLocal8Bit().constData(), 1);
    setenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit().constData(), 1);
    // A screen as large as a desktop's, so that popup menus are not pushed into 800 x 600.
    QFile screens(runtime.path() + "/screens.json");
    if (screens.open(QIODevice::WriteOnly)) {
        screens.write(R"({"screens": [{"name": "shots", "x": 0, "y": 0, "width": 1920,)"
                      R"( "height": 1200, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
        screens.close();
    }
    setenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + screens.fileName()).toLocal8Bit(), 1);
    QApplication application(argc, argv);
    AssembleProgram();
    if (argc < 2) {
        std::fprintf(stderr, "usage: q3_screenshots OUTPUT_DIR [DOCS_DIR]\n");
        return 2;
    }
    g_out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(g_out);
    if (argc > 2) {
        g_docs = QString::fromLocal8Bit(argv[2]);
        QDir().mkpath(g_docs);
    }
    SetMessageBoxHook([](QWidget*, const QString& text, MessageIcon, QMessageBox::StandardButtons) {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
        return QMessageBox::Ok;
    });
    SetPortLister([] {
        return std::vector<PortChoice>{{"/dev/ttyS0", "ttyS0"},
                                       {"/dev/ttyS1", "ttyS1"},
                                       {"/dev/pts/3", "Q3 simulator Q3VA (/dev/pts/3)"}};
    });

    {
        CVELKApp app(std::string(Q3_BIN_DIR) + "/q3config");
        for (int language : {0, 1}) {
            app.LoadLanguageModule(language);
            Preferences(app, language);
            ParameterLists(language);
            Compare(language);
        }
    }

    // The privileged program: a program file with its marker and language module beside it.
    QTemporaryDir admin;
    std::string adminProgram = admin.path().toStdString() + "/q3config";
    QFile::link(QString(Q3_BIN_DIR) + "/q3config_jpn.so", admin.path() + "/q3config_jpn.so");
    QFile marker(admin.path() + "/q3config.adm");
    marker.open(QIODevice::WriteOnly);
    marker.close();
    for (int language : {0, 1})
        MainWindowScenes(std::string(Q3_BIN_DIR) + "/q3config", adminProgram, language);
    for (int language : {0, 1})
        HistoryScenes(std::string(Q3_BIN_DIR) + "/q3config", language);
    std::printf("%d screenshots\n", g_written);
    return 0;
}
