#pragma once

#include "monitor/IDrawSurface.h"

#include <QFont>
#include <QFontMetrics>
#include <QPen>
#include <QPoint>
#include <QPolygon>

class QPainter;
class QPaintDevice;

// IDrawSurface over a QPainter that is active for the whole life of the surface. Connected
// LineTo calls are collected and stroked as one polyline (a wide pen then joins its segments,
// and a trace of thousands of segments costs one stroke); the polyline is flushed before any
// other operation and when the surface goes.
class CQtDrawSurface : public IDrawSurface {
public:
    // painter is borrowed; font is what DrawText and TextExtent use.
    CQtDrawSurface(QPainter& painter, const QFont& font);
    ~CQtDrawSurface() override;
    CQtDrawSurface(const CQtDrawSurface&) = delete;
    CQtDrawSurface& operator=(const CQtDrawSurface&) = delete;

    // The default dialog font, for the screen and off-screen pictures.
    static QFont ScreenFont();
    // The default dialog font for a printer: its screen height in pixels times the printer's
    // vertical resolution over the screen's, so that labels keep their physical size.
    static QFont PrinterFont(const QPaintDevice& printer);

    void FillRect(const Rect& rect, Colour colour) override;
    void SetPen(const Pen& pen) override;
    void MoveTo(int x, int y) override;
    void LineTo(int x, int y) override;
    void DrawText(int x, int y, const std::string& text, int align, Colour colour) override;
    TextSize TextExtent(const std::string& text) override;

    // Strokes the pending polyline.
    void Flush();

private:
    QPainter& m_painter;
    QFont m_font;
    QFontMetrics m_metrics;
    QPen m_pen;
    QPoint m_position;
    QPolygon m_polyline; // from the last MoveTo; empty when nothing is pending
};
