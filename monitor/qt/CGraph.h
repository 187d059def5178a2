#pragma once

#include "monitor/CGraphView.h"

#include <QPixmap>
#include <QStringList>
#include <QWidget>

class QPaintDevice;
class QPrinter;

// The XY plot window of the trend page and the table dialogs: a thin widget over CGraphView.
// The picture is drawn into an off-screen pixmap only when the view is dirty (or the widget
// changed size) and copied to the screen on every paint. In browse mode the mouse pans (left
// drag), zooms (double clicks) and draws a rubber band (right drag). Window thread only.
class CGraph : public QWidget {
    Q_OBJECT
public:
    explicit CGraph(QWidget* parent = nullptr);

    CGraphView& view() { return m_view; }
    const CGraphView& view() const { return m_view; }

    // Prints the picture as one page of a document named as the graph document. False when the
    // printer can not be started (no output file, no printer).
    bool print(QPrinter& printer, const QStringList& header = {});
    // Draws the print picture onto any device whose width and height are the printable page in
    // device pixels, with the font scaled to the device's resolution. False when painting can
    // not start. The header lines, if any, go above the picture.
    bool printOn(QPaintDevice& device, const QStringList& header = {});

    // The off-screen picture, redrawn first when dirty (tests and screenshots).
    const QPixmap& picture();

    QSize sizeHint() const override { return QSize(640, 400); }
    QSize minimumSizeHint() const override { return QSize(200, 120); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void takePaletteColours();
    void redrawIfNeeded();
    void repaintIf(bool changed);

    CGraphView m_view;
    QPixmap m_picture;
};
