#pragma once

#include "comm/CObservable.h"

#include <QComboBox>
#include <QPointer>
#include <QRect>

#include <string>
#include <vector>

// The list editor of in-place editing: a drop-down list over the value cell. Choosing an entry
// commits; closing the list without a choice or losing the focus cancels. Either way the
// editor hides and notifies its CParEdit.
class CEditComboBox : public QComboBox, public CObservable {
    Q_OBJECT
public:
    CEditComboBox(QWidget* viewport, QWidget* list);

    bool Committed() const { return m_committed; }
    bool IsOpen() const { return m_open; }
    void SetCellRect(const QRect& rect) { m_cell = rect; }

    // Fills the list, selects `selected`, shows it over the cell with the focus and drops it down.
    void Open(const std::vector<std::string>& items, int selected);
    // Hides the editor; no result reaches anyone.
    void Abandon();

    void hidePopup() override;

protected:
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // Fills the entries; the bitmap variant adds its pictures.
    virtual void Fill(const std::vector<std::string>& items);

private:
    void End(bool committed);

    QPointer<QWidget> m_list;
    QRect m_cell{0, 0, 100, 200};
    bool m_committed = false;
    bool m_open = false;
};
