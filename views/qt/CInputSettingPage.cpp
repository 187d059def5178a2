#include "views/qt/CInputSettingPage.h"

#include "model/CParBase.h"
#include "views/qt/CParameterListCtrl.h"

#include <QKeyEvent>
#include <QPushButton>

namespace {
constexpr int kMargin = 4;
constexpr int kButtonGap = 4; // between the list's bottom and the button's top
} // namespace

CInputSettingPage::CInputSettingPage(QWidget* parent)
    : QWidget(parent), m_list(new CParameterListCtrl(this)), m_action(new QPushButton(this)) {
    setObjectName("CInputSettingPage");
    m_action->setObjectName("groupAction");
    m_action->hide();
    m_list->SetUp();
    connect(m_action, &QPushButton::clicked, this, &CInputSettingPage::RunAction);
}

void CInputSettingPage::SetGroup(int group, CParBase* set) {
    m_set = set;
    if (group != m_group) {
        m_group = group;
        std::string caption = m_set ? m_set->GetGroupActionCaption(group, 0) : std::string();
        m_actionShown = !caption.empty();
        if (m_actionShown)
            m_action->setText(QString::fromStdString(caption));
        m_action->setVisible(m_actionShown);
        Layout();
        m_list->HideEditors();
    }
    m_list->SetParameterSet(m_set);
    m_list->SetGroup(m_group);
    m_list->Refresh();
}

void CInputSettingPage::Layout() {
    int buttonHeight = m_action->sizeHint().height();
    int buttonWidth = std::max(m_action->sizeHint().width(), 100);
    QRect button(width() - kMargin - buttonWidth, height() - kMargin - buttonHeight, buttonWidth,
                 buttonHeight);
    m_action->setGeometry(button);
    int top = kMargin;
    // With the button the list ends just above it; without, it reaches the button's bottom edge.
    int bottom = m_actionShown ? button.top() - kButtonGap : button.bottom() + 1;
    m_list->setGeometry(kMargin, top, width() - 2 * kMargin, bottom - top);
    m_list->FitHeight();
}

void CInputSettingPage::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Layout();
}

void CInputSettingPage::RunAction() {
    if (m_set == nullptr)
        return;
    m_set->RunGroupAction(static_cast<QWidget*>(this), m_group, 0);
    // The action may have changed values: shown, and told as an edit of the list is.
    m_list->SetParameterSet(m_set);
    m_list->SetGroup(m_group);
    m_list->Refresh();
    m_list->NotifyObservers();
}

void CInputSettingPage::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        m_list->HideEditors();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}
