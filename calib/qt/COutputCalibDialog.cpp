#include "calib/qt/COutputCalibDialog.h"

#include "calib/qt/CUpDownEdit.h"
#include "calib/qt/DeviceAction.h"
#include "comm/CCommInterface.h"
#include "comm/CPrivateException.h"
#include "gui/CMessageBox.h"
#include "gui/DeviceHistory.h"
#include "gui/QtText.h"
#include "model/CParBase.h"
#include "model/CProcessPrivilege.h"
#include "resources/CaptionIds.h"
#include "resources/StringIds.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>
#include <QVBoxLayout>

#include <mutex>

namespace {
bool ParseCount(const QString& text, uint16_t& out) {
    long value = 0;
    if (!CParBase::ParseInt(ToStd(text), value) || value < 0 || value > 0xFFFF)
        return false;
    out = static_cast<uint16_t>(value);
    return true;
}
} // namespace

COutputCalibDialog::COutputCalibDialog(int typeCode, CCommInterface* comm, QWidget* parent)
    : QDialog(parent), m_typeCode(typeCode), m_comm(comm) {
    setWindowTitle(Tr(kCapFactoryOutputTitle));
    auto* layout = new QVBoxLayout(this);

    layout->addLayout(CreateSelectors(typeCode));
    layout->addLayout(CreateRows());
    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    m_close = new QPushButton(Tr(kCapFactoryClose), this);
    m_close->setObjectName("close");
    m_close->setAutoDefault(false);
    bottom->addWidget(m_close);
    layout->addLayout(bottom);

    connect(m_type, &QComboBox::currentIndexChanged, this,
            [this](int index) { OnTypeChanged(index); });
    // The rows show the stored values of the chosen output; re-read them, disarmed.
    connect(m_outputSelector, &QComboBox::currentIndexChanged, this,
            [this] { OnTypeChanged(m_type->currentIndex()); });
    connect(m_close, &QPushButton::clicked, this, [this] { accept(); });

    m_timer = new QTimer(this);
    m_timer->setObjectName("daTimer");
    m_timer->setInterval(kTimerMs);
    connect(m_timer, &QTimer::timeout, this, [this] { TimerTick(); });
    m_timer->start();

    if (!m_comm)
        return;
    m_privilege = std::make_unique<CProcessPrivilege>();
    RunDeviceAction(this, m_comm, [this](CCommInterface& c) {
        std::lock_guard lock(c.Lock());
        m_privilege->Enter(CProcessPrivilege::kModeFactory, c);
    });
}

// The output (two-output models only) and the output type.
QGridLayout* COutputCalibDialog::CreateSelectors(int typeCode) {
    auto* selectors = new QGridLayout;
    auto* selectorLabel = new QLabel(Tr(kCapFactoryOutputSelector), this);
    m_outputSelector = new QComboBox(this);
    m_outputSelector->setObjectName("outputSelector");
    m_outputSelector->addItem(Tr(kCapFactoryOutput1));
    m_outputSelector->addItem(Tr(kCapFactoryOutput2));
    m_outputSelector->setCurrentIndex(0);
    bool selector = FactoryOutputHasSelector(typeCode);
    selectorLabel->setVisible(selector);
    m_outputSelector->setVisible(selector);
    selectors->addWidget(selectorLabel, 0, 0);
    selectors->addWidget(m_outputSelector, 0, 1);
    m_type = new QComboBox(this);
    m_type->setObjectName("type");
    for (const std::string& text : FactoryOutputTypeTexts())
        m_type->addItem(FromStd(text));
    m_type->setCurrentIndex(0);
    selectors->addWidget(new QLabel(Tr(kCapFactoryOutputType), this), 1, 0);
    selectors->addWidget(m_type, 1, 1);
    selectors->setColumnStretch(1, 1);

    return selectors;
}

// Zero, full and (voltage only) half: start, D/A count, measured value and store.
QGridLayout* COutputCalibDialog::CreateRows() {
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(Tr(kCapFactoryDaCount), this), 0, 2, Qt::AlignHCenter);
    grid->addWidget(new QLabel(Tr(kCapFactoryMeasured), this), 0, 3, Qt::AlignHCenter);
    static const char* const kNames[RowCount] = {"zero", "full", "half"};
    const int rowCaptions[RowCount] = {kCapFactoryZeroRow, kCapFactoryFullRow, kCapFactoryHalfRow};
    QLabel* halfNote = new QLabel(Tr(kCapFactoryHalfNote), this);
    for (int r = 0; r < RowCount; ++r) {
        RowControls& row = m_rows[r];
        QString name = kNames[r];
        auto* caption = new QLabel(Tr(rowCaptions[r]), this);
        row.start = new QPushButton(Tr(kCapFactoryStartAdjust), this);
        row.start->setObjectName(name + "Start");
        row.da = new CUpDownEdit(this);
        row.da->setObjectName(name + "Da");
        row.da->SetRange(kDaLow, kDaHigh);
        row.da->setMinimumWidth(100);
        row.measured = new QLineEdit(this);
        row.measured->setObjectName(name + "Measured");
        row.measured->setAlignment(Qt::AlignRight);
        row.measured->setMinimumWidth(110);
        row.set = new QPushButton(Tr(kCapFactorySet), this);
        row.set->setObjectName(name + "Set");
        for (QPushButton* b : {row.start, row.set}) {
            b->setAutoDefault(false);
            b->setEnabled(false);
        }
        grid->addWidget(caption, r + 1, 0);
        grid->addWidget(row.start, r + 1, 1);
        grid->addWidget(row.da, r + 1, 2);
        grid->addWidget(row.measured, r + 1, 3);
        grid->addWidget(row.set, r + 1, 4);
        if (r == HalfRow) {
            // Not used by the device: current outputs need no 50 % point.
            for (QWidget* w : std::initializer_list<QWidget*>{caption, row.start, row.da,
                                                              row.measured, row.set, halfNote})
                w->hide();
        }
        auto which = static_cast<Row>(r);
        connect(row.start, &QPushButton::clicked, this, [this, which] { OnStart(which); });
        connect(row.set, &QPushButton::clicked, this, [this, which] { OnStore(which); });
    }
    grid->addWidget(halfNote, RowCount + 1, 1, 1, 4);

    return grid;
}

COutputCalibDialog::~COutputCalibDialog() {
    Release(false);
}

int COutputCalibDialog::Output() const {
    return FactoryOutputHasSelector(m_typeCode) ? m_outputSelector->currentIndex() : 0;
}

int COutputCalibDialog::TypeIndex() const {
    return m_type->currentIndex() - 1;
}

bool COutputCalibDialog::Run(const std::function<void(CCommInterface&)>& action,
                             const std::string& operation) {
    if (!m_comm)
        return false;
    try {
        CWaitCursor wait;
        std::lock_guard lock(m_comm->Lock());
        action(*m_comm);
        if (!operation.empty())
            RecordDeviceOperation(DeviceOperation(operation));
        return true;
    } catch (const CPrivateException& e) {
        // The operator is told only that the exchange failed; every row starts over.
        if (!operation.empty())
            RecordDeviceOperation(DeviceOperation(operation, true, e.Message()));
    }
    for (const RowControls& row : m_rows) {
        row.start->setEnabled(false);
        row.set->setEnabled(false);
    }
    {
        QSignalBlocker block(m_type);
        m_type->setCurrentIndex(0);
    }
    ShowMessageBox(this, Tr(kMsgCommunicationError), MessageIcon::Stop);
    return false;
}

void COutputCalibDialog::OnTypeChanged(int index) {
    for (const RowControls& row : m_rows)
        row.set->setEnabled(false);
    if (index < 1) {
        for (const RowControls& row : m_rows)
            row.start->setEnabled(false);
        return;
    }
    FactoryTypeValues values;
    int o = Output();
    int t = index - 1;
    if (!Run([&](CCommInterface& c) { values = ReadFactoryOutputType(c, o, t); }))
        return;
    m_rows[ZeroRow].da->SetText(QString::number(values.zeroCount));
    m_rows[ZeroRow].measured->setText(FromStd(CParBase::Fixed4Text(values.zeroMeasured)));
    m_rows[FullRow].da->SetText(QString::number(values.fullCount));
    m_rows[FullRow].measured->setText(FromStd(CParBase::Fixed4Text(values.fullMeasured)));
    for (const RowControls& row : m_rows)
        row.start->setEnabled(true);
}

void COutputCalibDialog::OnStart(Row row) {
    for (int r = 0; r < RowCount; ++r)
        m_rows[r].set->setEnabled(r == row);
}

void COutputCalibDialog::TimerTick() {
    const RowControls* armed = nullptr;
    if (m_rows[ZeroRow].set->isEnabled())
        armed = &m_rows[ZeroRow];
    else if (m_rows[FullRow].set->isEnabled())
        armed = &m_rows[FullRow];
    if (!armed)
        return;
    uint16_t da = 0;
    if (!ParseCount(armed->da->Text(), da))
        return;
    int o = Output();
    Run([&](CCommInterface& c) { ForceFactoryOutput(c, o, da); });
}

void COutputCalibDialog::OnStore(Row row) {
    if (row == HalfRow)
        return;
    int t = TypeIndex();
    if (t < 0)
        return;
    RowControls& controls = m_rows[row];
    int32_t measured = 0;
    if (!CParBase::ParseFixed4(ToStd(controls.measured->text()), measured))
        return;
    FactoryPointValues stored;
    int o = Output();
    CalibPoint point = row == ZeroRow ? CalibPoint::Zero : CalibPoint::Full;
    if (!Run([&](CCommInterface& c) { stored = StoreFactoryOutputPoint(c, o, t, point, measured); },
             "factory output calibration"))
        return;
    controls.da->SetText(QString::number(stored.count));
    controls.measured->setText(FromStd(CParBase::Fixed4Text(stored.measured)));
    controls.set->setEnabled(false);
}

void COutputCalibDialog::done(int result) {
    m_timer->stop();
    Release(true);
    QDialog::done(result);
}

void COutputCalibDialog::Release(bool report) {
    if (m_released || !m_comm)
        return;
    m_released = true;
    m_timer->stop();
    std::lock_guard lock(m_comm->Lock());
    try {
        // Both, also on a one-output model: a forced count must never outlive the dialog.
        ReleaseFactoryOutputs(*m_comm);
    } catch (const CPrivateException& e) {
        if (report)
            ShowMessageBox(this, FromStd(e.Message()), MessageIcon::Stop);
    }
    LeaveDialogProcessMode(this, m_privilege, report);
}
