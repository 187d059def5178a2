#include "monitor/CMeterModel.h"

#include "comm/MessageFormat.h"
#include "monitor/ColourContrast.h"
#include "tables/TextScan.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr double kStepTable[10] = {1, 1, 2, 5, 5, 5, 10, 10, 10, 10};
// Far more than any scale has (about 5 to 10); bounds the loop when a step is too small to move
// a large value.
constexpr int kMaxTicks = 1000;

void Fill(IDrawSurface& surface, const Rect& rect, Colour colour) {
    if (!rect.empty())
        surface.FillRect(rect, colour);
}

void Text(IDrawSurface& surface, int x, int y, const std::string& text, int align, Colour colour) {
    if (!text.empty())
        surface.DrawText(x, y, text, align, colour);
}

std::string Trim(const std::string& text) {
    constexpr const char* kSpace = " \t\r\n\v\f";
    std::size_t begin = text.find_first_not_of(kSpace);
    if (begin == std::string::npos)
        return {};
    std::size_t end = text.find_last_not_of(kSpace);
    return text.substr(begin, end - begin + 1);
}

double Finite(double v) {
    return std::isfinite(v) ? v : 0.0;
}
} // namespace

double CMeterModel::niceStep(double x) {
    if (!std::isfinite(x))
        return 0;
    double a = std::fabs(x) / 5;
    if (a == 0)
        return 0;
    double b = 1;
    if (a >= 1) {
        while (a >= 10) {
            b *= 10;
            a /= 10;
        }
    } else {
        while (a < 1) {
            b /= 10;
            a *= 10;
        }
    }
    b *= kStepTable[std::clamp(static_cast<int>(a), 0, 9)];
    if (b <= 0.0001)
        b = 0.0001;
    return x < 0 ? -b : b;
}

int CMeterModel::rowOf(double v, double scaleMin, double scaleMax, int barTop, int barBottom) {
    double y = barBottom - (v - scaleMin) / (scaleMax - scaleMin) * (barBottom - barTop);
    if (std::isnan(y))
        return barBottom;
    return static_cast<int>(
        std::clamp(y, -static_cast<double>(kRowLimit), static_cast<double>(kRowLimit)));
}

void CMeterModel::setRange(double a, double b) {
    a = Finite(a);
    b = Finite(b);
    const double low = std::min(a, b);
    double high = std::max(a, b);
    if (high - low < kMinSpan)
        high = low + kMinSpan;
    Change(m_scaleMin, low);
    Change(m_scaleMax, high);
    Change(m_tickStep, niceStep(m_scaleMax - m_scaleMin));
}

void CMeterModel::setTexts(const std::string& valueText, const std::string& subText) {
    Change(m_valueText, valueText);
    Change(m_subText, subText);
}

void CMeterModel::setTitle(const std::string& title) {
    Change(m_title, title);
}

void CMeterModel::setAlarmMode(bool on) {
    Change(m_alarmMode, on);
}

void CMeterModel::setAlarmSetpoint(double setpoint) {
    Change(m_alarmSetpoint, Finite(setpoint));
}

void CMeterModel::setAlarmHighSide(bool highSide) {
    Change(m_alarmHighSide, highSide);
}

void CMeterModel::setRangeValues(double min, double max) {
    m_rangeMin = min;
    m_rangeMax = max;
    setRange(min, max);
}

void CMeterModel::setRangeTexts(const std::string& minText, const std::string& maxText) {
    double v = 0;
    m_rangeMin = LeadingNumber(minText, v) ? v : 0.0;
    m_rangeMax = LeadingNumber(maxText, v) ? v : m_rangeMin + 100;
    setRange(m_rangeMin, m_rangeMax);
}

void CMeterModel::setValueText(const std::string& text, bool alarmActive) {
    double v = 0;
    m_pageValue = LeadingNumber(text, v) ? v : 0.0;
    std::size_t comma = text.find(',');
    if (comma != std::string::npos && comma != 0)
        setTexts(Trim(text.substr(0, comma)), Trim(text.substr(comma + 1)));
    else
        setTexts(" ", text);
    Change(m_value, m_pageValue);
    Change(m_alarmActive, alarmActive);
}

void CMeterModel::setSystemColours(Colour back, Colour text) {
    m_backColour = back;
    // The scale's labels are on the background; captions sit on their own white strips.
    m_textColour = ReadableOn(text, back);
    m_dirty = true; // a palette change repaints whatever the colours
}

void CMeterModel::draw(const Rect& client, IDrawSurface& surface) {
    m_dirty = false;
    surface.SetPen(Pen{1, m_textColour});
    const int h = surface.TextExtent("0").height;
    Fill(surface, client, m_backColour);
    const int barLeft = client.left;
    const int barRight = client.right - client.width() / 2;
    const int barTop = client.top + 2 * h + 2;
    const int barBottom = client.bottom - 2 * h - 1;
    // The caption strip, height 2h + 1.
    Fill(surface, Rect{client.left, client.bottom - 2 * h, client.right, client.bottom + 1},
         kWhite);
    if (m_scaleMax == m_scaleMin)
        return;

    auto row = [&](double v) { return rowOf(v, m_scaleMin, m_scaleMax, barTop, barBottom); };
    const int centre = client.left + client.width() / 2;

    int y = std::max(client.top, row(m_value));
    if (y <= client.bottom)
        Fill(surface, Rect{barLeft, y, barRight, barBottom}, m_barColour);
    if (client.top < y)
        Fill(surface, Rect{barLeft, client.top, barRight, std::min(barBottom, y)}, m_emptyColour);

    if (!m_alarmMode) {
        // From the tick nearest to scaleMin (half away from zero).
        const double first = std::round(m_scaleMin / m_tickStep) * m_tickStep;
        for (int i = 0; i < kMaxTicks && m_tickStep > 0; ++i) {
            double v = first + i * m_tickStep;
            if (v > m_scaleMax + 0.00001)
                break;
            if (std::fabs(v) < m_tickStep * 1e-9)
                v = 0.0; // never a "-0.0000" label
            int ty = row(v);
            if (ty <= barBottom) {
                surface.DrawText(client.right - 1, ty, StrPrintf("%.4lf", v),
                                 kAlignRight | kAlignBottom, m_textColour);
                surface.MoveTo(client.left, ty);
                surface.LineTo(client.right, ty);
            }
        }
        Text(surface, centre, barBottom + 1, m_valueText, kAlignHCenter | kAlignTop,
             kCaptionColour);
        Text(surface, centre, barBottom + 1 + h, m_subText, kAlignHCenter | kAlignTop,
             kCaptionColour);
    } else {
        const int setpointRow = row(m_alarmSetpoint);
        const int ay = std::max(client.top, setpointRow);
        if (m_alarmActive) {
            if (m_alarmHighSide)
                Fill(surface, Rect{barLeft, client.top, barRight, ay}, m_alarmColour);
            else
                Fill(surface, Rect{barLeft, ay, barRight, barBottom}, m_alarmColour);
        }
        // Above 100 % the label hangs below its line so that it stays inside the bar area.
        std::string label = StrPrintf("%.4lf", m_alarmSetpoint);
        if (m_alarmSetpoint <= 100)
            surface.DrawText(client.right - 1, setpointRow, label, kAlignRight | kAlignBottom,
                             m_textColour);
        else
            surface.DrawText(client.right - 1, setpointRow + 1, label, kAlignRight | kAlignTop,
                             m_textColour);
        surface.MoveTo(client.left, setpointRow);
        surface.LineTo(client.right, setpointRow);
        Text(surface, centre, barBottom + 1, m_subText, kAlignHCenter | kAlignTop, kCaptionColour);
    }

    Fill(surface, Rect{client.left, client.top, client.right, client.top + h + 2}, kWhite);
    Text(surface, centre, client.top + 1, m_title, kAlignHCenter | kAlignTop, kCaptionColour);
}
