#pragma once

#include "views/CompareWalk.h"

#include <QColor>
#include <QTableWidget>

// The list of Compare Results: group, parameter name, device text, file text; the values that
// differ in red, the two greens alternating from one group to the next. Row data: the header
// counter in the high 16 bits, 1 in the low 16 bits when the row differs.
class CCompareList : public QTableWidget {
    Q_OBJECT
public:
    explicit CCompareList(QWidget* parent = nullptr);

    static constexpr int kRowDataRole = Qt::UserRole;

    // Columns with their headers and initial widths.
    void SetUp();
    void Fill(const std::vector<CompareRow>& rows);
    // Column 0 := W - 3u, columns 1 to 3 := u, with u = W x 0.25 truncated.
    void SizeColumns();
    uint32_t RowData(int row) const;
    QColor CellBackground(int row, int column) const;
    QString ToolTipAt(const QPoint& viewportPos) const;

protected:
    bool viewportEvent(QEvent* event) override;
};
