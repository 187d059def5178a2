#include "monitor/qt/CMeterPanel.h"

#include "model/CParBase.h"
#include "monitor/qt/CMeter.h"
#include "monitor/qt/CMeterPage.h"

CMeterPanel::CMeterPanel(QWidget* parent) : QWidget(parent) {
    for (int i = 0; i < CMeterPanelModel::kMeterCount; ++i)
        m_pages[i] = new CMeterPage(m_model.meter(i), this);
    m_pages[2]->setVisible(m_model.thirdPageVisible());
    placePages();
}

QSize CMeterPanel::sizeHint() const {
    const QSize page = m_pages[0]->sizeHint();
    return QSize(page.width() * CMeterPanelModel::kMeterCount, page.height());
}

QSize CMeterPanel::minimumSizeHint() const {
    const QSize page = m_pages[0]->minimumSizeHint();
    return QSize(page.width() * CMeterPanelModel::kMeterCount, page.height());
}

void CMeterPanel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    placePages();
}

// Fixed slots: a hidden third page leaves its slot empty rather than widening the others.
void CMeterPanel::placePages() {
    const int n = CMeterPanelModel::kMeterCount;
    const int pageWidth = width() / n;
    for (int i = 0; i < n; ++i)
        m_pages[i]->setGeometry(i * pageWidth, 0, pageWidth, height());
}

void CMeterPanel::update(CParBase* model) {
    if (!model)
        return;
    m_model.update(*model);
    m_pages[2]->setVisible(m_model.thirdPageVisible());
    for (int i = 0; i < CMeterPanelModel::kMeterCount; ++i) {
        const CMeterModel& meter = m_model.meter(i);
        if (!meter.dirty())
            continue;
        CMeter* widget = m_pages[i]->meter();
        widget->update();
        // Drawn, not made of labels: a screen reader gets the title and the reading as text.
        QString name = QString::fromStdString(meter.title());
        QString reading = QString::fromStdString(meter.valueText() + " " + meter.subText());
        if (widget->accessibleName() != name)
            widget->setAccessibleName(name);
        if (widget->accessibleDescription() != reading)
            widget->setAccessibleDescription(reading);
    }
}
