#include "app/qt/CHistoryWindow.h"

#include "comm/CPrivateException.h"
#include "comm/MessageFormat.h"
#include "gui/CMessageBox.h"
#include "gui/DeviceHistory.h"
#include "gui/QtText.h"
#include "model/CParBase.h"
#include "model/ParameterFile.h"
#include "resources/CStringTable.h"
#include "resources/CaptionIds.h"
#include "resources/StringIds.h"
#include "views/CompareWalk.h"
#include "views/qt/CCompareList.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {
enum Column { kTime, kOperation, kOutcome, kUser, kProgram, kChanged, kColumns };

// "2026-12-08T19:01:06Z" as "2026-12-08 19:01:06".
QString ShownTime(const std::string& time) {
    std::string shown = time;
    std::replace(shown.begin(), shown.end(), 'T', ' ');
    if (!shown.empty() && shown.back() == 'Z')
        shown.pop_back();
    return FromStd(shown);
}

// The set an event recorded: the one after a write, else the one read.
const std::string& SetText(const HistoryEvent& event) {
    return event.after.empty() ? event.before : event.after;
}

QString EventCaption(const HistoryEvent& event) {
    return QString("#%1 %2").arg(event.id).arg(ShownTime(event.time));
}
} // namespace

CHistoryWindow::CHistoryWindow(std::string serial, OpenSet open, QWidget* parent)
    : QDialog(parent), m_serial(std::move(serial)), m_open(std::move(open)) {
    setObjectName("historyWindow");
    setWindowTitle(FromStd(FormatInserts(LoadStr(kStrHistoryTitle), {m_serial})));
    m_events = new QTableWidget(0, kColumns, this);
    m_events->setObjectName("events");
    m_events->setHorizontalHeaderLabels({Tr(kStrHistoryTime), Tr(kStrHistoryOperation),
                                         Tr(kStrHistoryOutcome), Tr(kStrHistoryUser),
                                         Tr(kStrHistoryProgram), Tr(kStrHistoryChanged)});
    m_events->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_events->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_events->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_events->verticalHeader()->hide();
    m_events->horizontalHeader()->setStretchLastSection(true);

    m_differences = new CCompareList(this);
    m_differences->setObjectName("differences");
    m_differences->SetUp();
    m_summary = new QLabel(this);
    m_summary->setObjectName("summary");
    m_summary->setWordWrap(true);
    m_summary->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* lower = new QWidget(this);
    auto* lowerLayout = new QVBoxLayout(lower);
    lowerLayout->setContentsMargins(0, 0, 0, 0);
    lowerLayout->addWidget(m_summary);
    lowerLayout->addWidget(m_differences, 1);
    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(m_events);
    splitter->addWidget(lower);

    m_openSet = new QPushButton(Tr(kStrHistoryOpen), this);
    m_openSet->setObjectName("openSet");
    m_certificate = new QPushButton(Tr(kStrHistoryCertificate), this);
    m_certificate->setObjectName("certificate");
    auto* close = new QPushButton(Tr(kCapClose), this);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_openSet);
    buttons->addWidget(m_certificate);
    buttons->addStretch(1);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(splitter, 1);
    layout->addLayout(buttons);

    connect(m_events, &QTableWidget::itemSelectionChanged, this, &CHistoryWindow::ShowSelection);
    connect(m_openSet, &QPushButton::clicked, this, [this] {
        std::optional<HistoryEvent> event = SelectedEvent();
        if (event && !SetText(*event).empty() && m_open)
            m_open(SetText(*event));
    });
    connect(m_certificate, &QPushButton::clicked, this, [this] {
        if (std::optional<HistoryEvent> event = SelectedEvent())
            SaveCertificateAs(this, *event);
    });
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    resize(820, 560);
    Reload();
}

void CHistoryWindow::Reload() {
    try {
        m_list = CHistory().List(m_serial);
    } catch (const CPrivateException& e) {
        m_list.clear();
        m_events->setRowCount(0);
        m_summary->setText(FromStd(FormatInserts(LoadStr(kMsgHistoryUnreadable), {e.Message()})));
        return;
    }
    const QSignalBlocker block(m_events);
    m_events->clearSelection();
    m_events->setRowCount(static_cast<int>(m_list.size()));
    for (int r = 0; r < static_cast<int>(m_list.size()); ++r) {
        const HistoryEvent& e = m_list[r];
        QString changed;
        for (const std::string& key : e.changed)
            changed += (changed.isEmpty() ? "" : " ") + FromStd(key);
        const QString texts[kColumns] = {ShownTime(e.time),
                                         OperationText(e.operation),
                                         OutcomeText(e.outcome) +
                                             (e.message.empty() ? "" : ": " + FromStd(e.message)),
                                         FromStd(e.user + '@' + e.host),
                                         FromStd(e.program + ' ' + e.version),
                                         changed};
        for (int c = 0; c < kColumns; ++c) {
            auto* cell = new QTableWidgetItem(texts[c]);
            if (c == kOutcome && e.outcome != "ok")
                cell->setForeground(QColor(0xb0, 0, 0));
            m_events->setItem(r, c, cell);
        }
    }
    m_events->resizeColumnsToContents();
    ShowSelection();
}

std::vector<int> CHistoryWindow::SelectedRows() const {
    std::vector<int> rows;
    for (const QModelIndex& index : m_events->selectionModel()->selectedRows())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

std::optional<HistoryEvent> CHistoryWindow::SelectedEvent() const {
    std::vector<int> rows = SelectedRows();
    if (rows.size() != 1 || rows[0] >= static_cast<int>(m_list.size()))
        return std::nullopt;
    try {
        return CHistory().Find(m_list[rows[0]].id);
    } catch (const CPrivateException&) {
        return std::nullopt;
    }
}

void CHistoryWindow::ShowSelection() {
    m_differences->setRowCount(0);
    m_openSet->setEnabled(false);
    m_certificate->setEnabled(false);
    if (m_list.empty()) {
        m_summary->setText(FromStd(FormatInserts(LoadStr(kMsgHistoryEmpty), {m_serial})));
        return;
    }
    std::vector<int> rows = SelectedRows();
    m_summary->clear();
    if (rows.size() == 2) {
        // Rows run newest first: the older event is the first set.
        std::optional<HistoryEvent> older, newer;
        try {
            older = CHistory().Find(m_list[rows[1]].id);
            newer = CHistory().Find(m_list[rows[0]].id);
        } catch (const CPrivateException& e) {
            m_summary->setText(
                FromStd(FormatInserts(LoadStr(kMsgHistoryUnreadable), {e.Message()})));
            return;
        }
        if (!older || !newer || SetText(*older).empty() || SetText(*newer).empty()) {
            m_summary->setText(Tr(kMsgHistorySelectTwo));
            return;
        }
        ShowDifferences(SetText(*older), SetText(*newer), EventCaption(*older),
                        EventCaption(*newer));
        return;
    }
    std::optional<HistoryEvent> event = SelectedEvent();
    if (!event)
        return;
    m_openSet->setEnabled(!SetText(*event).empty());
    m_certificate->setEnabled(!event->points.empty());
    if (!event->before.empty() && !event->after.empty())
        ShowDifferences(event->before, event->after, Tr(kStrHistoryBefore), Tr(kStrHistoryAfter));
    else if (SetText(*event).empty())
        m_summary->setText(Tr(kMsgHistoryNoSet));
    if (!event->message.empty())
        m_summary->setText(FromStd(event->message));
}

void CHistoryWindow::ShowDifferences(const std::string& first, const std::string& second,
                                     const QString& firstCaption, const QString& secondCaption) {
    OpenedParameterFile a = OpenParameterText(first);
    OpenedParameterFile b = OpenParameterText(second);
    if (!a.set || !b.set || a.set->ModelNumber() != b.set->ModelNumber()) {
        m_summary->setText(!a.set   ? FromStd(a.error)
                           : !b.set ? FromStd(b.error)
                                    : Tr(kMsgHistoryOtherModel));
        return;
    }
    std::vector<CompareRow> rows = CompareWalk(*a.set, *b.set);
    const int mismatches = CountMismatches(rows);
    // Only what differs: a history answers "what changed".
    std::erase_if(rows, [](const CompareRow& row) { return !row.differs; });
    m_differences->Fill(rows);
    m_differences->setHorizontalHeaderLabels(
        {Tr(kStrListGroup), Tr(kStrListParameterName), firstCaption, secondCaption});
    m_differences->SizeColumns();
    m_summary->setText(FromStd(CompareResultText(mismatches)));
}

void CHistoryWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    m_differences->SizeColumns();
}

void CHistoryWindow::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    m_differences->SizeColumns();
}
