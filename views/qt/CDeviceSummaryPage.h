#pragma once

#include <QWidget>

class CParameterListCtrl;

// A device pane page holding one parameter list (Device Info.: group 10, Basic: group 0 of the
// device's set); the main window gives it its set and group on every poll result.
class CDeviceSummaryPage : public QWidget {
    Q_OBJECT
public:
    explicit CDeviceSummaryPage(QWidget* parent = nullptr);

    CParameterListCtrl* List() const { return m_list; }

protected:
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    CParameterListCtrl* m_list;
};
