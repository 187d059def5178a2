#pragma once

#include "app/CAppSettings.h"
#include "app/CSettingsStore.h"
#include "model/CParBase.h"

#include <QString>

#include <memory>
#include <string>
#include <utility>

class CTraceWindow;
class QTranslator;
class QWidget;

// The application: settings, display language, privileged mode and the run of the one main
// window. One instance, made in main after QApplication. Window-thread use only.
class CVELKApp {
public:
    // programPath: the program file (its name gives the settings file, the language module
    // and the privileged-mode marker).
    explicit CVELKApp(std::string programPath);
    ~CVELKApp();
    CVELKApp(const CVELKApp&) = delete;
    CVELKApp& operator=(const CVELKApp&) = delete;

    static CVELKApp* Instance() { return s_instance; }

    // The whole run: settings, language, file set, the main window shown again after every
    // language switch, settings stored at the end. Returns the process exit code.
    int Run();

    const std::string& ProgramPath() const { return m_programPath; }
    const std::string& ApplicationName() const { return m_applicationName; }
    CSettingsStore& Store() { return m_store; }
    CAppSettings& Settings() { return m_settings; }

    // The port to use when the settings hold none yet (the run script's simulator).
    void SetInitialPort(std::string path) { m_initialPort = std::move(path); }
    // A parameter file named on the command line: the file pane opens it (a file that cannot
    // be opened is said once the window shows, with the model's defaults in the pane).
    void SetInitialFile(std::string path) { m_initialFile = std::move(path); }
    const std::string& InitialFile() const { return m_initialFile; }
    std::string TakeInitialFileError() { return std::exchange(m_initialFileError, {}); }
    void LoadSettings();
    // Raises CPrivateException when the store cannot be written.
    void StoreSettings();
    // Runs Preferences on a copy of the settings; OK copies it back (the dialog has stored it
    // already). Returns whether OK was chosen.
    bool RunPreferences(QWidget* parent);

    // Makes language n current (-1: from the user's locale): loads or frees the language module
    // beside the program. A module that cannot be loaded: "Can't load language module", English
    // texts, and n still counts as the language in use.
    void LoadLanguageModule(int n);
    int LanguageInUse() const { return m_language; }
    // "English" for 0, "Japanese" for 1, empty otherwise (in the current language).
    static std::string LanguageDisplayName(int n);
    // The language of a locale name such as "ja_JP.UTF-8": 1 for Japanese, else 0.
    static int LanguageForLocale(const QString& localeName);
    std::string LanguageModulePath(int n) const;

    // What the main window hands over across a language switch.
    void HandOver(std::unique_ptr<CParBase> fileSet, int fileTab, int deviceTab);
    std::unique_ptr<CParBase> TakeFileSet() { return std::move(m_fileSet); }
    int FileTab() const { return m_fileTab; }
    int DeviceTab() const { return m_deviceTab; }
    // The initial file set: the model of DeviceId with defaults, type code 9 when it names none.
    void CreateInitialFileSet();
    // Opens or closes the Modbus trace window as the settings ask.
    void ApplyTraceWindow();
    CTraceWindow* TraceWindow() const { return m_trace.get(); }

private:
    static CVELKApp* s_instance;

    std::string m_programPath;
    std::string m_applicationName;
    std::string m_initialPort;
    std::string m_initialFile;
    std::string m_initialFileError;
    CSettingsStore m_store;
    CAppSettings m_settings;
    int m_language = 0;
    std::unique_ptr<QTranslator> m_qtTranslator;
    std::unique_ptr<CTraceWindow> m_trace;
    std::unique_ptr<CParBase> m_fileSet;
    int m_fileTab = 0;
    int m_deviceTab = 0;
};
