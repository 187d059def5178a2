#include "app/qt/CAppSettingDialog.h"

#include "app/CSettingsStore.h"
#include "app/qt/CVELKApp.h"
#include "comm/CPortList.h"
#include "comm/CPrivateException.h"
#include "comm/MessageFormat.h"
#include "gui/CMessageBox.h"
#include "gui/QtText.h"
#include "resources/CStringTable.h"
#include "resources/CaptionIds.h"
#include "resources/StringIds.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

#include <sys/stat.h>

namespace {
std::function<std::vector<PortChoice>()> g_lister;
constexpr int kFirstUnitButton = 1040; // Celsius; Fahrenheit 1041, Kelvin 1042
} // namespace

std::vector<PortChoice> AvailablePorts() {
    if (g_lister)
        return g_lister();
    std::vector<PortChoice> ports;
    CPortList list;
    for (const PortEntry& entry : list.Entries())
        ports.push_back({entry.path, entry.displayName});
    return ports;
}

void SetPortLister(std::function<std::vector<PortChoice>()> lister) {
    g_lister = std::move(lister);
}

CAppSettingDialog::CAppSettingDialog(const CAppSettings& settings, CSettingsStore& store,
                                     int languageInUse, QWidget* parent)
    : QDialog(parent), m_settings(settings), m_store(store), m_port(new QComboBox(this)),
      m_watcher(new QFileSystemWatcher(this)), m_refresh(new QTimer(this)),
      m_units(new QButtonGroup(this)), m_language(new QComboBox(this)),
      m_trace(new QCheckBox(Tr(kCapShowModbusTrace), this)) {
    setObjectName("CAppSettingDialog");
    setWindowTitle(Tr(kCapPreferencesTitle));

    auto* communication = new QGroupBox(Tr(kCapCommunication), this);
    auto* commForm = new QFormLayout(communication);
    m_port->setObjectName("port");
    m_port->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_port->setMinimumContentsLength(24);
    commForm->addRow(Tr(kCapComPort), m_port);
    m_trace->setObjectName("trace");
    m_trace->setChecked(m_settings.ShowModbusTrace);
    commForm->addRow(m_trace);

    auto* units = new QGroupBox(Tr(kCapTemperatureUnit), this);
    auto* unitRow = new QHBoxLayout(units);
    const int captions[] = {kCapCelsius, kCapFahrenheit, kCapKelvin};
    for (int unit = 0; unit < 3; ++unit) {
        auto* radio = new QRadioButton(Tr(captions[unit]), units);
        radio->setObjectName(QString("unit%1").arg(unit));
        m_units->addButton(radio, kFirstUnitButton + unit);
        unitRow->addWidget(radio);
    }
    unitRow->addStretch(1);

    auto* language = new QGroupBox(Tr(kCapDisplayLanguage), this);
    auto* languageForm = new QFormLayout(language);
    m_language->setObjectName("language");
    languageForm->addRow(Tr(kCapLanguage), m_language);

    auto* certificates = new QGroupBox(Tr(kStrCertTitle), this);
    auto* certificateForm = new QFormLayout(certificates);
    m_technician = new QLineEdit(FromStd(m_settings.Technician), this);
    m_technician->setObjectName("technician");
    certificateForm->addRow(Tr(kCapTechnician), m_technician);

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(Tr(kCapOk), QDialogButtonBox::AcceptRole)->setObjectName("ok");
    buttons->addButton(Tr(kCapCancel), QDialogButtonBox::RejectRole)->setObjectName("cancel");
    connect(buttons, &QDialogButtonBox::accepted, this, &CAppSettingDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CAppSettingDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(communication);
    layout->addWidget(units);
    layout->addWidget(language);
    layout->addWidget(certificates);
    layout->addStretch(1);
    layout->addWidget(buttons);

    FillPorts(m_settings.comm.portName);
    // A device node appears in steps (the node, then its by-id link): one refresh after them.
    m_refresh->setSingleShot(true);
    m_refresh->setInterval(300);
    connect(m_refresh, &QTimer::timeout, this, &CAppSettingDialog::RefreshPorts);
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, m_refresh,
            qOverload<>(&QTimer::start));
    WatchPortSources();

    if (QAbstractButton* radio = m_units->button(kFirstUnitButton + m_settings.TempUnit))
        radio->setChecked(true);

    for (int n = 0;; ++n) {
        std::string name = CVELKApp::LanguageDisplayName(n);
        if (name.empty())
            break;
        m_language->addItem(FromStd(name));
    }
    m_language->setCurrentIndex(languageInUse);
}

void CAppSettingDialog::FillPorts(const std::string& chosen) {
    m_ports = AvailablePorts();
    // Ports in discovery order; the last entry of the chosen path is the selection.
    int selected = -1;
    for (int i = 0; i < static_cast<int>(m_ports.size()); ++i)
        if (m_ports[i].path == chosen)
            selected = i;
    // An adapter that is unplugged now must not lose the setting at OK: listed under its own
    // name, shown marked.
    QString absentLabel;
    if (selected < 0 && !chosen.empty()) {
        std::string shown =
            m_settings.comm.portName == chosen && !m_settings.comm.portDisplayName.empty()
                ? m_settings.comm.portDisplayName
                : chosen;
        m_ports.push_back({chosen, shown});
        selected = static_cast<int>(m_ports.size()) - 1;
        absentLabel = FromStd(FormatInserts(LoadStr(kStrPortAbsent), {shown}));
    }
    m_port->clear();
    for (const PortChoice& port : m_ports)
        m_port->addItem(FromStd(port.displayName));
    if (!absentLabel.isEmpty())
        m_port->setItemText(selected, absentLabel);
    m_port->setCurrentIndex(selected);
}

void CAppSettingDialog::RefreshPorts() {
    int current = m_port->currentIndex();
    std::string chosen = current >= 0 && current < static_cast<int>(m_ports.size())
                             ? m_ports[static_cast<std::size_t>(current)].path
                             : std::string();
    FillPorts(chosen);
    WatchPortSources();
}

void CAppSettingDialog::WatchPortSources() {
    // by-id exists only while an adapter is plugged in: looked for again after every change.
    // The simulators' folder is made here, so a simulator started later is seen.
    QString simulators = FromStd(CPortList::SimulatorDirectory());
    ::mkdir(simulators.toLocal8Bit().constData(), 0700); // as q3sim makes it; may exist

    for (const QString& dir : {QString("/dev"), QString("/dev/serial/by-id"), simulators})
        if (QFileInfo(dir).isDir() && !m_watcher->directories().contains(dir))
            m_watcher->addPath(dir);
}

QRadioButton* CAppSettingDialog::UnitRadio(int unit) const {
    return qobject_cast<QRadioButton*>(m_units->button(kFirstUnitButton + unit));
}

void CAppSettingDialog::accept() {
    int port = m_port->currentIndex();
    if (port >= 0 && port < static_cast<int>(m_ports.size())) {
        m_settings.comm.portName = m_ports[port].path;
        m_settings.comm.portDisplayName = m_ports[port].displayName;
    } else {
        m_settings.comm.portName.clear();
        m_settings.comm.portDisplayName.clear();
    }
    int checked = m_units->checkedId();
    m_settings.TempUnit = checked >= kFirstUnitButton ? checked - kFirstUnitButton : 0;
    m_settings.DisplayLanguage = m_language->currentIndex();
    m_settings.ShowModbusTrace = m_trace->isChecked();
    m_settings.Technician = ToStd(m_technician->text().trimmed());
    try {
        m_settings.Store(m_store);
    } catch (const CPrivateException& e) {
        e.ReportError(CPrivateException::Icon::Stop);
    }
    QDialog::accept();
}
