#pragma once

#include "monitor/CMeterPanelModel.h"

#include <QWidget>

class CMeterPage;
class CParBase;

// The device pane's live meters: three pages side by side, each a third of the panel wide, the
// third hidden in the layout of one input and at most one output. Fed with the parameter set of
// every poll result; reads everything it shows from it. Window thread only.
class CMeterPanel : public QWidget {
    Q_OBJECT
public:
    explicit CMeterPanel(QWidget* parent);

    // Layout, ranges, values and alarm state from model (null: nothing changes); repaints the
    // meters whose picture changed.
    void update(CParBase* model);
    using QWidget::update;

    CMeterPage* page(int index) const { return m_pages[index]; }
    const CMeterPanelModel& model() const { return m_model; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void placePages();

    CMeterPanelModel m_model;
    CMeterPage* m_pages[CMeterPanelModel::kMeterCount];
};
