#pragma once

#include <QWidget>

class CMeter;
class CMeterModel;

// One page of the meter panel: its meter fills the page.
class CMeterPage : public QWidget {
    Q_OBJECT
public:
    // model is borrowed and must outlive the page.
    CMeterPage(CMeterModel& model, QWidget* parent);

    CMeter* meter() const { return m_meter; }

private:
    CMeter* m_meter;
};
