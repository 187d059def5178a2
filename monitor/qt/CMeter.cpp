#include "monitor/qt/CMeter.h"

#include "monitor/CMeterModel.h"
#include "monitor/qt/CQtDrawSurface.h"

#include <QEvent>
#include <QPainter>

namespace {
Colour FromQColor(const QColor& c) {
    return Colour{static_cast<uint8_t>(c.red()), static_cast<uint8_t>(c.green()),
                  static_cast<uint8_t>(c.blue())};
}
} // namespace

CMeter::CMeter(CMeterModel& model, QWidget* parent) : QWidget(parent), m_model(model) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    takePaletteColours();
}

void CMeter::takePaletteColours() {
    m_model.setSystemColours(FromQColor(palette().color(QPalette::Button)),
                             FromQColor(palette().color(QPalette::ButtonText)));
}

void CMeter::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange) {
        takePaletteColours();
        update();
    }
    QWidget::changeEvent(event);
}

void CMeter::redrawIfNeeded() {
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = size() * ratio;
    if (pixels.isEmpty())
        return;
    const bool resized = m_picture.size() != pixels;
    if (resized) {
        m_picture = QPixmap(pixels);
        m_picture.setDevicePixelRatio(ratio);
    }
    if (!resized && !m_model.dirty())
        return;
    QPainter painter(&m_picture);
    CQtDrawSurface surface(painter, CQtDrawSurface::ScreenFont());
    m_model.draw(Rect{0, 0, width(), height()}, surface);
}

const QPixmap& CMeter::picture() {
    redrawIfNeeded();
    return m_picture;
}

void CMeter::paintEvent(QPaintEvent*) {
    redrawIfNeeded();
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_picture);
}
