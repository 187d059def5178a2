#include "monitor/qt/CQtDrawSurface.h"

#include <QApplication>
#include <QColor>
#include <QPaintDevice>
#include <QPainter>
#include <QScreen>
#include <QString>

#include <algorithm>
#include <cmath>

namespace {
QColor ToQColor(Colour c) {
    return QColor(c.r, c.g, c.b);
}

double ScreenDpiY() {
    if (QScreen* screen = QGuiApplication::primaryScreen())
        return screen->logicalDotsPerInchY();
    return 96.0;
}
} // namespace

CQtDrawSurface::CQtDrawSurface(QPainter& painter, const QFont& font)
    : m_painter(painter), m_font(font), m_metrics(font, painter.device()) {
    m_painter.setFont(m_font);
    m_painter.setBackgroundMode(Qt::TransparentMode);
    m_painter.setBrush(Qt::NoBrush);
    m_pen = QPen(Qt::black, 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    m_painter.setPen(m_pen);
}

CQtDrawSurface::~CQtDrawSurface() {
    Flush();
}

QFont CQtDrawSurface::ScreenFont() {
    return QApplication::font();
}

QFont CQtDrawSurface::PrinterFont(const QPaintDevice& printer) {
    QFont font = QApplication::font();
    const double screenDpi = ScreenDpiY();
    const double screenPixels =
        font.pixelSize() > 0 ? font.pixelSize() : font.pointSizeF() * screenDpi / 72.0;
    const int printerPixels =
        static_cast<int>(std::lround(screenPixels * printer.logicalDpiY() / screenDpi));
    font.setPixelSize(std::max(1, printerPixels));
    return font;
}

void CQtDrawSurface::Flush() {
    if (m_polyline.size() >= 2)
        m_painter.drawPolyline(m_polyline);
    m_polyline.clear();
}

void CQtDrawSurface::FillRect(const Rect& rect, Colour colour) {
    Flush();
    m_painter.fillRect(QRect(rect.left, rect.top, rect.width(), rect.height()), ToQColor(colour));
}

void CQtDrawSurface::SetPen(const Pen& pen) {
    Flush();
    m_pen.setColor(ToQColor(pen.colour));
    m_pen.setWidth(std::max(1, pen.width));
    m_painter.setPen(m_pen);
}

void CQtDrawSurface::MoveTo(int x, int y) {
    Flush();
    m_position = QPoint(x, y);
}

void CQtDrawSurface::LineTo(int x, int y) {
    if (m_polyline.isEmpty())
        m_polyline.append(m_position);
    m_position = QPoint(x, y);
    m_polyline.append(m_position);
}

void CQtDrawSurface::DrawText(int x, int y, const std::string& text, int align, Colour colour) {
    Flush();
    const QString s = QString::fromStdString(text);
    const int width = m_metrics.horizontalAdvance(s);
    const int height = m_metrics.height();
    int left = x;
    if (align & kAlignRight)
        left = x - width;
    else if (align & kAlignHCenter)
        left = x - width / 2;
    int top = y;
    if (align & kAlignBottom)
        top = y - height;
    else if (align & kAlignVCenter)
        top = y - height / 2;
    m_painter.setPen(ToQColor(colour));
    m_painter.drawText(QPoint(left, top + m_metrics.ascent()), s);
    m_painter.setPen(m_pen);
}

TextSize CQtDrawSurface::TextExtent(const std::string& text) {
    const QString s = QString::fromStdString(text);
    return TextSize{m_metrics.horizontalAdvance(s), m_metrics.height()};
}
