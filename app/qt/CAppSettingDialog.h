#pragma once

#include "app/CAppSettings.h"

#include <QDialog>

#include <functional>
#include <string>
#include <vector>

class CSettingsStore;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QFileSystemWatcher;
class QLineEdit;
class QRadioButton;
class QTimer;

// One entry of the port list: the name to open and the name to show.
struct PortChoice {
    std::string path;
    std::string displayName;
};

// The ports Preferences offers, in the order port discovery gives them.
std::vector<PortChoice> AvailablePorts();
// Replaces the discovery (tests, screenshot runs); null restores it.
void SetPortLister(std::function<std::vector<PortChoice>()> lister);

// Preferences: COM port, temperature unit and display language. Works on a copy of the
// settings; OK stores the copy at once.
class CAppSettingDialog : public QDialog {
    Q_OBJECT
public:
    // The port list is taken when the dialog is made and again whenever a port comes or goes
    // (/dev, /dev/serial/by-id and the simulators' registrations are watched). A stored port
    // that is absent stays listed and chosen, marked as not connected. languageInUse is
    // selected in the language list (never "automatic").
    CAppSettingDialog(const CAppSettings& settings, CSettingsStore& store, int languageInUse,
                      QWidget* parent = nullptr);

    const CAppSettings& Settings() const { return m_settings; }
    const std::vector<PortChoice>& Ports() const { return m_ports; }

    QComboBox* PortCombo() const { return m_port; }
    QComboBox* LanguageCombo() const { return m_language; }
    QCheckBox* TraceBox() const { return m_trace; }
    QRadioButton* UnitRadio(int unit) const;
    // Lists the ports anew, keeping the one chosen.
    void RefreshPorts();

public slots:
    void accept() override;

private:
    CAppSettings m_settings;
    CSettingsStore& m_store;
    void FillPorts(const std::string& chosen);
    void WatchPortSources();

    std::vector<PortChoice> m_ports;
    QComboBox* m_port;
    QFileSystemWatcher* m_watcher;
    QTimer* m_refresh;
    QButtonGroup* m_units;
    QComboBox* m_language;
    QCheckBox* m_trace;
    QLineEdit* m_technician = nullptr;
};
