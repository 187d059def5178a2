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

// Parts of Qt's raster engine and font code run AVX instructions and return with the upper
// halves of the vector registers in use. The plain SSE arithmetic of the graph's point walk that
// follows then runs several times slower (about 3 ms become 13 ms for a million points), so every
// call into Qt ends with vzeroupper. The registers are not live across a call by the ABI.
#if defined(__x86_64__) || defined(__i386__)
__attribute__((target("avx"))) void ZeroUpperAvx() {
    __builtin_ia32_vzeroupper();
}
const bool kHasAvx = __builtin_cpu_supports("avx");
void LeaveQt() {
    if (kHasAvx)
        ZeroUpperAvx();
}
#else
void LeaveQt() {}
#endif

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
    // Square caps close the corners between the segments of a wide trace the way round ones do,
    // and keep Qt's raster engine on its fast path for thick lines (round caps are stroked as
    // curves: about a hundred times slower for a trace of a few thousand segments).
    m_pen = QPen(Qt::black, 1, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
    m_painter.setPen(m_pen);
    LeaveQt();
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
    if (!m_lines.isEmpty())
        m_painter.drawLines(m_lines);
    m_lines.clear();
    LeaveQt();
}

void CQtDrawSurface::FillRect(const Rect& rect, Colour colour) {
    Flush();
    m_painter.fillRect(QRect(rect.left, rect.top, rect.width(), rect.height()), ToQColor(colour));
    LeaveQt();
}

void CQtDrawSurface::SetPen(const Pen& pen) {
    Flush();
    m_pen.setColor(ToQColor(pen.colour));
    m_pen.setWidth(std::max(1, pen.width));
    m_painter.setPen(m_pen);
    LeaveQt();
}

void CQtDrawSurface::MoveTo(int x, int y) {
    Flush();
    m_position = QPoint(x, y);
}

void CQtDrawSurface::LineTo(int x, int y) {
    const QPoint to(x, y);
    m_lines.append(QLine(m_position, to));
    m_position = to;
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
    LeaveQt();
}

TextSize CQtDrawSurface::TextExtent(const std::string& text) {
    const QString s = QString::fromStdString(text);
    const TextSize size{m_metrics.horizontalAdvance(s), m_metrics.height()};
    LeaveQt();
    return size;
}
