#include "views/qt/CParameterListCtrl.h"

#include "comm/CCommInterface.h"
#include "comm/CPrivateException.h"
#include "gui/DeviceHistory.h"
#include "gui/QtText.h"
#include "model/CParBase.h"

#include <QApplication>
#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QToolTip>

#include <mutex>

namespace {
constexpr uint32_t kHeaderColour = 0x96FF64;    // red 100, green 255, blue 150
constexpr uint32_t kEditableColour = 0xB4FFFF;  // red 255, green 255, blue 180
constexpr uint32_t kHighlightColour = 0xFF0000; // blue
constexpr int kFirstHeaderId = 65000;
constexpr int kToolTipChars = 79; // the tool tip buffer held 80 characters with the terminator

// Paints each cell in the list's colours.
class CParameterCellDelegate : public QStyledItemDelegate {
public:
    explicit CParameterCellDelegate(CParameterListCtrl* list)
        : QStyledItemDelegate(list), m_list(list) {}

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        option->backgroundBrush = m_list->CellBackground(index.row(), index.column());
        option->palette.setColor(QPalette::Text,
                                 m_list->CellForeground(index.row(), index.column()));
    }

private:
    CParameterListCtrl* m_list;
};
} // namespace

CParameterListCtrl::CParameterListCtrl(QWidget* parent) : QTableWidget(parent) {
    setObjectName("CParameterListCtrl");
    AddObserver(&m_edit);
    m_edit.AddObserver(this);
    setItemDelegate(new CParameterCellDelegate(this));
    connect(this, &QTableWidget::cellClicked, this, [this](int row, int column) {
        if (column == kValueColumn)
            StartEdit(row);
    });
    // Scrolling abandons the running edit: the editor would no longer cover its cell.
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { HideEditors(); });
}

CParameterListCtrl::~CParameterListCtrl() {
    m_edit.DestroyEditors();
}

void CParameterListCtrl::SetUp() {
    setRowCount(0);
    setColumnCount(3);
    setHorizontalHeaderLabels({QString(), QString(), QString()});
    horizontalHeader()->hide();
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    setColumnHidden(0, true);
    setShowGrid(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setWordWrap(false);
    SizeColumns();
    if (!m_edit.TextEditor())
        m_edit.Create(viewport(), this);
}

int CParameterListCtrl::RowId(int row) const {
    const QTableWidgetItem* cell = item(row, 0);
    return cell ? cell->data(kIdRole).toInt() : -1;
}

void CParameterListCtrl::SetCellText(int row, int column, const QString& text) {
    QTableWidgetItem* cell = item(row, column);
    if (m_rewriteAll || cell->text() != text) {
        cell->setText(text);
        ++m_textWrites;
    }
}

void CParameterListCtrl::Refresh() {
    int n = m_set ? m_set->GetParameterCount(m_group) : 0;
    int c = rowCount();
    bool rewrite = m_rewriteAll;
    m_textWrites = 0;
    // Rows are added and removed with painting off so that the list repaints once.
    bool frozen = false;
    auto freeze = [&] {
        if (!frozen && updatesEnabled()) {
            setUpdatesEnabled(false);
            frozen = true;
        }
    };
    for (int i = 0; i < n; ++i) {
        int id = m_set->GetParameterId(m_group, i);
        QString name = QString::fromStdString(m_set->GetParameterName(id));
        if (i >= c) {
            freeze();
            insertRow(i);
            for (int column = 0; column < 3; ++column) {
                auto* cell = new QTableWidgetItem();
                cell->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
                setItem(i, column, cell);
            }
        }
        // The id, and what the colours need, are kept in the row: painting never reaches the
        // set, which a device thread may be replacing meanwhile.
        QTableWidgetItem* idCell = item(i, 0);
        idCell->setData(kIdRole, id);
        idCell->setData(kKindRole, m_set->GetParameterKind(id));
        idCell->setData(kHighlightRole, m_set->GetHighlightValue(id) >= 0);
        SetCellText(i, kNameColumn, name);
        SetCellText(i, kValueColumn,
                    QString::fromStdString(m_set->FormatValue(id, m_set->GetValue(id), true)));
    }
    if (rowCount() > n) {
        freeze();
        setRowCount(n);
    }
    if (frozen)
        setUpdatesEnabled(true);
    // An item ignores a text equal to the one it holds; the repaint is what a rewrite is for
    // (the colours follow the read-only state).
    if (rewrite)
        viewport()->update();
    m_rewriteAll = false;
    SizeColumns();
}

void CParameterListCtrl::SizeColumns() {
    int width = viewport()->width();
    setColumnWidth(0, 0);
    setColumnWidth(kNameColumn, width / 2);
    setColumnWidth(kValueColumn, width - width / 2);
}

void CParameterListCtrl::FitHeight() {
    int step = rowCount() > 0 ? rowHeight(0) : verticalHeader()->defaultSectionSize();
    if (step <= 0)
        return;
    // From the frame, not the viewport: the viewport follows a new size only with the next
    // resize event, which a hidden list has not had yet.
    int chrome = 2 * frameWidth() +
                 (horizontalHeader()->isHidden() ? 0 : horizontalHeader()->sizeHint().height());
    int rows = std::max(1, (height() - chrome) / step);
    resize(width(), chrome + rows * step);
}

void CParameterListCtrl::StartEdit(int row, const QString& firstChar) {
    if (m_readOnly || m_set == nullptr)
        return;
    if (row < 0) {
        row = currentRow();
        if (row < 0 || !item(row, 0) || !item(row, 0)->isSelected())
            return;
    }
    if (row >= rowCount())
        return;
    m_edit.SetCellRect(visualItemRect(item(row, kValueColumn)));
    m_editedId = RowId(row);
    if (m_link == nullptr) {
        m_set->BeginEdit(m_editedId, m_edit, firstChar.toStdString());
        return;
    }
    // A device set is written by the polling thread under the connection lock (and may even be
    // replaced by it): it is read only under that lock too.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    std::unique_lock lock(m_link->Lock());
    QApplication::restoreOverrideCursor();
    if (m_liveSet)
        m_set = m_liveSet();
    if (m_set)
        m_set->BeginEdit(m_editedId, m_edit, firstChar.toStdString());
}

void CParameterListCtrl::Update(CObservable* source) {
    if (source != &m_edit)
        return;
    // The list takes the focus back below, which ends the editor once more with a cancel that
    // overwrites the editor pair's record: act on a copy.
    CEditResult result = m_edit.Result();
    if (result.result != 0) {
        ApplyEdit(result); // a device list refreshes there, under the connection lock
        if (m_link == nullptr)
            Refresh();
        NotifyObservers();
        m_rewriteAll = true;
    }
    setFocus(Qt::OtherFocusReason);
    viewport()->update();
    if (result.result != 0 && (result.navigation == 1 || result.navigation == 2))
        MoveAndEdit(result.navigation);
}

void CParameterListCtrl::ApplyEdit(const CEditResult& result) {
    try {
        if (m_link) {
            QApplication::setOverrideCursor(Qt::WaitCursor);
            struct CursorRestore {
                ~CursorRestore() { QApplication::restoreOverrideCursor(); }
            } restore;
            std::lock_guard lock(m_link->Lock());
            // The rows are read from the live set while the polling thread cannot write it,
            // whether the write went through or not.
            try {
                WriteEdit(result);
            } catch (const CPrivateException&) {
                Refresh();
                throw;
            }
            Refresh();
        } else {
            m_set->SetFromEditor(m_editedId, result);
        }
    } catch (const CPrivateException& e) {
        e.ReportError(CPrivateException::Icon::Warning);
    }
}

void CParameterListCtrl::WriteEdit(const CEditResult& result) {
    if (m_liveSet)
        m_set = m_liveSet();
    if (m_set == nullptr)
        return;
    std::string before = m_set->GetValueText(m_editedId);
    DeviceOperation write("write");
    write.before = m_set->FileText();
    m_set->SetFromEditor(m_editedId, result);
    try {
        m_set->WriteParameter(*m_link, m_editedId);
    } catch (const CPrivateException& e) {
        // The device kept its value: so does the list.
        m_set->SetValueText(m_editedId, before, false);
        write.failed = true;
        write.error = e.Message();
        RecordDeviceOperation(write);
        throw;
    }
    write.after = m_set->FileText();
    RecordDeviceOperation(write);
    for (const std::string& warning : m_set->TakeWarnings())
        ShowMessage(warning, CPrivateException::Icon::Warning);
}

void CParameterListCtrl::MoveAndEdit(int navigation) {
    int r = currentRow();
    if (r < 0 || rowCount() == 0)
        return;
    int target = navigation == 1 ? r + 1 : r - 1;
    target = std::clamp(target, 0, rowCount() - 1);
    setCurrentCell(target, kNameColumn,
                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollToItem(item(target, kNameColumn));
    StartEdit(-1);
}

QColor CParameterListCtrl::CellBackground(int row, int column) const {
    const QTableWidgetItem* idCell = item(row, 0);
    int id = idCell ? idCell->data(kIdRole).toInt() : -1;
    if (column == kNameColumn || id >= kFirstHeaderId)
        return FromColorRef(kHeaderColour);
    if (idCell && idCell->data(kKindRole).toInt() != kKindReadOnly && !m_readOnly)
        return FromColorRef(kEditableColour);
    return palette().color(QPalette::Base);
}

QColor CParameterListCtrl::CellForeground(int row, int column) const {
    const QTableWidgetItem* idCell = item(row, 0);
    // The palette's text on the fixed light cells of a dark palette would be white on yellow.
    QColor text = column == kValueColumn && idCell && idCell->data(kHighlightRole).toBool()
                      ? FromColorRef(kHighlightColour)
                      : palette().color(QPalette::Text);
    return ReadableOn(text, CellBackground(row, column));
}

QString CParameterListCtrl::ToolTipAt(const QPoint& viewportPos) const {
    const QTableWidgetItem* cell = itemAt(viewportPos);
    if (cell == nullptr)
        return {};
    return cell->text().left(kToolTipChars);
}

void CParameterListCtrl::keyPressEvent(QKeyEvent* event) {
    QString text = event->text();
    if (!text.isEmpty() && text.at(0).isPrint()) {
        StartEdit(-1, text);
        event->accept();
        return;
    }
    QTableWidget::keyPressEvent(event);
}

void CParameterListCtrl::resizeEvent(QResizeEvent* event) {
    QTableWidget::resizeEvent(event);
    SizeColumns();
}

bool CParameterListCtrl::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        QString text = ToolTipAt(help->pos());
        const QTableWidgetItem* cell = itemAt(help->pos());
        if (text.isEmpty() || cell == nullptr) {
            QToolTip::hideText();
            event->ignore();
        } else {
            QToolTip::showText(help->globalPos(), text, viewport(), visualItemRect(cell));
        }
        return true;
    }
    return QTableWidget::viewportEvent(event);
}
