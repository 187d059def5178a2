#include "monitor/qt/CGraph.h"

#include "gui/QtText.h"
#include "monitor/qt/CQtDrawSurface.h"
#include "resources/CaptionIds.h"

#include <QEvent>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPrinter>

namespace {
Colour FromQColor(const QColor& c) {
    return Colour{static_cast<uint8_t>(c.red()), static_cast<uint8_t>(c.green()),
                  static_cast<uint8_t>(c.blue())};
}
} // namespace

CGraph::CGraph(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    takePaletteColours();
}

void CGraph::takePaletteColours() {
    const QPalette& p = palette();
    m_view.setColours(FromQColor(p.color(QPalette::Window)),
                      FromQColor(p.color(QPalette::WindowText)),
                      FromQColor(p.color(QPalette::WindowText)), m_view.traceColour());
}

void CGraph::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange) {
        takePaletteColours();
        update();
    }
    QWidget::changeEvent(event);
}

void CGraph::redrawIfNeeded() {
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = size() * ratio;
    if (pixels.isEmpty())
        return;
    if (m_picture.size() != pixels) {
        m_picture = QPixmap(pixels);
        m_picture.setDevicePixelRatio(ratio);
        // The plot rectangle changes with the size: the per-pixel scales of panning must follow.
        m_view.setView(m_view.timeMin(), m_view.timeMax(), m_view.valueMin(), m_view.valueMax());
    }
    if (!m_view.dirty())
        return;
    QPainter painter(&m_picture);
    CQtDrawSurface surface(painter, CQtDrawSurface::ScreenFont());
    m_view.draw(Rect{0, 0, width(), height()}, surface, false);
}

const QPixmap& CGraph::picture() {
    redrawIfNeeded();
    return m_picture;
}

void CGraph::paintEvent(QPaintEvent*) {
    redrawIfNeeded();
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_picture);
    if (m_view.dragState() != CGraphView::DragState::RubberBand)
        return;
    // The focus rectangle: dotted, inverting what lies under it so that it shows on any colour.
    const Rect band = m_view.rubberBand();
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter.setPen(QPen(Qt::white, 1, Qt::DotLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(band.left, band.top, std::max(0, band.width() - 1),
                     std::max(0, band.height() - 1));
}

void CGraph::repaintIf(bool changed) {
    if (changed)
        update();
}

void CGraph::mousePressEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    if (event->button() == Qt::LeftButton)
        repaintIf(m_view.leftButtonDown(p.x(), p.y()));
    else if (event->button() == Qt::RightButton)
        repaintIf(m_view.rightButtonDown(p.x(), p.y()));
}

void CGraph::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        repaintIf(m_view.leftDoubleClick());
    else if (event->button() == Qt::RightButton)
        repaintIf(m_view.rightDoubleClick());
}

void CGraph::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    repaintIf(m_view.mouseMove(p.x(), p.y()));
}

void CGraph::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    if (event->button() == Qt::LeftButton)
        repaintIf(m_view.leftButtonUp(p.x(), p.y()));
    else if (event->button() == Qt::RightButton)
        repaintIf(m_view.rightButtonUp(p.x(), p.y()));
}

bool CGraph::print(QPrinter& printer, const QStringList& header) {
    printer.setDocName(Tr(kCapGraphDocument));
    return printOn(printer, header);
}

bool CGraph::printOn(QPaintDevice& device, const QStringList& header) {
    // The page takes the shape of the picture on screen; give it one if there was none yet.
    if (m_view.clientRect().empty()) {
        m_view.setDirty();
        redrawIfNeeded();
    }
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    // The trace is not clipped to the plot; on screen the picture's edge bounds it, on paper
    // the fitted rectangle must.
    int top = 0;
    if (!header.isEmpty()) {
        QFont font = CQtDrawSurface::PrinterFont(device);
        painter.setFont(font);
        painter.setPen(Qt::black);
        const int line = QFontMetrics(font, &device).lineSpacing();
        for (const QString& text : header) {
            painter.drawText(QRect(0, top, device.width(), line), Qt::AlignLeft | Qt::AlignTop,
                             text);
            top += line;
        }
        top += line; // a blank line between header and picture
    }
    painter.translate(0, top);
    const int height = device.height() - top;
    const Rect page = CGraphView::printRect(device.width(), height, m_view.clientRect());
    painter.setClipRect(QRect(page.left, page.top, page.width(), page.height()));
    {
        CQtDrawSurface surface(painter, CQtDrawSurface::PrinterFont(device));
        m_view.print(surface, device.width(), height);
    }
    const bool ok = painter.end();
    update();
    return ok;
}
