#include "calib/qt/CAOTestPage.h"

#include "calib/CalibrationSequences.h"
#include "calib/qt/DeviceAction.h"
#include "comm/CCommInterface.h"
#include "comm/CPrivateException.h"
#include "gui/CMessageBox.h"
#include "gui/QtText.h"
#include "model/CParBase.h"
#include "resources/CaptionIds.h"
#include "resources/StringIds.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <mutex>

CAOTestPage::CAOTestPage(QWidget* parent) : QWidget(parent) {
    auto* page = new QVBoxLayout(this);
    auto* modeRow = new QHBoxLayout;
    m_fixedOut = new QPushButton(Tr(kCapFixedOut), this);
    m_fixedOut->setObjectName("fixedOut");
    m_normalOut = new QPushButton(Tr(kCapNormalOut), this);
    m_normalOut->setObjectName("normalOut");
    for (QPushButton* b : {m_fixedOut, m_normalOut}) {
        b->setMinimumWidth(110);
        modeRow->addWidget(b);
    }
    modeRow->addStretch(1);
    page->addLayout(modeRow);

    auto* group = new QGroupBox(Tr(kCapLoopTestOutput), this);
    auto* grid = new QGridLayout(group);
    for (int i = 0; i < 2; ++i) {
        m_rowLabel[i] = new QLabel(Tr(i == 0 ? kCapChannel1 : kCapChannel2), group);
        m_value[i] = new QLineEdit(group);
        m_value[i]->setObjectName(QString("outputValue%1").arg(i + 1));
        m_value[i]->setAlignment(Qt::AlignRight);
        m_value[i]->setMinimumWidth(120);
        m_unit[i] = new QLabel(group);
        m_unit[i]->setObjectName(QString("outputUnit%1").arg(i + 1));
        m_unit[i]->setMinimumWidth(40);
        m_set[i] = new QPushButton(Tr(kCapSet), group);
        m_set[i]->setObjectName(QString("outputSet%1").arg(i + 1));
        grid->addWidget(m_rowLabel[i], i, 0);
        grid->addWidget(m_value[i], i, 1);
        grid->addWidget(m_unit[i], i, 2);
        grid->addWidget(m_set[i], i, 3);
        connect(m_set[i], &QPushButton::clicked, this, [this, i] { OnSet(i); });
    }
    grid->setColumnStretch(4, 1);
    page->addWidget(group);

    // Alarm contacts: no model of the family has any, so the rows stay hidden.
    for (int row = 0; row < 2; ++row) {
        m_contactRow[row] = new QWidget(this);
        auto* contacts = new QHBoxLayout(m_contactRow[row]);
        contacts->setContentsMargins(0, 0, 0, 0);
        auto* on = new QPushButton(Tr(kCapOn), m_contactRow[row]);
        auto* off = new QPushButton(Tr(kCapOff), m_contactRow[row]);
        contacts->addWidget(on);
        contacts->addWidget(off);
        contacts->addStretch(1);
        page->addWidget(m_contactRow[row]);
        if (row == 0) {
            // They only take and release the connection lock.
            auto touch = [this] {
                if (m_comm) {
                    std::lock_guard lock(m_comm->Lock());
                }
            };
            connect(on, &QPushButton::clicked, this, touch);
            connect(off, &QPushButton::clicked, this, touch);
        }
    }
    page->addStretch(1);

    connect(m_fixedOut, &QPushButton::clicked, this, [this] {
        RunDeviceAction(
            this, m_comm, [](CCommInterface& c) { WriteProcessMode(c, kModeFixedOutput); },
            "loop test fixed");
    });
    connect(m_normalOut, &QPushButton::clicked, this, [this] {
        RunDeviceAction(
            this, m_comm, [](CCommInterface& c) { WriteProcessMode(c, kModeNormal); },
            "loop test normal");
    });

    update(nullptr);
}

void CAOTestPage::update(CParBase* set) {
    bool enabled = isEnabled();
    bool fixed = set && set->IsOutputFixed();
    int outputs = set ? std::clamp(set->GetOutputCount(), 0, 2) : 0;
    bool alarms = set && set->GetAlarmCount() > 0;

    m_fixedOut->setEnabled(enabled && !fixed);
    m_normalOut->setEnabled(enabled && fixed);
    for (int i = 0; i < 2; ++i) {
        bool shown = fixed && enabled && outputs > i;
        m_rowLabel[i]->setVisible(shown);
        m_value[i]->setVisible(shown);
        m_unit[i]->setVisible(shown);
        m_set[i]->setVisible(shown);
        if (set && outputs > i)
            m_unit[i]->setText(FromStd(set->GetOutputUnitText(i)));
        m_contactRow[i]->setVisible(fixed && enabled && alarms);
    }
    if (set)
        SendPending(*set, outputs, fixed);
}

// Each output on its own: a refused value or a failed write on one still lets the other go.
void CAOTestPage::SendPending(CParBase& set, int outputs, bool fixed) {
    for (int i = 0; i < outputs; ++i) {
        if (!m_pendingSet[i])
            continue;
        m_pendingSet[i] = false;
        if (!fixed)
            continue; // typed while not in fixed-output mode: dropped
        int32_t value = m_pendingValue[i];
        RunDeviceAction(this, m_comm,
                        [&](CCommInterface& c) { WriteLoopTestOutput(c, set, i, value); });
    }
}

void CAOTestPage::OnSet(int output) {
    int32_t value = 0;
    if (!CParBase::ParseFixed4(ToStd(m_value[output]->text()), value)) {
        ShowMessageBox(this, FromStd(CPrivateException::FromId(kMsgNotNumeric).Message()),
                       MessageIcon::Stop);
        return;
    }
    m_pendingValue[output] = value;
    m_pendingSet[output] = true;
}

bool CAOTestPage::HandleEnter() {
    for (int i = 0; i < 2; ++i) {
        if (m_value[i]->hasFocus() && m_value[i]->isVisible()) {
            OnSet(i);
            return true;
        }
    }
    return false;
}
