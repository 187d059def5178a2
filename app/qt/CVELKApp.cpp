#include "app/qt/CVELKApp.h"

#include "model/ParameterFile.h"

#include "app/ProgramPaths.h"
#include "app/qt/CAppSettingDialog.h"
#include "app/qt/CTraceWindow.h"
#include "app/qt/CVELKDlg.h"
#include "comm/CPrivateException.h"
#include "gui/CFileDialogs.h"
#include "gui/CMessageBox.h"
#include "gui/QtText.h"
#include "model/CDeviceType.h"
#include "model/CModelContext.h"
#include "resources/CStringTable.h"
#include "resources/CaptionIds.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTimer>
#include <QTranslator>

CVELKApp* CVELKApp::s_instance = nullptr;

namespace {
struct LanguageRow {
    int nameId;
    const char* moduleSuffix; // null: the program's own texts
};
// Indexed by the language number.
constexpr LanguageRow kLanguages[] = {
    {kCapLanguageEnglish, nullptr},
    {kCapLanguageJapanese, "_jpn.so"},
};
constexpr int kLanguageCount = 2;
} // namespace

CVELKApp::CVELKApp(std::string programPath)
    : m_programPath(std::move(programPath)), m_applicationName(::ApplicationName(m_programPath)),
      m_store(m_applicationName) {
    s_instance = this;
    SetFileDialogStore(&m_store);
}

CVELKApp::~CVELKApp() {
    m_trace.reset();
    if (m_qtTranslator)
        QCoreApplication::removeTranslator(m_qtTranslator.get());
    if (s_instance == this) {
        s_instance = nullptr;
        SetFileDialogStore(nullptr);
    }
}

void CVELKApp::LoadSettings() {
    m_settings.Load(m_store);
    if (!m_initialPort.empty() && m_store.GetString(kComSettingsSection, kPortNameValue).empty()) {
        m_settings.comm.portName = m_initialPort;
        m_settings.comm.portDisplayName.clear();
        for (const PortChoice& port : AvailablePorts())
            if (port.path == m_initialPort)
                m_settings.comm.portDisplayName = port.displayName;
        // Stored at once: the connection reads the port from the store when it connects.
        try {
            StoreSettings();
        } catch (const CPrivateException& e) {
            e.ReportError(CPrivateException::Icon::Stop);
        }
    }
    CModelContext::SetTempUnit(m_settings.TempUnit);
}

void CVELKApp::StoreSettings() {
    m_settings.Store(m_store);
}

bool CVELKApp::RunPreferences(QWidget* parent) {
    CAppSettingDialog dialog(m_settings, m_store, m_language, parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    m_settings = dialog.Settings();
    CModelContext::SetTempUnit(m_settings.TempUnit);
    ApplyTraceWindow();
    return true;
}

void CVELKApp::ApplyTraceWindow() {
    if (!m_settings.ShowModbusTrace) {
        m_trace.reset();
        return;
    }
    if (!m_trace) {
        m_trace = std::make_unique<CTraceWindow>();
        // Closed by the user: tracing stops, and Preferences shows it off.
        QObject::connect(m_trace.get(), &QDialog::finished, m_trace.get(), [this] {
            m_settings.ShowModbusTrace = false;
            QTimer::singleShot(0, [this] {
                if (!m_settings.ShowModbusTrace)
                    m_trace.reset();
            });
        });
    }
    m_trace->show();
    m_trace->raise();
}

std::string CVELKApp::LanguageDisplayName(int n) {
    if (n < 0 || n >= kLanguageCount)
        return {};
    return LoadStr(kLanguages[n].nameId);
}

int CVELKApp::LanguageForLocale(const QString& localeName) {
    return QLocale(localeName).language() == QLocale::Japanese ? 1 : 0;
}

std::string CVELKApp::LanguageModulePath(int n) const {
    if (n < 0 || n >= kLanguageCount || kLanguages[n].moduleSuffix == nullptr)
        return {};
    return ::LanguageModulePath(m_programPath, kLanguages[n].moduleSuffix);
}

void CVELKApp::LoadLanguageModule(int n) {
    // A stored number outside the table counts as automatic.
    if (n < 0 || n >= kLanguageCount)
        n = LanguageForLocale(QLocale::system().name());
    m_language = n;
    CStringTable::UnloadModule();
    if (kLanguages[n].moduleSuffix != nullptr) {
        std::string error;
        if (!CStringTable::LoadModule(LanguageModulePath(n), &error))
            ShowMessageBox(nullptr, Tr(kCapLanguageLoadFailed), MessageIcon::Stop);
    }
    // Qt's own texts (standard buttons, file dialogs) follow the language.
    if (m_qtTranslator) {
        QCoreApplication::removeTranslator(m_qtTranslator.get());
        m_qtTranslator.reset();
    }
    if (n == 1 && CStringTable::ModuleLoaded()) {
        auto translator = std::make_unique<QTranslator>();
        if (translator->load(QLocale(QLocale::Japanese, QLocale::Japan), "qtbase", "_",
                             QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
            QCoreApplication::installTranslator(translator.get());
            m_qtTranslator = std::move(translator);
        }
    }
    QLocale::setDefault(n == 1 ? QLocale(QLocale::Japanese, QLocale::Japan) : QLocale::system());
}

void CVELKApp::HandOver(std::unique_ptr<CParBase> fileSet, int fileTab, int deviceTab) {
    m_fileSet = std::move(fileSet);
    m_fileTab = fileTab;
    m_deviceTab = deviceTab;
}

void CVELKApp::CreateInitialFileSet() {
    CDeviceType registry;
    CParBase* set = registry.CreateParameterSet(m_settings.DeviceId);
    if (set->TypeCode() != m_settings.DeviceId)
        set = registry.CreateParameterSet(CAppSettings::kDefaultDeviceId);
    m_fileSet.reset(set->Clone());
    m_fileTab = 0;
    m_deviceTab = 0;
    if (m_initialFile.empty())
        return;
    OpenedParameterFile opened = OpenParameterFile(m_initialFile);
    if (!opened.set) {
        m_initialFileError = opened.error;
        m_initialFile.clear();
        return;
    }
    m_fileSet = std::move(opened.set);
    if (!opened.ignored.empty())
        m_initialFileError = IgnoredText(m_initialFile, opened.ignored);
}

int CVELKApp::Run() {
    LoadSettings();
    LoadLanguageModule(m_settings.DisplayLanguage);
    CreateInitialFileSet();
    {
        CVELKDlg dialog;
        // Ends with Accepted only after a change of display language: shown again, with the
        // new texts, keeping the file set and both tab selections.
        while (dialog.exec() == QDialog::Accepted) {
        }
        dialog.Shutdown();
    }
    try {
        StoreSettings();
    } catch (const CPrivateException& e) {
        e.ReportError(CPrivateException::Icon::Stop);
    }
    m_fileSet.reset();
    return 0;
}
