#include "calib/qt/CCalibInputPage.h"

#include "calib/CalibrationSequences.h"
#include "calib/qt/DeviceAction.h"
#include "comm/MessageFormat.h"
#include "gui/CMessageBox.h"
#include "gui/QtText.h"
#include "model/CParBase.h"
#include "resources/CStringTable.h"
#include "resources/CaptionIds.h"
#include "resources/StringIds.h"

#include <QButtonGroup>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

CCalibInputPage::CCalibInputPage(QWidget* parent) : QWidget(parent) {
    auto* page = new QVBoxLayout(this);
    page->addWidget(MakeGroup(kCapInputCalibration, "input", m_input, m_calibInput));
    page->addWidget(MakeGroup(kCapOutputCalibration, "output", m_output, m_calibOutput));
    page->addStretch(1);

    connect(m_input.start, &QPushButton::clicked, this,
            [this] { Run([this](CCommInterface& c) { StartInputCalibration(c, m_calibInput); }); });
    connect(m_input.zero, &QPushButton::clicked, this, [this] {
        Run([this](CCommInterface& c) { CaptureInputPoint(c, m_calibInput, CalibPoint::Zero); });
    });
    connect(m_input.full, &QPushButton::clicked, this, [this] {
        Run([this](CCommInterface& c) { CaptureInputPoint(c, m_calibInput, CalibPoint::Full); });
    });
    connect(m_input.set, &QPushButton::clicked, this, [this] {
        if (ConfirmCapturedSpan())
            Run([this](CCommInterface& c) { SetInputCalibration(c, m_calibInput); },
                "input calibration");
    });
    connect(m_output.start, &QPushButton::clicked, this, [this] {
        Run([this](CCommInterface& c) { StartOutputCalibration(c, m_calibOutput); });
    });
    connect(m_output.zero, &QPushButton::clicked, this, [this] {
        Run([this](CCommInterface& c) { CaptureOutputPoint(c, m_calibOutput, CalibPoint::Zero); });
    });
    connect(m_output.full, &QPushButton::clicked, this, [this] {
        Run([this](CCommInterface& c) { CaptureOutputPoint(c, m_calibOutput, CalibPoint::Full); });
    });
    connect(m_output.set, &QPushButton::clicked, this, [this] {
        // The output's range is written through the model, which the page needs for that.
        if (!m_set || !ConfirmCapturedSpan())
            return;
        Run([this](CCommInterface& c) { SetOutputCalibration(c, *m_set, m_calibOutput); },
            "output calibration");
    });

    // Until the first poll result the page shows an idle device.
    update(CCalibInfo(), nullptr);
}

bool CCalibInputPage::ConfirmCapturedSpan() {
    std::pair<int32_t, int32_t> captured;
    if (!RunDeviceAction(this, m_comm,
                         [&captured](CCommInterface& c) { captured = ReadCapturedPair(c); }))
        return false;
    if (captured.first < captured.second)
        return true;
    // A reversed or empty range makes the channel useless: never one Enter away.
    QString text = FromStd(
        FormatInserts(LoadStr(kMsgReversedCapture), {CParBase::Fixed4Text(captured.first),
                                                     CParBase::Fixed4Text(captured.second)}));
    return ShowMessageBox(this, text, MessageIcon::Question, QMessageBox::Yes | QMessageBox::No,
                          QMessageBox::No) == QMessageBox::Yes;
}

QWidget* CCalibInputPage::MakeGroup(int captionId, const QString& name, Group& group,
                                    int& channel) {
    auto* box = new QGroupBox(Tr(captionId), this);
    auto* layout = new QVBoxLayout(box);
    auto* radioRow = new QHBoxLayout;
    radioRow->addStretch(1);
    auto* buttons = new QButtonGroup(box);
    for (int k = 0; k < 2; ++k) {
        group.radio[k] = new QRadioButton(Tr(k == 0 ? kCapChannel1 : kCapChannel2), box);
        group.radio[k]->setObjectName(QString("%1Channel%2").arg(name).arg(k + 1));
        buttons->addButton(group.radio[k], k);
        radioRow->addWidget(group.radio[k]);
        connect(group.radio[k], &QRadioButton::toggled, this, [&channel, k](bool on) {
            if (on)
                channel = k;
        });
    }
    group.radio[0]->setChecked(true);
    layout->addLayout(radioRow);

    auto button = [&](int captionId2, const char* suffix) {
        auto* b = new QPushButton(Tr(captionId2), box);
        b->setObjectName(name + suffix);
        b->setMinimumWidth(110);
        return b;
    };
    auto value = [&](const char* suffix) {
        auto* e = new QLineEdit(box);
        e->setObjectName(name + suffix);
        e->setReadOnly(true);
        e->setFocusPolicy(Qt::NoFocus);
        e->setAlignment(Qt::AlignRight);
        e->setMinimumWidth(120);
        return e;
    };
    group.start = button(kCapStartCalib, "Start");
    group.zero = button(kCapZeroCalib, "Zero");
    group.full = button(kCapFullCalib, "Full");
    group.set = button(kCapSet, "Set");
    group.zeroValue = value("ZeroValue");
    group.fullValue = value("FullValue");

    auto* grid = new QGridLayout;
    grid->addWidget(group.start, 0, 0);
    grid->addWidget(group.zero, 1, 0);
    grid->addWidget(group.zeroValue, 1, 1);
    grid->addWidget(group.full, 2, 0);
    grid->addWidget(group.fullValue, 2, 1);
    grid->addWidget(group.set, 3, 0);
    grid->setColumnStretch(2, 1);
    layout->addLayout(grid);
    return box;
}

void CCalibInputPage::update(const CCalibInfo& info, CParBase* set) {
    m_set = set;
    m_info = info;
    // Checked here too, so that a running cycle does not flash the wait cursor every poll.
    if (ApplyStates() && info.refZeroRaw == 0 && info.refFullRaw == 0)
        Run([&info](CCommInterface& c) { WriteReferencesIfUnset(c, info, true); });
}

void CCalibInputPage::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // Enabled or disabled (Unlock): the buttons follow at once, from the last record.
    if (event->type() == QEvent::EnabledChange)
        ApplyStates();
}

bool CCalibInputPage::ApplyStates() {
    const CCalibInfo& info = m_info;
    bool enabled = isEnabled();
    bool inputActive = IsInputCalibrationMode(info.processMode) && enabled;
    bool outputActive = IsOutputCalibrationMode(info.processMode) && enabled && info.ioPresent;

    for (int k = 0; k < 2; ++k) {
        m_input.radio[k]->setVisible(info.inputCount == 2);
        m_output.radio[k]->setVisible(info.outputCount == 2);
    }
    // The running cycle decides the channel: the device calibrates the one its mode names.
    if (info.processMode == 11 || info.processMode == 12) {
        m_calibInput = info.processMode - 11;
        m_input.radio[m_calibInput]->setChecked(true);
    }
    if (info.processMode == 21 || info.processMode == 22) {
        m_calibOutput = info.processMode - 21;
        m_output.radio[m_calibOutput]->setChecked(true);
    }

    ApplyGroup(m_input, enabled, inputActive, info);
    ApplyGroup(m_output, enabled && info.ioPresent, outputActive, info);
    return inputActive || outputActive;
}

void CCalibInputPage::ApplyGroup(Group& group, bool offered, bool active, const CCalibInfo& info) {
    // Switching the channel in the middle of a cycle would capture and set the other channel
    // while the device calibrates this one.
    for (QRadioButton* radio : group.radio)
        radio->setEnabled(isEnabled() && !active);
    group.start->setEnabled(offered && !active);
    group.zero->setEnabled(active);
    group.full->setEnabled(active);
    group.set->setEnabled(active);
    group.zeroValue->setText(active ? FromStd(CParBase::Fixed4Text(info.capturedZeroRaw)) : "");
    group.fullValue->setText(active ? FromStd(CParBase::Fixed4Text(info.capturedFullRaw)) : "");
}

void CCalibInputPage::Run(const std::function<void(CCommInterface&)>& action,
                          const std::string& operation) {
    RunDeviceAction(this, m_comm, action, operation);
}
