#pragma once

#include "comm/CObservable.h"

#include <QLineEdit>
#include <QPointer>
#include <QRect>

// The text editor of in-place editing: shown over the value cell, it notifies its CParEdit when
// the edit ends. Enter commits and stays, Down and Up commit and ask for the next or previous
// row, losing the focus cancels. It is a child of the list's viewport.
class CEditText : public QLineEdit, public CObservable {
    Q_OBJECT
public:
    // list: the parameter list that gets the focus back when the editor is abandoned.
    CEditText(QWidget* viewport, QWidget* list);

    bool Committed() const { return m_committed; }
    // 0 stay, 1 next row, 2 previous row.
    int Navigation() const { return m_navigation; }
    void SetCellRect(const QRect& rect) { m_cell = rect; }
    const QRect& CellRect() const { return m_cell; }
    // Open: placed over the cell, visible for an edit that has not ended yet.
    bool IsOpen() const { return m_open; }

    // Shows the editor over the cell with text, all selected, and the focus; firstChar (may be
    // empty) is typed in, replacing the selection.
    void Open(const QString& text, const QString& firstChar);
    // Hides the editor; no result reaches anyone.
    void Abandon();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void End(bool committed, int navigation);

    QPointer<QWidget> m_list;
    QRect m_cell{0, 0, 100, 100};
    bool m_committed = false;
    int m_navigation = 0;
    bool m_open = false;
};
