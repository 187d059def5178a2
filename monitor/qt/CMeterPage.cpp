#include "monitor/qt/CMeterPage.h"

#include "monitor/qt/CMeter.h"

#include <QVBoxLayout>

CMeterPage::CMeterPage(CMeterModel& model, QWidget* parent)
    : QWidget(parent), m_meter(new CMeter(model, this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(m_meter);
}
