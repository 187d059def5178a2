#pragma once

#include "monitor/CGraphStore.h"
#include "monitor/IDrawSurface.h"

#include <string>
#include <vector>

// Everything of the XY plot window that is not a window: the samples, the range on view with its
// limits, tick steps and label formats, the picture (drawn through IDrawSurface) and the pan and
// zoom arithmetic. The widget owns one, forwards paint, print and mouse events, and repaints when
// dirty() or when an event handler returns true. Window thread only.
class CGraphView {
public:
    // Horizontal upper limit (seconds on the trend page) and value limits of every view.
    static constexpr double kTimeLimit = 36000000.0;
    static constexpr double kValueLimit = 1000000.0;
    // Name of the print document.
    static constexpr const char* kPrintDocumentName = "Graph";

    enum class DragState { None = 0, Panning = 1, RubberBand = 2 };

    CGraphView();

    // Samples ------------------------------------------------------------------------------
    // time on the horizontal axis, value on the vertical one; a NaN is dropped.
    void addSample(double time, double value);
    void clear();
    const CGraphStore& store() const { return m_store; }

    // Range ------------------------------------------------------------------------------------
    // Stores the home range as given, then setView with a zero span widened by 0.1 at the top.
    void setRange(double tLow, double tHigh, double vLow, double vHigh);
    // Clamps to the minimum spans (0.001 s, 0.0001) and the limits, keeping the span where it
    // can; computes steps and label formats. A non-finite argument leaves the view unchanged.
    void setView(double tLow, double tHigh, double vLow, double vHigh);

    double homeTimeMin() const { return m_homeTimeMin; }
    double homeTimeMax() const { return m_homeTimeMax; }
    double homeValueMin() const { return m_homeValueMin; }
    double homeValueMax() const { return m_homeValueMax; }
    double timeMin() const { return m_timeMin; }
    double timeMax() const { return m_timeMax; }
    double valueMin() const { return m_valueMin; }
    double valueMax() const { return m_valueMax; }
    double timeStep() const { return m_timeStep; }
    double valueStep() const { return m_valueStep; }
    // printf formats of the labels, built from the steps.
    const std::string& timeFormat() const { return m_timeFormat; }
    const std::string& valueFormat() const { return m_valueFormat; }

    // The horizontal lower bound every graph of the process clamps to: 0 until any graph with
    // allowNegativeX sets a view, -kTimeLimit from then on for good.
    static double timeLowerBound();
    static void resetTimeLowerBoundForTest();

    // Options ----------------------------------------------------------------------------------
    const std::string& unitText() const { return m_unitText; }
    void setUnitText(const std::string& unit);
    bool timeAsClock() const { return m_timeAsClock; }
    void setTimeAsClock(bool on); // rebuilds the time format
    bool padTop() const { return m_padTop; }
    void setPadTop(bool on);
    bool allowNegativeX() const { return m_allowNegativeX; }
    void setAllowNegativeX(bool on);
    // Live mode (false) draws the slot envelope and ignores the mouse; browse mode draws the raw
    // points and pans and zooms.
    bool browseMode() const { return m_browseMode; }
    void setBrowseMode(bool on);

    Colour backColour() const { return m_backColour; }
    Colour textColour() const { return m_textColour; }
    Colour gridColour() const { return m_gridColour; }
    Colour traceColour() const { return m_traceColour; }
    // The widget sets the first three from its palette (window, window text, window text).
    void setColours(Colour back, Colour text, Colour grid, Colour trace);

    // Axis arithmetic --------------------------------------------------------------------------
    // A round step near x (> 0) and digits: the count of integer digits for x >= 1, else of the
    // decimals the step needs. 0 (digits 0) for x <= 0 or not finite.
    static double niceStep(double x, int& digits);
    // Multiples of step from the one at or toward zero from min, up to max (with a 1e-5 step
    // tolerance); a tick within 1e-9 steps of zero is exactly +0.
    static std::vector<double> tickPositions(double min, double max, double step);
    // Labels with the current formats; a value label never shows a negative zero.
    std::string timeLabel(double t) const;
    std::string valueLabel(double v) const;

    // Drawing ----------------------------------------------------------------------------------
    // Draws the picture into rect. On screen the background is filled and the plot rectangle and
    // per-pixel scales are kept for the mouse; printing leaves the page white and those alone.
    void draw(const Rect& rect, IDrawSurface& surface, bool printing);
    // The rectangle of the page the client picture is fitted into, keeping its aspect ratio.
    static Rect printRect(int pageWidth, int pageHeight, const Rect& client);
    // Between the widget's start of document kPrintDocumentName and page, and their ends.
    void print(IDrawSurface& surface, int pageWidth, int pageHeight);

    bool dirty() const { return m_dirty; }
    void setDirty() { m_dirty = true; }
    bool scalesStale() const { return m_scalesStale; }
    // Of the last screen drawing.
    const Rect& plotRect() const { return m_plotRect; }
    const Rect& clientRect() const { return m_clientRect; }
    double timePerPixel() const { return m_timePerPixel; }
    double valuePerPixel() const { return m_valuePerPixel; }
    // Time and value under a pixel of the last screen drawing, by the per-pixel scales.
    double timeAtColumn(int x) const;
    double valueAtRow(int y) const;

    // Mouse (browse mode only; each returns true when the widget should repaint) ---------------
    // The widget captures the mouse while dragState() is not None and draws rubberBand() as a
    // focus rectangle over the picture during a rubber band.
    bool leftDoubleClick();  // zoom in
    bool rightDoubleClick(); // zoom out
    bool leftButtonDown(int x, int y);
    bool rightButtonDown(int x, int y);
    bool mouseMove(int x, int y);
    bool leftButtonUp(int x, int y);
    bool rightButtonUp(int x, int y);
    DragState dragState() const { return m_dragState; }
    Rect rubberBand() const;

    // Each side of the view moves by a quarter of its span, inward or outward.
    void zoomIn();
    void zoomOut();
    // Puts (grabTime, grabValue) under pixel (x, y) with the spans and per-pixel scales kept.
    void panTo(double grabTime, double grabValue, int x, int y);

private:
    void applyView(double tLow, double tHigh, double vLow, double vHigh, bool staleScales);
    void rebuildFormats();
    std::string numberLabel(const std::string& format, double v) const;

    CGraphStore m_store;

    double m_homeTimeMin = 0, m_homeTimeMax = 1, m_homeValueMin = 0, m_homeValueMax = 1;
    double m_timeMin = 0, m_timeMax = 1, m_valueMin = 0, m_valueMax = 1;
    double m_timeStep = 0, m_valueStep = 0;
    std::string m_timeFormat, m_valueFormat;
    std::string m_unitText;
    bool m_timeAsClock = false;
    bool m_padTop = false;
    bool m_allowNegativeX = false;
    bool m_browseMode = false;

    Colour m_backColour{255, 255, 255};
    Colour m_textColour{0, 0, 0};
    Colour m_gridColour{0, 0, 0};
    Colour m_traceColour{255, 50, 50};

    double m_timePerPixel = 0, m_valuePerPixel = 0;
    bool m_scalesStale = true;
    bool m_dirty = true;
    Rect m_plotRect, m_clientRect;

    DragState m_dragState = DragState::None;
    int m_grabX = 0, m_grabY = 0;
    double m_grabTime = 0, m_grabValue = 0;
    int m_bandX = 0, m_bandY = 0; // anchor and moving corner of a rubber band
    int m_bandX2 = 0, m_bandY2 = 0;

    static double s_timeLowerBound;
};
