#pragma once

#include <QPixmap>
#include <QWidget>

class CMeterModel;

// One vertical bar meter: a thin widget over its CMeterModel. The picture is drawn into an
// off-screen pixmap only when the model is dirty (or the widget changed size) and copied to the
// screen on every paint, so that a poll update repaints without flicker.
class CMeter : public QWidget {
    Q_OBJECT
public:
    // model is borrowed and must outlive the meter.
    CMeter(CMeterModel& model, QWidget* parent);

    CMeterModel& model() { return m_model; }
    // The off-screen picture, redrawn first when dirty (tests and screenshots).
    const QPixmap& picture();

    QSize sizeHint() const override { return QSize(110, 260); }
    QSize minimumSizeHint() const override { return QSize(70, 120); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void takePaletteColours();
    void redrawIfNeeded();

    CMeterModel& m_model;
    QPixmap m_picture;
};
