#pragma once

#include "monitor/IDrawSurface.h"

#include <QFont>
#include <QFontMetrics>
#include <QHash>
#include <QLine>
#include <QList>
#include <QPen>
#include <QPoint>
#include <QString>

class QPainter;
class QPaintDevice;

// IDrawSurface over a QPainter that is active for the whole life of the surface. LineTo
// segments are collected and drawn in one batch (a trace has thousands); the batch is flushed
// before any other operation and when the surface goes.
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

    // Draws the pending segments.
    void Flush();

    struct LaidOutText;

private:
    // The text laid out for the screen, kept for the next drawing; null on other devices.
    const LaidOutText* LaidOut(const QString& text);

    QPainter& m_painter;
    QFont m_font;
    QFontMetrics m_metrics;
    QHash<QString, LaidOutText>* m_texts; // kept laid out for the screen; null elsewhere
    QPen m_pen;
    QPoint m_position;
    QList<QLine> m_lines; // drawn with m_pen at the next Flush
};
