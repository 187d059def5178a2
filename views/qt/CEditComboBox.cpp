#include "views/qt/CEditComboBox.h"

#include <QAbstractItemView>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QTimer>

CEditComboBox::CEditComboBox(QWidget* viewport, QWidget* list) : QComboBox(viewport), m_list(list) {
    setObjectName("CEditComboBox");
    hide();
    // The choice ends the edit even when it is the entry already selected.
    connect(this, &QComboBox::activated, this, [this](int) {
        if (m_open)
            End(true);
    });
}

void CEditComboBox::Fill(const std::vector<std::string>& items) {
    for (const std::string& item : items)
        addItem(QString::fromStdString(item));
}

void CEditComboBox::Open(const std::vector<std::string>& items, int selected) {
    clear();
    Fill(items);
    setCurrentIndex(selected >= 0 && selected < count() ? selected : 0);
    QRect rect = m_cell;
    rect.setHeight(std::max(m_cell.height(), sizeHint().height()));
    setGeometry(rect);
    m_committed = false;
    m_open = true;
    show();
    raise();
    setFocus(Qt::OtherFocusReason);
    showPopup();
}

void CEditComboBox::Abandon() {
    bool hadFocus = hasFocus() || view()->isVisible();
    m_open = false;
    if (view()->isVisible())
        QComboBox::hidePopup();
    hide();
    if (hadFocus && m_list)
        m_list->setFocus(Qt::OtherFocusReason);
}

void CEditComboBox::End(bool committed) {
    m_open = false;
    m_committed = committed;
    // Hiding a focused child makes Qt hand the focus on, which the list takes for a Tab and
    // answers by moving its selection one row down: the list takes the focus back first.
    if (hasFocus() && m_list)
        m_list->setFocus(Qt::OtherFocusReason);
    hide();
    NotifyObservers();
}

void CEditComboBox::hidePopup() {
    QComboBox::hidePopup();
    if (!m_open)
        return;
    // The list closes before it reports a choice: a choice arrives right after this, in the
    // same event; when none has come by the next turn of the event loop the list was cancelled.
    QTimer::singleShot(0, this, [this] {
        if (m_open && !view()->isVisible())
            End(false);
    });
}

void CEditComboBox::focusOutEvent(QFocusEvent* event) {
    QComboBox::focusOutEvent(event);
    // The drop-down takes the focus while it is open; that is not the end of the edit.
    if (event->reason() == Qt::PopupFocusReason || view()->isVisible())
        return;
    if (m_open)
        End(false);
}

void CEditComboBox::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        event->accept();
        if (m_open)
            End(true);
        return;
    case Qt::Key_Escape:
        event->accept();
        if (m_open)
            End(false);
        return;
    default:
        QComboBox::keyPressEvent(event);
    }
}
