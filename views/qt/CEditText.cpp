#include "views/qt/CEditText.h"

#include <QFocusEvent>
#include <QKeyEvent>

CEditText::CEditText(QWidget* viewport, QWidget* list) : QLineEdit(viewport), m_list(list) {
    setObjectName("CEditText");
    hide();
}

void CEditText::Open(const QString& text, const QString& firstChar) {
    setGeometry(m_cell);
    setText(text);
    selectAll();
    m_committed = false;
    m_navigation = 0;
    m_open = true;
    show();
    raise();
    setFocus(Qt::OtherFocusReason);
    if (!firstChar.isEmpty())
        insert(firstChar);
}

void CEditText::Abandon() {
    bool hadFocus = hasFocus();
    m_open = false;
    hide();
    if (hadFocus && m_list)
        m_list->setFocus(Qt::OtherFocusReason);
}

void CEditText::End(bool committed, int navigation) {
    m_committed = committed;
    m_navigation = navigation;
    NotifyObservers();
}

void CEditText::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // Taken here so that the dialog's default action never sees it.
        event->accept();
        if (m_open)
            End(true, 0);
        return;
    case Qt::Key_Down:
        event->accept();
        if (m_open)
            End(true, 1);
        return;
    case Qt::Key_Up:
        event->accept();
        if (m_open)
            End(true, 2);
        return;
    case Qt::Key_Escape:
        event->accept();
        Abandon();
        return;
    default:
        QLineEdit::keyPressEvent(event);
    }
}

void CEditText::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    if (m_open) {
        m_open = false;
        hide();
        End(false, 0);
    }
}
