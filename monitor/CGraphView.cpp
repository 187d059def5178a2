#include "monitor/CGraphView.h"

#include "comm/MessageFormat.h"
#include "monitor/ColourContrast.h"

#include <algorithm>
#include <cmath>

double CGraphView::s_timeLowerBound = 0.0;

namespace {
constexpr double kStepTable[10] = {1, 1, 2, 5, 5, 5, 10, 10, 10, 10};
constexpr int kMaxTicks = 10000;
// Pixel coordinates are held to this range: far-off samples of a zoomed view must neither
// overflow an int nor reach the painter as absurd coordinates.
constexpr double kPixelLimit = 1000000.0;

int ToPixel(double d) {
    if (std::isnan(d))
        return 0;
    return static_cast<int>(std::clamp(d, -kPixelLimit, kPixelLimit));
}

std::string NumberFormat(double step, int digits) {
    if (step >= 1)
        return StrPrintf("%%%d.0lf%s", digits, "");
    return StrPrintf("%%.%dlf%s", digits, "");
}

// "-0.00" (after any padding blanks) is shown as "0.00".
void RemoveNegativeZero(std::string& text) {
    static const std::string kNegativeZero = "-0.00000000000000000000000000000000";
    std::size_t i = text.find_first_not_of(' ');
    if (i == std::string::npos || text[i] != '-')
        return;
    std::size_t n = text.size() - i;
    if (n <= kNegativeZero.size() && text.compare(i, n, kNegativeZero, 0, n) == 0)
        text.erase(i, 1);
}

// The view of one drawing: maps times and values to pixels of its plot rectangle.
struct Frame {
    Rect plot;
    double tMin, tMax, vMin, vMax;

    int column(double t) const {
        return ToPixel((t - tMin) / (tMax - tMin) * plot.width() + plot.left);
    }
    int row(double v) const {
        return ToPixel(plot.bottom - (v - vMin) / (vMax - vMin) * (plot.bottom - plot.top));
    }
};

// One column of the trace: at most two segments, down to its lowest value and up to its highest.
void FinishColumn(IDrawSurface& surface, int column, int rowOfMin, int rowOfMax) {
    surface.LineTo(column, rowOfMin);
    if (rowOfMax != rowOfMin)
        surface.LineTo(column, rowOfMax);
}
} // namespace

CGraphView::CGraphView() {
    rebuildFormats();
}

double CGraphView::timeLowerBound() {
    return s_timeLowerBound;
}

void CGraphView::resetTimeLowerBoundForTest() {
    s_timeLowerBound = 0.0;
}

void CGraphView::addSample(double time, double value) {
    if (m_store.addSample(time, value))
        m_dirty = true;
}

void CGraphView::clear() {
    m_store.clear();
    m_dirty = true;
}

void CGraphView::setRange(double tLow, double tHigh, double vLow, double vHigh) {
    m_homeTimeMin = tLow;
    m_homeTimeMax = tHigh;
    m_homeValueMin = vLow;
    m_homeValueMax = vHigh;
    if (tLow == tHigh)
        tHigh += 0.1;
    if (vLow == vHigh)
        vHigh += 0.1;
    setView(tLow, tHigh, vLow, vHigh);
}

void CGraphView::setView(double tLow, double tHigh, double vLow, double vHigh) {
    applyView(tLow, tHigh, vLow, vHigh, true);
}

void CGraphView::applyView(double tLow, double tHigh, double vLow, double vHigh, bool staleScales) {
    if (!std::isfinite(tLow) || !std::isfinite(tHigh) || !std::isfinite(vLow) ||
        !std::isfinite(vHigh))
        return;
    // Midpoints as halves summed, so that two huge values do not overflow.
    if (tHigh - tLow < 0.001) {
        tHigh = tLow / 2 + tHigh / 2 + 0.0005;
        tLow = tHigh - 0.001;
    }
    if (vHigh - vLow < 0.0001) {
        vHigh = vLow / 2 + vHigh / 2 + 0.00005;
        vLow = vHigh - 0.0001;
    }
    if (m_allowNegativeX)
        s_timeLowerBound = -kTimeLimit;
    const double lower = s_timeLowerBound;
    if (tHigh > kTimeLimit) {
        tLow = std::max(lower, tLow - (tHigh - kTimeLimit));
        tHigh = kTimeLimit;
    }
    if (tLow < lower) {
        tHigh = std::min(kTimeLimit, tHigh + (lower - tLow));
        tLow = lower;
    }
    if (vHigh > kValueLimit) {
        vLow = std::max(-kValueLimit, vLow - (vHigh - kValueLimit));
        vHigh = kValueLimit;
    }
    if (vLow < -kValueLimit) {
        vHigh = std::min(kValueLimit, vHigh + (-kValueLimit - vLow));
        vLow = -kValueLimit;
    }
    m_timeMin = tLow;
    m_timeMax = tHigh;
    m_valueMin = vLow;
    m_valueMax = vHigh;
    rebuildFormats();
    if (staleScales)
        m_scalesStale = true;
    m_dirty = true;
}

void CGraphView::rebuildFormats() {
    int digits = 0;
    m_timeStep = m_timeMax == m_timeMin ? 0 : niceStep((m_timeMax - m_timeMin) / 5, digits);
    if (m_timeAsClock) {
        m_timeFormat = m_timeStep >= 1 ? std::string("%d:%02d:%02.0lf")
                                       : StrPrintf("%%d:%%02d:%%0%d.%dlf", digits + 3, digits);
    } else {
        m_timeFormat = NumberFormat(m_timeStep, digits);
    }
    m_valueStep = niceStep((m_valueMax - m_valueMin) / 5, digits);
    m_valueFormat = NumberFormat(m_valueStep, digits);
}

void CGraphView::setUnitText(const std::string& unit) {
    m_unitText = unit;
    m_dirty = true;
}

void CGraphView::setTimeAsClock(bool on) {
    m_timeAsClock = on;
    rebuildFormats();
    m_dirty = true;
}

void CGraphView::setPadTop(bool on) {
    m_padTop = on;
    m_scalesStale = true;
    m_dirty = true;
}

void CGraphView::setAllowNegativeX(bool on) {
    m_allowNegativeX = on;
}

void CGraphView::setBrowseMode(bool on) {
    m_browseMode = on;
    m_dragState = DragState::None;
    m_dirty = true;
}

void CGraphView::setColours(Colour back, Colour text, Colour grid, Colour trace) {
    m_backColour = back;
    m_textColour = text;
    m_gridColour = grid;
    m_traceColour = trace;
    m_dirty = true;
}

double CGraphView::niceStep(double x, int& digits) {
    digits = 0;
    if (!(x > 0) || !std::isfinite(x))
        return 0;
    double scale = 1;
    // "integer part of x >= 10" and "<= 0" compared on x itself: x may exceed any int.
    if (x >= 1) {
        digits = 1;
        while (x >= 10) {
            ++digits;
            scale *= 10;
            x /= 10;
        }
    } else {
        while (x < 1) {
            ++digits;
            scale /= 10;
            x *= 10;
        }
    }
    int index = std::clamp(static_cast<int>(x), 1, 9);
    return kStepTable[index] * scale;
}

std::vector<double> CGraphView::tickPositions(double min, double max, double step) {
    std::vector<double> ticks;
    if (!(step > 0) || !std::isfinite(step) || !std::isfinite(min) || !std::isfinite(max))
        return ticks;
    const double first = std::trunc(min / step);
    const double end = max + step * 0.00001;
    for (int i = 0; i < kMaxTicks; ++i) {
        double t = (first + i) * step;
        if (t > end)
            break;
        if (std::fabs(t) < step * 1e-9)
            t = 0.0; // also turns -0.0 into +0.0
        ticks.push_back(t);
    }
    return ticks;
}

std::string CGraphView::numberLabel(const std::string& format, double v) const {
    std::string text = StrPrintf(format.c_str(), v);
    RemoveNegativeZero(text);
    return text;
}

std::string CGraphView::timeLabel(double t) const {
    if (!m_timeAsClock)
        return numberLabel(m_timeFormat, t);
    // Views stay within +-kTimeLimit; the clamp only keeps odd callers' ints in range.
    double a = std::min(std::fabs(t), 1e9);
    int hours = static_cast<int>(std::trunc(a / 3600));
    int minutes = static_cast<int>(std::trunc(a / 60)) % 60;
    double seconds = std::fmod(a, 60);
    std::string text = StrPrintf(m_timeFormat.c_str(), hours, minutes, seconds);
    return t < 0 ? "-" + text : text;
}

std::string CGraphView::valueLabel(double v) const {
    return numberLabel(m_valueFormat, v);
}

namespace {
// The value labels left of the plot, the time labels below it and the unit above.
void DrawLabels(IDrawSurface& surface, const Frame& f, const Rect& rect,
                const std::vector<double>& valueTicks, const std::vector<std::string>& valueLabels,
                const std::vector<double>& timeTicks, const std::vector<std::string>& timeLabels,
                const std::string& unitText, Colour textColour) {
    auto rowInRect = [&](int y) { return y >= rect.top && y < rect.bottom; };
    auto columnInRect = [&](int x) { return x >= rect.left && x < rect.right; };
    for (std::size_t i = 0; i < valueTicks.size(); ++i) {
        int y = f.row(valueTicks[i]);
        if (rowInRect(y))
            surface.DrawText(f.plot.left - 1, y, valueLabels[i], kAlignRight | kAlignVCenter,
                             textColour);
    }
    for (std::size_t i = 0; i < timeTicks.size(); ++i) {
        int x = f.column(timeTicks[i]);
        if (columnInRect(x))
            surface.DrawText(x, f.plot.bottom + 1, timeLabels[i], kAlignHCenter | kAlignTop,
                             textColour);
    }
    if (!unitText.empty())
        surface.DrawText(rect.left + 1, rect.top + 1, "(" + unitText + ")", kAlignLeft | kAlignTop,
                         textColour);
}

// The live trace: one column per pixel from the store's per-slot minimum and maximum.
void DrawLiveTrace(IDrawSurface& surface, const Frame& f, const CGraphStore& store) {
    const std::vector<CGraphStore::Slot>& slots = store.slots();
    const int lastSlot = store.slotIndex();
    if (lastSlot >= 1) {
        int column = f.column(slots[0].meanTime);
        float low = slots[0].minValue;
        float high = slots[0].maxValue;
        surface.MoveTo(column, f.row(low));
        for (int i = 1; i <= lastSlot; ++i) {
            const CGraphStore::Slot& s = slots[i];
            int c = f.column(s.meanTime);
            if (c == column) {
                low = std::min(low, s.minValue);
                high = std::max(high, s.maxValue);
                continue;
            }
            FinishColumn(surface, column, f.row(low), f.row(high));
            column = c;
            low = s.minValue;
            high = s.maxValue;
        }
        FinishColumn(surface, column, f.row(low), f.row(high));
    }
}

// A browsed recording: from the first visible point to the right edge of the plot.
// Point by point from start: each column's lowest and highest row.
void DrawScannedTrace(IDrawSurface& surface, const Frame& f, const GraphPoints& points,
                      std::size_t i) {
    int column = f.column(points[i].time);
    int top = f.row(points[i].value); // smallest row: highest value
    int bottom = top;
    surface.MoveTo(column, top);
    for (++i; i < points.size(); ++i) {
        int c = f.column(points[i].time);
        int r = f.row(points[i].value);
        if (c == column) {
            top = std::min(top, r);
            bottom = std::max(bottom, r);
            continue;
        }
        FinishColumn(surface, column, bottom, top);
        if (column > f.plot.right)
            return;
        column = c;
        top = bottom = r;
    }
    FinishColumn(surface, column, bottom, top);
}

// The same trace of a recording (times ascending): the samples of a column are one run, found
// by bisection, and its extremes come from the store's summary, so that the work follows the
// columns drawn rather than the samples stored.
void DrawRunTrace(IDrawSurface& surface, const Frame& f, const CGraphStore& store, std::size_t i) {
    const GraphPoints& points = store.points();
    int column = f.column(points[i].time);
    int top = f.row(points[i].value);
    int bottom = top;
    surface.MoveTo(column, top);
    for (++i; i < points.size();) {
        const int c = f.column(points[i].time);
        if (c != column) {
            FinishColumn(surface, column, bottom, top);
            if (column > f.plot.right)
                return;
            column = c;
            top = bottom = f.row(points[i].value);
            ++i;
            continue;
        }
        // The run's end, galloping from its start: a column holds few samples of many.
        auto inColumn = [&](const GraphPoint& p) { return f.column(p.time) <= column; };
        std::size_t step = 1;
        std::size_t from = i;
        while (i + step < points.size() && inColumn(points[i + step])) {
            from = i + step;
            step *= 2;
        }
        const std::size_t to = std::min(points.size(), i + step);
        const std::size_t end = static_cast<std::size_t>(
            std::partition_point(points.begin() + static_cast<std::ptrdiff_t>(from),
                                 points.begin() + static_cast<std::ptrdiff_t>(to), inColumn) -
            points.begin());
        float low = 0, high = 0;
        store.valueRange(i, end, low, high);
        top = std::min({top, f.row(low), f.row(high)});
        bottom = std::max({bottom, f.row(low), f.row(high)});
        i = end;
    }
    FinishColumn(surface, column, bottom, top);
}

void DrawBrowseTrace(IDrawSurface& surface, const Frame& f, const Rect& rect,
                     const CGraphStore& store) {
    const GraphPoints& points = store.points();
    auto leftOfRect = [&](const GraphPoint& p) { return f.column(p.time) < rect.left; };
    // A recording is in time order: its first visible point is found by bisection.
    auto first = store.timesAscending()
                     ? std::partition_point(points.begin(), points.end(), leftOfRect)
                     : std::find_if_not(points.begin(), points.end(), leftOfRect);
    if (first == points.end())
        return;
    // From the point before, so that the trace enters from the left edge.
    std::size_t i = static_cast<std::size_t>(first - points.begin());
    if (i > 0)
        --i;
    if (store.timesAscending())
        DrawRunTrace(surface, f, store, i);
    else
        DrawScannedTrace(surface, f, points, i);
}
} // namespace

void CGraphView::draw(const Rect& rect, IDrawSurface& surface, bool printing) {
    // Every colour against what it is drawn on: the palette's background, or white paper. The
    // red trace stays red, lightened on a dark background where it would not stand out.
    const Colour back = printing ? Colour{255, 255, 255} : m_backColour;
    const Colour textColour = ReadableOn(m_textColour, back);
    const int rectWidth = rect.width();
    const Pen gridPen{rectWidth / 1000 + 1, ReadableOn(m_gridColour, back, kMarkContrast)};
    const Pen tracePen{rectWidth / 1000 * 2 + 2, ReadableOn(m_traceColour, back, kMarkContrast)};
    if (!printing && !rect.empty())
        surface.FillRect(rect, m_backColour);

    std::vector<double> timeTicks = tickPositions(m_timeMin, m_timeMax, m_timeStep);
    std::vector<std::string> timeLabels;
    for (double t : timeTicks)
        timeLabels.push_back(timeLabel(t));
    TextSize last = surface.TextExtent(timeLabels.empty() ? std::string("0") : timeLabels.back());

    // Offsets are taken from rect rather than from the origin, so that a picture fitted into the
    // middle of a printer page is laid out like the one on screen.
    Frame f{{}, m_timeMin, m_timeMax, m_valueMin, m_valueMax};
    f.plot.bottom = rect.bottom - last.height - 2;
    f.plot.top = rect.top;
    f.plot.right = rect.right;
    if (m_padTop) {
        f.plot.top = rect.top + last.height / 2 + 1;
        f.plot.right = rect.right + 1 - last.width / 2;
    }

    std::vector<double> valueTicks = tickPositions(m_valueMin, m_valueMax, m_valueStep);
    std::vector<std::string> valueLabels;
    f.plot.left = rect.left + surface.TextExtent("0.00").width + 2;
    for (double v : valueTicks) {
        valueLabels.push_back(valueLabel(v));
        f.plot.left =
            std::max(f.plot.left, rect.left + surface.TextExtent(valueLabels.back()).width + 2);
    }

    auto rowInRect = [&](int y) { return y >= rect.top && y < rect.bottom; };
    auto columnInRect = [&](int x) { return x >= rect.left && x < rect.right; };

    surface.SetPen(gridPen);
    for (double v : valueTicks) {
        int y = f.row(v);
        if (rowInRect(y)) {
            surface.MoveTo(f.plot.left, y);
            surface.LineTo(f.plot.right, y);
        }
    }

    if (!printing) {
        if (m_scalesStale) {
            m_timePerPixel = (m_timeMax - m_timeMin) / std::max(1, f.plot.width());
            m_valuePerPixel = (m_valueMax - m_valueMin) / std::max(1, f.plot.height());
            m_scalesStale = false;
        }
        m_plotRect = f.plot;
        m_clientRect = rect;
    }

    for (double t : timeTicks) {
        int x = f.column(t);
        if (columnInRect(x)) {
            surface.MoveTo(x, f.plot.bottom);
            surface.LineTo(x, f.plot.top);
        }
    }

    DrawLabels(surface, f, rect, valueTicks, valueLabels, timeTicks, timeLabels, m_unitText,
               textColour);
    surface.SetPen(tracePen);
    if (!m_browseMode)
        DrawLiveTrace(surface, f, m_store);
    else
        DrawBrowseTrace(surface, f, rect, m_store);
    if (!printing)
        m_dirty = false;
}

Rect CGraphView::printRect(int pageWidth, int pageHeight, const Rect& client) {
    const int cw = client.width();
    const int ch = client.height();
    if (cw <= 0 || ch <= 0 || pageWidth <= 0 || pageHeight <= 0)
        return Rect{0, 0, std::max(0, pageWidth), std::max(0, pageHeight)};
    if (static_cast<double>(pageWidth) / pageHeight < static_cast<double>(cw) / ch) {
        int height = static_cast<int>(static_cast<double>(pageWidth) / cw * ch);
        int top = (pageHeight - height) / 2;
        return Rect{0, top, pageWidth, top + height};
    }
    int width = static_cast<int>(static_cast<double>(pageHeight) / ch * cw);
    int left = (pageWidth - width) / 2;
    return Rect{left, 0, left + width, pageHeight};
}

void CGraphView::print(IDrawSurface& surface, int pageWidth, int pageHeight) {
    draw(printRect(pageWidth, pageHeight, m_clientRect), surface, true);
    m_dirty = true;
    m_scalesStale = true;
}

double CGraphView::timeAtColumn(int x) const {
    return m_timeMin + (x - m_plotRect.left) * m_timePerPixel;
}

double CGraphView::valueAtRow(int y) const {
    return m_valueMin + (m_plotRect.bottom - y) * m_valuePerPixel;
}

void CGraphView::zoomIn() {
    double dt = (m_timeMax - m_timeMin) / 4;
    double dv = (m_valueMax - m_valueMin) / 4;
    setView(m_timeMin + dt, m_timeMax - dt, m_valueMin + dv, m_valueMax - dv);
}

void CGraphView::zoomOut() {
    double dt = (m_timeMax - m_timeMin) / 4;
    double dv = (m_valueMax - m_valueMin) / 4;
    setView(m_timeMin - dt, m_timeMax + dt, m_valueMin - dv, m_valueMax + dv);
}

void CGraphView::panTo(double grabTime, double grabValue, int x, int y) {
    double timeSpan = m_timeMax - m_timeMin;
    double valueSpan = m_valueMax - m_valueMin;
    double tLow = grabTime - (x - m_plotRect.left) * m_timePerPixel;
    double vLow = grabValue - (m_plotRect.bottom - y) * m_valuePerPixel;
    applyView(tLow, tLow + timeSpan, vLow, vLow + valueSpan, false);
}

bool CGraphView::leftDoubleClick() {
    if (!m_browseMode || m_dragState != DragState::None)
        return false;
    zoomIn();
    return true;
}

bool CGraphView::rightDoubleClick() {
    if (!m_browseMode || m_dragState != DragState::None)
        return false;
    zoomOut();
    return true;
}

bool CGraphView::leftButtonDown(int x, int y) {
    if (!m_browseMode || m_dragState != DragState::None)
        return false;
    m_dragState = DragState::Panning;
    m_grabX = x;
    m_grabY = y;
    m_grabTime = timeAtColumn(x);
    m_grabValue = valueAtRow(y);
    return false;
}

bool CGraphView::rightButtonDown(int x, int y) {
    if (!m_browseMode || m_dragState != DragState::None)
        return false;
    m_dragState = DragState::RubberBand;
    m_bandX = m_bandX2 = x;
    m_bandY = m_bandY2 = y;
    return true;
}

bool CGraphView::mouseMove(int x, int y) {
    switch (m_dragState) {
    case DragState::Panning:
        panTo(m_grabTime, m_grabValue, x, y);
        return true;
    case DragState::RubberBand:
        m_bandX2 =
            std::clamp(x, m_clientRect.left, std::max(m_clientRect.left, m_clientRect.right - 1));
        m_bandY2 =
            std::clamp(y, m_clientRect.top, std::max(m_clientRect.top, m_clientRect.bottom - 1));
        return true;
    case DragState::None:
        break;
    }
    return false;
}

bool CGraphView::leftButtonUp(int x, int y) {
    if (m_dragState != DragState::Panning)
        return false;
    m_dragState = DragState::None;
    if (x != m_grabX || y != m_grabY)
        panTo(m_grabTime, m_grabValue, x, y);
    return true;
}

bool CGraphView::rightButtonUp(int x, int y) {
    if (m_dragState != DragState::RubberBand)
        return false;
    mouseMove(x, y);
    Rect band = rubberBand();
    m_dragState = DragState::None;
    if (band.width() != 0 && band.height() != 0)
        setView(timeAtColumn(band.left), timeAtColumn(band.right), valueAtRow(band.bottom),
                valueAtRow(band.top));
    return true;
}

Rect CGraphView::rubberBand() const {
    if (m_dragState != DragState::RubberBand)
        return Rect{};
    return Rect{std::min(m_bandX, m_bandX2), std::min(m_bandY, m_bandY2),
                std::max(m_bandX, m_bandX2), std::max(m_bandY, m_bandY2)};
}
