// q3_screenshots: renders the program's real widgets into PNG files.
//
//   q3_screenshots OUTPUT_DIR
//
// Runs on the offscreen platform; the texts come from the string table and the language
// module beside the program, exactly as q3config shows them.

#include "app/CSettingsStore.h"
#include "app/qt/CAppSettingDialog.h"
#include "app/qt/CMessageBox.h"
#include "app/qt/CVELKApp.h"
#include "model/CDeviceType.h"
#include "model/CModelContext.h"
#include "model/ParameterIds.h"
#include "resources/CStringTable.h"
#include "views/qt/CCompareDialog.h"
#include "views/qt/CDeviceSummaryPage.h"
#include "views/qt/CInputSettingPage.h"
#include "views/qt/CParameterListCtrl.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTest>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

QString g_out;
int g_written = 0;

void Save(QWidget* widget, const QString& name) {
    widget->show();
    if (!QTest::qWaitForWindowExposed(widget))
        std::fprintf(stderr, "%s was not exposed\n", qPrintable(name));
    QCoreApplication::processEvents();
    QPixmap pixmap = widget->grab();
    QString path = g_out + "/" + name + ".png";
    if (!pixmap.save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        std::exit(1);
    }
    ++g_written;
    std::printf("%s\n", qPrintable(path));
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

} // namespace

int main(int argc, char** argv) {
    QTemporaryDir config;
    setenv("XDG_CONFIG_HOME", config.path().toLocal8Bit().constData(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    if (argc < 2) {
        std::fprintf(stderr, "usage: q3_screenshots OUTPUT_DIR\n");
        return 2;
    }
    g_out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(g_out);
    SetMessageBoxHook([](QWidget*, const QString& text, MessageIcon, QMessageBox::StandardButtons) {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
        return QMessageBox::Ok;
    });
    SetPortLister([] {
        return std::vector<PortChoice>{{"/dev/ttyS0", "ttyS0"},
                                       {"/dev/ttyS1", "ttyS1"},
                                       {"/dev/pts/3", "Q3 simulator Q3VA (/dev/pts/3)"}};
    });

    CVELKApp app(std::string(Q3_BIN_DIR) + "/q3config");
    for (int language : {0, 1}) {
        app.LoadLanguageModule(language);
        Preferences(app, language);
        ParameterLists(language);
        Compare(language);
    }
    std::printf("%d screenshots\n", g_written);
    return 0;
}
