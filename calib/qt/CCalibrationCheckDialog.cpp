#include "calib/qt/CCalibrationCheckDialog.h"

#include "gui/CMessageBox.h"
#include "gui/DeviceHistory.h"
#include "gui/QtText.h"
#include "resources/CStringTable.h"
#include "resources/CaptionIds.h"
#include "resources/StringIds.h"

#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <cmath>
#include <cstdio>

namespace {
enum Column { kReference, kReading, kError, kResult, kColumns };
constexpr int kReadingRole = Qt::UserRole + 1;
constexpr double kDefaultTolerance = 0.25; // % of span
constexpr int kDefaultPoints = 5;          // 0, 25, 50, 75 and 100 %

QString Number(double value, const char* format) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return QString::fromLatin1(text);
}

std::optional<double> ParseNumber(const QString& text) {
    bool ok = false;
    double value = text.trimmed().toDouble(&ok);
    return ok && std::isfinite(value) ? std::optional(value) : std::nullopt;
}
} // namespace

CCalibrationCheckDialog::CCalibrationCheckDialog(CheckDevice device, const std::string& technician,
                                                 QWidget* parent)
    : QDialog(parent), m_device(std::move(device)) {
    setObjectName("calibrationCheck");
    setWindowTitle(Tr(kStrCheckTitle));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    form->addRow(Tr(kStrCertModel), new QLabel(FromStd(m_device.model + "   " + m_device.serial)));
    m_technician = new QLineEdit(FromStd(technician), this);
    m_technician->setObjectName("technician");
    form->addRow(Tr(kCapTechnician), m_technician);
    m_tolerance = new QDoubleSpinBox(this);
    m_tolerance->setObjectName("tolerance");
    m_tolerance->setDecimals(3);
    m_tolerance->setRange(0.001, 100.0);
    m_tolerance->setSingleStep(0.05);
    m_tolerance->setValue(kDefaultTolerance);
    form->addRow(Tr(kStrCheckTolerance), m_tolerance);
    layout->addLayout(form);

    m_step = new QLabel(this);
    m_step->setObjectName("step");
    m_step->setWordWrap(true);
    layout->addWidget(m_step);

    m_table = new QTableWidget(0, kColumns, this);
    m_table->setObjectName("points");
    const QString unit = m_device.unit.empty() ? QString() : " (" + FromStd(m_device.unit) + ")";
    m_table->setHorizontalHeaderLabels({Tr(kStrCertReference) + unit, Tr(kStrCertReading) + unit,
                                        Tr(kStrCertError), Tr(kStrCertResult)});
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    for (int i = 0; i < kDefaultPoints; ++i)
        AddRow(m_device.zero + Span() * i / (kDefaultPoints - 1));
    m_table->setCurrentCell(0, kReference);
    layout->addWidget(m_table, 1);
    CreateButtons(layout);
    UpdateStep();
    resize(560, 420);
}

void CCalibrationCheckDialog::CreateButtons(QVBoxLayout* layout) {
    auto* rows = new QHBoxLayout;
    auto* add = new QPushButton(Tr(kStrCheckAddPoint), this);
    auto* remove = new QPushButton(Tr(kStrCheckRemovePoint), this);
    m_take = new QPushButton(Tr(kStrCheckTakeReading), this);
    m_take->setObjectName("takeReading");
    m_take->setDefault(true);
    rows->addWidget(add);
    rows->addWidget(remove);
    rows->addStretch(1);
    rows->addWidget(m_take);
    layout->addLayout(rows);

    auto* buttons = new QHBoxLayout;
    m_next = new QPushButton(Tr(kStrCheckAsLeft), this);
    m_next->setObjectName("asLeft");
    m_finish = new QPushButton(Tr(kStrCheckFinish), this);
    m_finish->setObjectName("finish");
    auto* close = new QPushButton(Tr(kCapClose), this);
    buttons->addStretch(1);
    buttons->addWidget(m_next);
    buttons->addWidget(m_finish);
    buttons->addWidget(close);
    layout->addLayout(buttons);

    connect(add, &QPushButton::clicked, this, [this] {
        AddRow(m_device.full);
        m_table->setCurrentCell(m_table->rowCount() - 1, kReference);
    });
    connect(remove, &QPushButton::clicked, this, [this] {
        if (m_table->rowCount() > 1 && m_table->currentRow() >= 0)
            m_table->removeRow(m_table->currentRow());
    });
    connect(m_take, &QPushButton::clicked, this, &CCalibrationCheckDialog::TakeReading);
    connect(m_next, &QPushButton::clicked, this, &CCalibrationCheckDialog::StartAsLeft);
    connect(m_finish, &QPushButton::clicked, this, [this] { Finish(); });
    connect(close, &QPushButton::clicked, this, &CCalibrationCheckDialog::reject);
    connect(m_table, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        if (item->column() == kReference)
            UpdateRow(item->row());
    });
    connect(m_tolerance, &QDoubleSpinBox::valueChanged, this, [this] {
        for (int r = 0; r < m_table->rowCount(); ++r)
            UpdateRow(r);
    });
}

void CCalibrationCheckDialog::AddRow(double reference) {
    const QSignalBlocker block(m_table);
    const int row = m_table->rowCount();
    m_table->insertRow(row);
    m_table->setItem(row, kReference, new QTableWidgetItem(Number(reference, "%.4f")));
    for (int c = kReading; c < kColumns; ++c) {
        auto* item = new QTableWidgetItem;
        item->setFlags(item->flags() & ~Qt::ItemIsEditable);
        item->setTextAlignment(Qt::AlignCenter);
        m_table->setItem(row, c, item);
    }
    m_table->item(row, kReference)->setTextAlignment(Qt::AlignCenter);
}

// The error and verdict follow the reference and reading as they stand.
void CCalibrationCheckDialog::UpdateRow(int row) {
    const QSignalBlocker block(m_table);
    QTableWidgetItem* reading = m_table->item(row, kReading);
    std::optional<double> reference = ParseNumber(m_table->item(row, kReference)->text());
    QVariant taken = reading->data(kReadingRole);
    if (!reference || !taken.isValid()) {
        m_table->item(row, kError)->setText({});
        m_table->item(row, kResult)->setText({});
        return;
    }
    CalibrationPoint p;
    p.reference = *reference;
    p.reading = taken.toDouble();
    p.span = Span();
    p.tolerance = m_tolerance->value();
    m_table->item(row, kError)->setText(Number(p.ErrorPercent(), "%+.3f"));
    m_table->item(row, kResult)->setText(Tr(p.Passes() ? kStrCertPass : kStrCertFail));
    m_table->item(row, kResult)
        ->setForeground(p.Passes() ? palette().text().color() : QColor(0xb0, 0, 0));
}

void CCalibrationCheckDialog::UpdateStep() {
    int text = !m_asLeft        ? kStrCheckStepFound
               : m_readingTaken ? kStrCheckStepLeft
                                : kStrCheckStepAdjust;
    m_step->setText(Tr(text));
    m_next->setEnabled(!m_asLeft);
}

void CCalibrationCheckDialog::TakeReading() {
    int row = std::max(m_table->currentRow(), 0);
    std::optional<double> value = m_device.reading ? m_device.reading() : std::nullopt;
    if (!value) {
        ShowMessageBox(this, Tr(kMsgCheckNoReading), MessageIcon::Warning);
        return;
    }
    {
        const QSignalBlocker block(m_table);
        QTableWidgetItem* reading = m_table->item(row, kReading);
        reading->setData(kReadingRole, *value);
        reading->setText(Number(*value, "%.4f"));
    }
    UpdateRow(row);
    m_readingTaken = true;
    UpdateStep();
    if (row + 1 < m_table->rowCount())
        m_table->setCurrentCell(row + 1, kReference);
}

bool CCalibrationCheckDialog::CollectPhase(std::vector<CalibrationPoint>& into) const {
    std::vector<CalibrationPoint> points;
    for (int r = 0; r < m_table->rowCount(); ++r) {
        std::optional<double> reference = ParseNumber(m_table->item(r, kReference)->text());
        QVariant taken = m_table->item(r, kReading)->data(kReadingRole);
        if (!reference || !taken.isValid())
            return false;
        CalibrationPoint p;
        p.phase = m_asLeft ? "as left" : "as found";
        p.reference = *reference;
        p.reading = taken.toDouble();
        p.span = Span();
        p.tolerance = m_tolerance->value();
        p.unit = m_device.unit;
        points.push_back(p);
    }
    into.insert(into.end(), points.begin(), points.end());
    return true;
}

void CCalibrationCheckDialog::StartAsLeft() {
    std::vector<CalibrationPoint> found;
    if (!CollectPhase(found)) {
        ShowMessageBox(this, Tr(kMsgCheckPointsMissing), MessageIcon::Warning);
        return;
    }
    m_asFound = std::move(found);
    m_asLeft = true;
    m_readingTaken = false;
    // The same references again; the readings start over.
    for (int r = 0; r < m_table->rowCount(); ++r) {
        QTableWidgetItem* reading = m_table->item(r, kReading);
        reading->setData(kReadingRole, QVariant());
        reading->setText({});
        UpdateRow(r);
    }
    m_table->setCurrentCell(0, kReference);
    UpdateStep();
}

std::string CCalibrationCheckDialog::Technician() const {
    return ToStd(m_technician->text().trimmed());
}

bool CCalibrationCheckDialog::Finish() {
    if (Technician().empty()) {
        ShowMessageBox(this, Tr(kMsgCheckNeedsTechnician), MessageIcon::Warning);
        m_technician->setFocus();
        return false;
    }
    // Without "As Left" the points taken are the as-found ones of a check without adjustment.
    std::vector<CalibrationPoint> points = m_asFound;
    if (!CollectPhase(points)) {
        ShowMessageBox(this, Tr(kMsgCheckPointsMissing), MessageIcon::Warning);
        return false;
    }
    DeviceOperation check("check");
    check.technician = Technician();
    check.points = points;
    check.serial = m_device.serial;
    std::optional<HistoryEvent> event = RecordDeviceOperation(check);
    if (!event) {
        // The device went away: the certificate still names what the dialog saw.
        event.emplace();
        event->model = m_device.model;
        event->serial = m_device.serial;
        event->operation = "check";
        event->technician = check.technician;
        event->points = points;
    }
    if (event->time.empty())
        event->time = HistoryTimeNow();
    SaveCertificateAs(this, *event);
    m_asFound.clear();
    accept();
    return true;
}

void CCalibrationCheckDialog::reject() {
    const bool taken = !m_asFound.empty() || m_readingTaken;
    if (taken &&
        ShowMessageBox(this, Tr(kMsgCheckDiscard), MessageIcon::Question,
                       QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes)
        return;
    QDialog::reject();
}
