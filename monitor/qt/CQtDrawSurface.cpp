#include "monitor/qt/CQtDrawSurface.h"

#include <QApplication>
#include <QColor>
#include <QHash>
#include <QPaintDevice>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QStaticText>
#include <QString>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <unordered_map>

struct CQtDrawSurface::LaidOutText {
    QStaticText text;
    int width = 0;
};

namespace {
using LaidOutText = CQtDrawSurface::LaidOutText;

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

// Texts laid out for the screen, by font and text: a meter draws the same scale labels at every
// poll, and laying a text out costs more than drawing it.
constexpr int kLaidOutTextLimit = 512;

struct FontHash {
    std::size_t operator()(const QFont& font) const { return qHash(font); }
};

// Kept by the application object, so that no font outlives it; only its thread draws on the
// devices whose texts are kept. Node-based: a surface's table stays put when others are added.
class LaidOutTexts : public QObject {
public:
    using QObject::QObject;
    std::unordered_map<QFont, QHash<QString, LaidOutText>, FontHash> byFont;
};

QHash<QString, LaidOutText>* ScreenTexts(const QPaintDevice* device, const QFont& font) {
    const int type = device ? device->devType() : 0;
    QCoreApplication* app = QCoreApplication::instance();
    if ((type != QInternal::Widget && type != QInternal::Pixmap) || !app ||
        QThread::currentThread() != app->thread())
        return nullptr;
    static QPointer<LaidOutTexts> texts;
    if (!texts)
        texts = new LaidOutTexts(app);
    return &texts->byFont[font];
}

double ScreenDpiY() {
    if (QScreen* screen = QGuiApplication::primaryScreen())
        return screen->logicalDotsPerInchY();
    return 96.0;
}
} // namespace

CQtDrawSurface::CQtDrawSurface(QPainter& painter, const QFont& font)
    : m_painter(painter), m_font(font), m_metrics(font, painter.device()),
      m_texts(ScreenTexts(painter.device(), font)) {
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
    const LaidOutText* laidOut = LaidOut(s);
    const int width = laidOut ? laidOut->width : m_metrics.horizontalAdvance(s);
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
    if (laidOut)
        m_painter.drawStaticText(QPoint(left, top), laidOut->text);
    else
        m_painter.drawText(QPoint(left, top + m_metrics.ascent()), s);
    m_painter.setPen(m_pen);
    LeaveQt();
}

const LaidOutText* CQtDrawSurface::LaidOut(const QString& s) {
    if (!m_texts)
        return nullptr;
    QHash<QString, LaidOutText>& texts = *m_texts;
    auto it = texts.find(s);
    if (it == texts.end()) {
        if (texts.size() >= kLaidOutTextLimit)
            texts.clear();
        LaidOutText made{QStaticText(s), m_metrics.horizontalAdvance(s)};
        made.text.setTextFormat(Qt::PlainText);
        made.text.setPerformanceHint(QStaticText::AggressiveCaching);
        made.text.prepare(QTransform(), m_font);
        it = texts.insert(s, made);
    }
    return &*it;
}

TextSize CQtDrawSurface::TextExtent(const std::string& text) {
    const QString s = QString::fromStdString(text);
    const LaidOutText* laidOut = LaidOut(s);
    const TextSize size{laidOut ? laidOut->width : m_metrics.horizontalAdvance(s),
                        m_metrics.height()};
    LeaveQt();
    return size;
}
