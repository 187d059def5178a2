#include "views/qt/CDeviceSummaryPage.h"

#include "views/qt/CParameterListCtrl.h"

#include <QKeyEvent>

namespace {
constexpr int kMargin = 4;
}

CDeviceSummaryPage::CDeviceSummaryPage(QWidget* parent)
    : QWidget(parent), m_list(new CParameterListCtrl(this)) {
    setObjectName("CDeviceSummaryPage");
    m_list->SetUp();
}

void CDeviceSummaryPage::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    m_list->setGeometry(kMargin, kMargin, width() - 2 * kMargin, height() - 2 * kMargin);
}

void CDeviceSummaryPage::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    m_list->HideEditors();
}

void CDeviceSummaryPage::keyPressEvent(QKeyEvent* event) {
    // The page's cancel action: the running edit goes, the page stays.
    if (event->key() == Qt::Key_Escape) {
        m_list->HideEditors();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}
