#include "app/CAppSettings.h"
#include "app/CSettingsStore.h"
#include "app/ProgramPaths.h"
#include "app/qt/CAppSettingDialog.h"
#include "app/qt/CTraceWindow.h"
#include "app/qt/CVELKApp.h"
#include "comm/CPortList.h"
#include "comm/DebugTrace.h"

#include "model/CModelContext.h"
#include "tests/support/TempDir.h"
#include "tests/support/qt/GuiTestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTimer>

#include <thread>

#include <sys/stat.h>
#include <unistd.h>

namespace {

TEST(AppSettingsTest, AnEmptyStoreGivesTheDefaults) {
    TempDir dir;
    CSettingsStore store = CSettingsStore::AtPath(dir.File("q3config.ini"));
    CAppSettings settings;
    settings.Load(store);
    EXPECT_EQ(0, settings.TempUnit);
    EXPECT_EQ(9, settings.DeviceId);
    EXPECT_EQ(-1, settings.DisplayLanguage);
    EXPECT_EQ("", settings.comm.portName) << "no port is guessed";
    EXPECT_EQ("", settings.comm.portDisplayName);
    EXPECT_EQ(3, settings.comm.baudIndex);
    EXPECT_EQ(1, settings.comm.parity);
}

TEST(AppSettingsTest, TheFiveValuesRoundTripUnderTheirSections) {
    TempDir dir;
    CSettingsStore store = CSettingsStore::AtPath(dir.File("q3config.ini"));
    CAppSettings settings;
    settings.TempUnit = 2;
    settings.DeviceId = 10;
    settings.DisplayLanguage = 1;
    settings.comm.portName = "/dev/pts/7";
    settings.comm.portDisplayName = "Q3 simulator Q3VA (/dev/pts/7)";
    settings.Store(store);

    EXPECT_EQ(2, store.GetInt("Settings", "TempUnit", -5));
    EXPECT_EQ(10, store.GetInt("Settings", "DeviceId", -5));
    EXPECT_EQ(1, store.GetInt("Settings", "DisplayLanguage", -5));
    EXPECT_EQ("/dev/pts/7", store.GetString("ComSettings", "COMPortName"));
    EXPECT_EQ("Q3 simulator Q3VA (/dev/pts/7)",
              store.GetString("ComSettings", "COMPortDisplayName"));

    CAppSettings loaded;
    loaded.Load(store);
    EXPECT_EQ(2, loaded.TempUnit);
    EXPECT_EQ(10, loaded.DeviceId);
    EXPECT_EQ(1, loaded.DisplayLanguage);
    EXPECT_EQ(settings.comm, loaded.comm);
}

TEST(ProgramPathsTest, NamesFollowTheProgramFile) {
    EXPECT_EQ("q3config", ApplicationName("/opt/q3/bin/q3config"));
    EXPECT_EQ("Y", ApplicationName("/x/Y.exe"));
    EXPECT_EQ("/opt/q3/bin/q3config_jpn.so", LanguageModulePath("/opt/q3/bin/q3config", "_jpn.so"));
    EXPECT_EQ("/x/Y_jpn.so", LanguageModulePath("/x/Y.exe", "_jpn.so"));
    EXPECT_EQ("/opt/q3/bin/q3config.adm", PrivilegeMarkerPath("/opt/q3/bin/q3config"));
    EXPECT_EQ("/x/Y.adm", PrivilegeMarkerPath("/x/Y.exe"));
    // A dot in a directory or a hidden file's leading dot is not an extension.
    EXPECT_EQ("/work/build.rel/bin/q3config.adm",
              PrivilegeMarkerPath("/work/build.rel/bin/q3config"));
    EXPECT_EQ("/x/.q3config.adm", PrivilegeMarkerPath("/x/.q3config"));
}

TEST(ProgramPathsTest, ThePrivilegedMarkerIsAFileBesideTheProgram) {
    TempDir dir;
    std::string program = dir.File("q3config");
    EXPECT_FALSE(PrivilegeMarkerPresent(program));
    WriteWholeFile(dir.File("q3config.adm"), "");
    EXPECT_TRUE(PrivilegeMarkerPresent(program));
    EXPECT_FALSE(PrivilegeMarkerPresent(dir.File("other")));
}

class PreferencesTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetPortLister([] {
            return std::vector<PortChoice>{{"/dev/ttyS0", "ttyS0"},
                                           {"/dev/pts/4", "Q3 simulator Q3VA (/dev/pts/4)"},
                                           {"/dev/ttyUSB0", "USB serial"},
                                           {"/dev/pts/4", "second entry of the same path"}};
        });
    }
    void TearDown() override { SetPortLister(nullptr); }

    MessageRecorder messages;
    ScopedConfigHome home;
    TempDir dir;
    CSettingsStore store = CSettingsStore::AtPath(dir.File("q3config.ini"));
};

TEST_F(PreferencesTest, InitialisationShowsPortsUnitAndTheLanguageInUse) {
    CAppSettings settings;
    settings.comm.portName = "/dev/pts/4";
    settings.TempUnit = 1;
    settings.DisplayLanguage = -1;
    CAppSettingDialog dialog(settings, store, 0);
    EXPECT_EQ("Preferences", dialog.windowTitle());
    ASSERT_EQ(4, dialog.PortCombo()->count());
    EXPECT_EQ("Q3 simulator Q3VA (/dev/pts/4)", dialog.PortCombo()->itemText(1));
    // The last entry with the stored port name.
    EXPECT_EQ(3, dialog.PortCombo()->currentIndex());
    EXPECT_TRUE(dialog.UnitRadio(1)->isChecked());
    EXPECT_EQ("Celsius", dialog.UnitRadio(0)->text());
    EXPECT_EQ("Fahrenheit", dialog.UnitRadio(1)->text());
    EXPECT_EQ("Kelvin", dialog.UnitRadio(2)->text());
    ASSERT_EQ(2, dialog.LanguageCombo()->count());
    EXPECT_EQ("English", dialog.LanguageCombo()->itemText(0));
    EXPECT_EQ("Japanese", dialog.LanguageCombo()->itemText(1));
    EXPECT_EQ(0, dialog.LanguageCombo()->currentIndex());

    // A stored port that is not plugged in stays chosen: OK must not lose it.
    settings.comm.portName = "/dev/none";
    CAppSettingDialog unknown(settings, store, 1);
    EXPECT_EQ(4, unknown.PortCombo()->currentIndex());
    EXPECT_EQ("/dev/none (not connected)", unknown.PortCombo()->currentText());
    EXPECT_EQ(1, unknown.LanguageCombo()->currentIndex());
    unknown.accept();
    EXPECT_EQ("/dev/none", store.GetString("ComSettings", "COMPortName"));
}

// A port that comes while the dialog is open is offered at once; the choice stays.
TEST_F(PreferencesTest, TheListFollowsPortsThatComeAndGo) {
    std::vector<PortChoice> ports = {{"/dev/ttyS0", "ttyS0"}};
    SetPortLister([&] { return ports; });
    CAppSettings settings;
    settings.comm.portName = "/dev/ttyS0";
    CAppSettingDialog dialog(settings, store, 0);
    ASSERT_EQ(1, dialog.PortCombo()->count());
    ports.insert(ports.begin(), {"/dev/pts/9", "Q3 simulator Q3VB (/dev/pts/9)"});
    // A simulator registering its port is a change the dialog watches.
    std::string sims = CPortList::SimulatorDirectory();
    ::mkdir(sims.c_str(), 0700);
    WriteWholeFile(sims + "/" + std::to_string(::getpid()) + "-77.port", "x\n");
    bool listed = WaitUntil([&] { return dialog.PortCombo()->count() == 2; }, 3000);
    ::unlink((sims + "/" + std::to_string(::getpid()) + "-77.port").c_str());
    ASSERT_TRUE(listed);
    EXPECT_EQ("ttyS0", dialog.PortCombo()->currentText());
}

TEST_F(PreferencesTest, OkStoresTheChoicesAtOnce) {
    CAppSettings settings;
    CAppSettingDialog dialog(settings, store, 0);
    dialog.PortCombo()->setCurrentIndex(1);
    dialog.UnitRadio(2)->setChecked(true);
    dialog.LanguageCombo()->setCurrentIndex(1);
    dialog.accept();
    EXPECT_EQ(QDialog::Accepted, dialog.result());
    EXPECT_EQ("/dev/pts/4", dialog.Settings().comm.portName);
    EXPECT_EQ("/dev/pts/4", store.GetString("ComSettings", "COMPortName"));
    EXPECT_EQ("Q3 simulator Q3VA (/dev/pts/4)",
              store.GetString("ComSettings", "COMPortDisplayName"));
    EXPECT_EQ(2, store.GetInt("Settings", "TempUnit", -5));
    EXPECT_EQ(1, store.GetInt("Settings", "DisplayLanguage", -5));
    EXPECT_EQ(9, store.GetInt("Settings", "DeviceId", -5));
}

TEST_F(PreferencesTest, OkWithoutAPortStoresEmptyNamesAndCancelStoresNothing) {
    CAppSettings settings;
    {
        CAppSettingDialog dialog(settings, store, 0);
        dialog.UnitRadio(1)->setChecked(true);
        dialog.reject();
    }
    EXPECT_EQ(-5, store.GetInt("Settings", "TempUnit", -5));
    CAppSettingDialog dialog(settings, store, 0);
    dialog.accept();
    EXPECT_EQ("", dialog.Settings().comm.portName);
    EXPECT_EQ("", store.GetString("ComSettings", "COMPortName", "unset"));
    EXPECT_EQ("", store.GetString("ComSettings", "COMPortDisplayName", "unset"));
    EXPECT_EQ(0, store.GetInt("Settings", "DisplayLanguage", -5));
}

TEST_F(PreferencesTest, RunPreferencesCopiesTheResultBackAndAppliesTheUnit) {
    CVELKApp app(dir.File("q3config"));
    app.LoadSettings();
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<CAppSettingDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(nullptr, dialog);
        dialog->UnitRadio(1)->setChecked(true);
        dialog->PortCombo()->setCurrentIndex(2);
        dialog->accept();
    });
    EXPECT_TRUE(app.RunPreferences(nullptr));
    EXPECT_EQ(1, app.Settings().TempUnit);
    EXPECT_EQ(1, CModelContext::TempUnit());
    EXPECT_EQ("/dev/ttyUSB0", app.Settings().comm.portName);
    EXPECT_EQ("USB serial", app.Settings().comm.portDisplayName);

    QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); });
    EXPECT_FALSE(app.RunPreferences(nullptr));
    EXPECT_EQ(1, app.Settings().TempUnit);
}

TEST_F(PreferencesTest, TheInitialPortIsUsedOnlyWhileNoPortIsStored) {
    {
        CVELKApp app(dir.File("q3config"));
        app.SetInitialPort("/dev/pts/4");
        app.LoadSettings();
        EXPECT_EQ("/dev/pts/4", app.Settings().comm.portName);
        // The display name of the last entry of that path, the one Preferences selects.
        EXPECT_EQ("second entry of the same path", app.Settings().comm.portDisplayName);
    }
    CSettingsStore q3(ApplicationName(dir.File("q3config")));
    EXPECT_EQ("/dev/pts/4", q3.GetString("ComSettings", "COMPortName"));
    q3.SetString("ComSettings", "COMPortName", "/dev/ttyUSB0");
    CVELKApp app(dir.File("q3config"));
    app.SetInitialPort("/dev/pts/4");
    app.LoadSettings();
    EXPECT_EQ("/dev/ttyUSB0", app.Settings().comm.portName);
}

} // namespace

namespace {

TEST_F(PreferencesTest, TheModbusTraceWindowFollowsItsCheckBox) {
    CVELKApp app(dir.File("q3config"));
    app.LoadSettings();
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<CAppSettingDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(nullptr, dialog);
        EXPECT_EQ("Show Modbus trace", dialog->TraceBox()->text());
        EXPECT_FALSE(dialog->TraceBox()->isChecked());
        dialog->TraceBox()->setChecked(true);
        dialog->accept();
    });
    ASSERT_TRUE(app.RunPreferences(nullptr));
    ASSERT_NE(nullptr, app.TraceWindow());
    EXPECT_TRUE(TraceEnabled());
    // Lines and frames traced on a device thread reach the window on the GUI thread, stamped
    // with the time they were traced; Save writes them.
    std::thread([] {
        TraceLine("ReadHoldingRegisters: adrs=9601 size=1\n");
        const uint8_t frame[] = {0x01, 0x04, 0x25, 0x80, 0x00, 0x01, 0x3B, 0x4A};
        TraceFrame(true, frame, sizeof frame);
    }).join();
    QPlainTextEdit* text = app.TraceWindow()->Text();
    ASSERT_TRUE(WaitUntil([&] { return text->blockCount() == 2; }));
    QStringList lines = text->toPlainText().split('\n');
    QRegularExpression stamp("^\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d  ");
    EXPECT_TRUE(stamp.match(lines[0]).hasMatch()) << lines[0].toStdString();
    EXPECT_EQ("ReadHoldingRegisters: adrs=9601 size=1", lines[0].mid(14));
    EXPECT_EQ("> 01 04 25 80 00 01 3B 4A", lines[1].mid(14));
    ASSERT_TRUE(app.TraceWindow()->SaveTo(QString::fromStdString(dir.File("trace.txt"))));
    EXPECT_EQ(text->toPlainText().toStdString() + "\n", ReadWholeFile(dir.File("trace.txt")));
    // Not a stored setting.
    EXPECT_EQ("none", store.GetString("Settings", "ShowModbusTrace", "none"));

    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<CAppSettingDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(nullptr, dialog);
        EXPECT_TRUE(dialog->TraceBox()->isChecked());
        dialog->TraceBox()->setChecked(false);
        dialog->accept();
    });
    ASSERT_TRUE(app.RunPreferences(nullptr));
    EXPECT_EQ(nullptr, app.TraceWindow());
    EXPECT_FALSE(TraceEnabled());
}

} // namespace
