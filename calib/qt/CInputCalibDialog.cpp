#include "calib/qt/CInputCalibDialog.h"

#include "calib/qt/DeviceAction.h"
#include "comm/CCommInterface.h"
#include "comm/CPrivateException.h"
#include "gui/CMessageBox.h"
#include "gui/QtText.h"
#include "model/CParBase.h"
#include "model/CProcessPrivilege.h"
#include "resources/CaptionIds.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <mutex>

namespace {
QLineEdit* MakeEdit(QWidget* parent, const char* name, bool readOnly) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setAlignment(Qt::AlignRight);
    edit->setMinimumWidth(110);
    edit->setReadOnly(readOnly);
    return edit;
}

QPushButton* MakeButton(QWidget* parent, int captionId, const char* name) {
    auto* button = new QPushButton(Tr(captionId), parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}
} // namespace

CInputCalibDialog::CInputCalibDialog(int typeCode, CCommInterface* comm, QWidget* parent)
    : QDialog(parent), m_typeCode(typeCode), m_comm(comm) {
    setWindowTitle(Tr(kCapFactoryInputTitle));
    auto* layout = new QVBoxLayout(this);

    layout->addLayout(CreateSelectors(typeCode));
    layout->addLayout(CreateRows());
    QGroupBox* reference = CreateReference();
    layout->addWidget(reference);

    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    m_close = MakeButton(this, kCapFactoryClose, "close");
    bottom->addWidget(m_close);
    layout->addLayout(bottom);

    m_zeroSet->setEnabled(false);
    m_fullSet->setEnabled(false);
    bool gain = FactoryInputUsesGain(typeCode);
    reference->setEnabled(gain);

    connect(m_type, &QComboBox::currentIndexChanged, this,
            [this](int index) { OnTypeChanged(index); });
    connect(m_zeroSet, &QPushButton::clicked, this, [this] { OnStorePoint(CalibPoint::Zero); });
    connect(m_fullSet, &QPushButton::clicked, this, [this] { OnStorePoint(CalibPoint::Full); });
    connect(m_voltageSet, &QPushButton::clicked, this,
            [this] { OnStoreReference(kRegFactoryVoltage, m_voltage); });
    connect(m_resistanceSet, &QPushButton::clicked, this,
            [this] { OnStoreReference(kRegFactoryResistance, m_resistance); });
    connect(m_close, &QPushButton::clicked, this, [this] { accept(); });

    if (!m_comm)
        return;
    m_privilege = std::make_unique<CProcessPrivilege>();
    if (!Run([this](CCommInterface& c) { m_privilege->Enter(CProcessPrivilege::kModeFactory, c); }))
        return;
    if (gain) {
        int32_t resistance = 0;
        int32_t voltage = 0;
        if (Run([&](CCommInterface& c) { ReadFactoryReferences(c, resistance, voltage); })) {
            m_resistance->setText(FromStd(CParBase::Fixed4Text(resistance)));
            m_voltage->setText(FromStd(CParBase::Fixed4Text(voltage)));
        }
    }
}

// The input (hidden: every model of the family has one) and the input type.
QGridLayout* CInputCalibDialog::CreateSelectors(int typeCode) {
    auto* selectors = new QGridLayout;
    auto* selectorLabel = new QLabel(Tr(kCapFactoryInputSelector), this);
    m_inputSelector = new QComboBox(this);
    m_inputSelector->setObjectName("inputSelector");
    selectors->addWidget(selectorLabel, 0, 0);
    selectors->addWidget(m_inputSelector, 0, 1);
    // Every model of the family has one input.
    selectorLabel->hide();
    m_inputSelector->hide();
    m_type = new QComboBox(this);
    m_type->setObjectName("type");
    for (const std::string& text : FactoryInputTypeTexts(typeCode))
        m_type->addItem(FromStd(text));
    m_type->setCurrentIndex(0);
    selectors->addWidget(new QLabel(Tr(kCapFactoryInputType), this), 1, 0);
    selectors->addWidget(m_type, 1, 1);
    selectors->setColumnStretch(1, 1);

    return selectors;
}

// Zero and full: A/D count, measured value and store.
QGridLayout* CInputCalibDialog::CreateRows() {
    auto* rows = new QGridLayout;
    rows->addWidget(new QLabel(Tr(kCapFactoryAdCount), this), 0, 1, Qt::AlignHCenter);
    rows->addWidget(new QLabel(Tr(kCapFactoryMeasured), this), 0, 2, Qt::AlignHCenter);
    m_zeroAd = MakeEdit(this, "zeroAd", true);
    m_zeroMeasured = MakeEdit(this, "zeroMeasured", false);
    m_zeroSet = MakeButton(this, kCapFactorySet, "zeroSet");
    m_fullAd = MakeEdit(this, "fullAd", true);
    m_fullMeasured = MakeEdit(this, "fullMeasured", false);
    m_fullSet = MakeButton(this, kCapFactorySet, "fullSet");
    rows->addWidget(new QLabel(Tr(kCapFactoryZeroRow), this), 1, 0);
    rows->addWidget(m_zeroAd, 1, 1);
    rows->addWidget(m_zeroMeasured, 1, 2);
    rows->addWidget(m_zeroSet, 1, 3);
    rows->addWidget(new QLabel(Tr(kCapFactoryFullRow), this), 2, 0);
    rows->addWidget(m_fullAd, 2, 1);
    rows->addWidget(m_fullMeasured, 2, 2);
    rows->addWidget(m_fullSet, 2, 3);

    return rows;
}

// The reference voltage and resistance of the gain calibration.
QGroupBox* CInputCalibDialog::CreateReference() {
    auto* reference = new QGroupBox(Tr(kCapFactoryReference), this);
    reference->setObjectName("reference");
    auto* refGrid = new QGridLayout(reference);
    m_voltage = MakeEdit(reference, "voltage", false);
    m_voltageSet = MakeButton(reference, kCapFactorySet, "voltageSet");
    m_resistance = MakeEdit(reference, "resistance", false);
    m_resistanceSet = MakeButton(reference, kCapFactorySet, "resistanceSet");
    refGrid->addWidget(new QLabel(Tr(kCapFactoryRefVoltage), reference), 0, 0);
    refGrid->addWidget(m_voltage, 0, 1);
    refGrid->addWidget(new QLabel(Tr(kCapFactoryUnitMillivolt), reference), 0, 2);
    refGrid->addWidget(m_voltageSet, 0, 3);
    refGrid->addWidget(new QLabel(Tr(kCapFactoryRefResistance), reference), 1, 0);
    refGrid->addWidget(m_resistance, 1, 1);
    refGrid->addWidget(new QLabel(Tr(kCapFactoryUnitOhm), reference), 1, 2);
    refGrid->addWidget(m_resistanceSet, 1, 3);

    return reference;
}

CInputCalibDialog::~CInputCalibDialog() {
    Release(false);
}

int CInputCalibDialog::TypeIndex() const {
    return m_type->currentIndex() - 1;
}

bool CInputCalibDialog::Run(const std::function<void(CCommInterface&)>& action,
                            const std::string& operation) {
    return RunDeviceAction(
        this, m_comm,
        [&action](CCommInterface& c) {
            std::lock_guard lock(c.Lock());
            action(c);
        },
        operation);
}

void CInputCalibDialog::OnTypeChanged(int index) {
    // Disarmed first: a failed read must not leave the rows armed for the previous type.
    m_zeroSet->setEnabled(false);
    m_fullSet->setEnabled(false);
    if (index < 1)
        return;
    FactoryTypeValues values;
    int t = index - 1;
    if (!Run([&](CCommInterface& c) { values = SelectFactoryInputType(c, m_typeCode, t); }))
        return;
    m_zeroAd->setText(QString::number(values.zeroCount));
    m_fullAd->setText(QString::number(values.fullCount));
    m_zeroMeasured->setText(FromStd(CParBase::Fixed4Text(values.zeroMeasured)));
    m_fullMeasured->setText(FromStd(CParBase::Fixed4Text(values.fullMeasured)));
    m_zeroSet->setEnabled(true);
    m_fullSet->setEnabled(true);
}

void CInputCalibDialog::OnStorePoint(CalibPoint point) {
    int t = TypeIndex();
    if (t < 0)
        return;
    QLineEdit* measuredEdit = point == CalibPoint::Zero ? m_zeroMeasured : m_fullMeasured;
    QLineEdit* adField = point == CalibPoint::Zero ? m_zeroAd : m_fullAd;
    int32_t measured = 0;
    if (!CParBase::ParseFixed4(ToStd(measuredEdit->text()), measured))
        return;
    FactoryPointValues stored;
    if (!Run([&](CCommInterface& c) { stored = StoreFactoryInputPoint(c, t, point, measured); },
             "factory input calibration"))
        return;
    adField->setText(QString::number(stored.count));
    measuredEdit->setText(FromStd(CParBase::Fixed4Text(stored.measured)));
}

void CInputCalibDialog::OnStoreReference(int address, QLineEdit* edit) {
    int32_t value = 0;
    if (!CParBase::ParseFixed4(ToStd(edit->text()), value))
        return;
    int32_t stored = 0;
    if (!Run([&](CCommInterface& c) { stored = WriteFactoryReference(c, address, value); },
             "factory reference"))
        return;
    edit->setText(FromStd(CParBase::Fixed4Text(stored)));
}

void CInputCalibDialog::done(int result) {
    Release(true);
    QDialog::done(result);
}

void CInputCalibDialog::Release(bool report) {
    if (m_released || !m_comm)
        return;
    m_released = true;
    std::lock_guard lock(m_comm->Lock());
    if (FactoryInputUsesGain(m_typeCode)) {
        try {
            ReleaseFactoryGain(*m_comm);
        } catch (const CPrivateException& e) {
            // The dialog closes all the same; the mode is restored below.
            if (report)
                ShowMessageBox(this, FromStd(e.Message()), MessageIcon::Stop);
        }
    }
    LeaveDialogProcessMode(this, m_privilege, report);
}
