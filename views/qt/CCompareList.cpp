#include "views/qt/CCompareList.h"

#include "gui/QtText.h"
#include "resources/StringIds.h"

#include <QHeaderView>
#include <QHelpEvent>
#include <QToolTip>

namespace {
constexpr uint32_t kMismatchColour = 0x9696FF; // red 255, green 150, blue 150
constexpr uint32_t kGreenA = 0x96FF64;         // red 100, green 255, blue 150
constexpr uint32_t kGreenB = 0x82EB50;         // red 80, green 235, blue 130
constexpr int kToolTipChars = 79;
} // namespace

CCompareList::CCompareList(QWidget* parent) : QTableWidget(parent) {
    setObjectName("CCompareList");
}

void CCompareList::SetUp() {
    setColumnCount(4);
    setHorizontalHeaderLabels({Tr(kStrListGroup), Tr(kStrListParameterName),
                               Tr(kStrListDeviceConfiguration), Tr(kStrListFileConfiguration)});
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
    horizontalHeader()->setHighlightSections(false);
    setShowGrid(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    setColumnWidth(0, 80);
    setColumnWidth(1, 100);
    setColumnWidth(2, 150);
    setColumnWidth(3, 150);
}

void CCompareList::Fill(const std::vector<CompareRow>& rows) {
    setRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        const CompareRow& row = rows[r];
        uint32_t rowData =
            (static_cast<uint32_t>(row.headerCounter) << 16) | (row.differs ? 1u : 0u);
        const std::string* texts[] = {&row.group, &row.name, &row.deviceText, &row.fileText};
        for (int c = 0; c < 4; ++c) {
            auto* cell = new QTableWidgetItem(FromStd(*texts[c]));
            cell->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            if (c == 0)
                cell->setData(kRowDataRole, rowData);
            setItem(r, c, cell);
        }
        for (int c = 0; c < 4; ++c) {
            QColor background = CellBackground(r, c);
            item(r, c)->setBackground(background);
            item(r, c)->setForeground(ReadableOn(palette().color(QPalette::Text), background));
        }
    }
}

void CCompareList::SizeColumns() {
    int w = viewport()->width();
    int u = static_cast<int>(w * 0.25);
    setColumnWidth(0, w - 3 * u);
    for (int c = 1; c < 4; ++c)
        setColumnWidth(c, u);
}

uint32_t CCompareList::RowData(int row) const {
    const QTableWidgetItem* cell = item(row, 0);
    return cell ? cell->data(kRowDataRole).toUInt() : 0;
}

QColor CCompareList::CellBackground(int row, int column) const {
    uint32_t rowData = RowData(row);
    if (column >= 2)
        return (rowData & 0xFFFF) == 1 ? FromColorRef(kMismatchColour)
                                       : palette().color(QPalette::Base);
    bool groupBit = (rowData >> 16) & 1;
    bool first = (column == 0 && !groupBit) || (column == 1 && groupBit);
    return FromColorRef(first ? kGreenA : kGreenB);
}

QString CCompareList::ToolTipAt(const QPoint& viewportPos) const {
    const QTableWidgetItem* cell = itemAt(viewportPos);
    return cell ? cell->text().left(kToolTipChars) : QString();
}

bool CCompareList::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const QTableWidgetItem* cell = itemAt(help->pos());
        QString text = ToolTipAt(help->pos());
        if (cell == nullptr || text.isEmpty()) {
            QToolTip::hideText();
            event->ignore();
        } else {
            QToolTip::showText(help->globalPos(), text, viewport(), visualItemRect(cell));
        }
        return true;
    }
    return QTableWidget::viewportEvent(event);
}
