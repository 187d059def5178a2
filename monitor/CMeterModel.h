#pragma once

#include "monitor/IDrawSurface.h"

#include <string>

// One bar meter of the meter panel without its window: the scale, the value and its caption
// texts, the alarm display, and the picture drawn through IDrawSurface. Holds the state of the
// meter control and of the page around it. The widget draws when dirty() and repaints after
// every setter. Window thread only.
class CMeterModel {
public:
    static constexpr double kMinSpan = 0.0001;
    // Rows are held to this range so that a value far outside the scale can not overflow.
    static constexpr int kRowLimit = 30000;
    static constexpr Colour kCaptionColour{50, 50, 255};
    static constexpr Colour kWhite{255, 255, 255};

    // The scale's tick step for a span x: a round fifth of it, at least 0.0001, with the sign of
    // x; 0 for x = 0 (and for a span that is not finite).
    static double niceStep(double x);
    // y = barBottom - (v - scaleMin) / (scaleMax - scaleMin) x (barBottom - barTop), truncated
    // and held to +-kRowLimit.
    static int rowOf(double v, double scaleMin, double scaleMax, int barTop, int barBottom);

    // The meter control ---------------------------------------------------------------------
    // Sorted; widened to kMinSpan; tick step from the span. A non-finite end counts as 0.
    void setRange(double a, double b);
    void setTexts(const std::string& valueText, const std::string& subText);
    void setTitle(const std::string& title);
    void setAlarmMode(bool on);
    void setAlarmSetpoint(double setpoint);
    void setAlarmHighSide(bool highSide);

    // The page -------------------------------------------------------------------------------
    void setRangeValues(double min, double max);
    // Each text's "%lf" number; a text without one gives rangeMin 0, or rangeMax rangeMin + 100.
    void setRangeTexts(const std::string& minText, const std::string& maxText);
    // A live-value text "value unit, percent%": the leading number is the value (0 when none);
    // split at its first comma unless that is the first character, both parts trimmed; else the
    // first caption line is " " and the second the whole text.
    void setValueText(const std::string& text, bool alarmActive);

    double scaleMin() const { return m_scaleMin; }
    double scaleMax() const { return m_scaleMax; }
    double tickStep() const { return m_tickStep; }
    double value() const { return m_value; }
    const std::string& valueText() const { return m_valueText; }
    const std::string& subText() const { return m_subText; }
    const std::string& title() const { return m_title; }
    bool alarmMode() const { return m_alarmMode; }
    double alarmSetpoint() const { return m_alarmSetpoint; }
    bool alarmHighSide() const { return m_alarmHighSide; }
    bool alarmActive() const { return m_alarmActive; }
    double rangeMin() const { return m_rangeMin; }
    double rangeMax() const { return m_rangeMax; }
    double pageValue() const { return m_pageValue; }

    Colour backColour() const { return m_backColour; }
    Colour textColour() const { return m_textColour; }
    Colour barColour() const { return m_barColour; }
    Colour emptyColour() const { return m_emptyColour; }
    Colour alarmColour() const { return m_alarmColour; }
    Colour spareColour() const { return m_spareColour; }
    // The widget sets these from its palette (button face, button text).
    void setSystemColours(Colour back, Colour text);

    // The picture of the whole client rectangle; clears dirty.
    void draw(const Rect& client, IDrawSurface& surface);
    bool dirty() const { return m_dirty; }

private:
    // A setter marks the picture dirty only when it changes what is drawn.
    template <class T, class V> void Change(T& member, const V& value) {
        if (member != value) {
            member = value;
            m_dirty = true;
        }
    }

    double m_scaleMin = 0, m_scaleMax = 0;
    double m_tickStep = 0;
    double m_value = 0;
    std::string m_valueText, m_subText, m_title;
    bool m_alarmMode = false;
    double m_alarmSetpoint = 0;
    bool m_alarmHighSide = false;
    bool m_alarmActive = false;
    bool m_dirty = true;

    double m_rangeMin = 0, m_rangeMax = 100.0;
    double m_pageValue = 0;

    Colour m_backColour{240, 240, 240};
    Colour m_textColour{0, 0, 0};
    Colour m_barColour{50, 220, 110};
    Colour m_emptyColour{150, 150, 150};
    Colour m_alarmColour{250, 50, 50};
    Colour m_spareColour{220, 220, 50}; // kept with the others; nothing draws with it
};
