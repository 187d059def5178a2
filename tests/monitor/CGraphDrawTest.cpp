#include "monitor/CGraphView.h"

#include "tests/monitor/RecordingSurface.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>

namespace {
using Kind = RecordingSurface::Kind;
constexpr int W = RecordingSurface::kCharWidth;
constexpr int H = RecordingSurface::kTextHeight;

class GraphDraw : public ::testing::Test {
protected:
    void SetUp() override { CGraphView::resetTimeLowerBoundForTest(); }
    void TearDown() override { CGraphView::resetTimeLowerBoundForTest(); }

    // The trace: the calls after the trace pen was set.
    std::vector<RecordingSurface::Call> Trace() const {
        return m_surface.After(m_graph.traceColour());
    }

    CGraphView m_graph;
    RecordingSurface m_surface;
    Rect m_client{0, 0, 1200, 600};
};
} // namespace

TEST_F(GraphDraw, PlotRectangleFollowsTheLabelExtents) {
    m_graph.setRange(0, 100, -100000, 100000); // values "%5.0lf": "-100000" is the widest
    m_graph.draw(m_client, m_surface, false);
    // Last time label "100": 3 characters.
    EXPECT_EQ((Rect{7 * W + 2, 0, 1200, 600 - H - 2}), m_graph.plotRect());

    m_graph.setRange(0, 1, 0, 1); // "0.0" .. "1.0" are narrower than "0.00"
    m_graph.setPadTop(true);
    m_graph.draw(m_client, m_surface, false);
    // Last time label "1.0": 21 pixels wide.
    EXPECT_EQ((Rect{4 * W + 2, H / 2 + 1, 1200 + 1 - 3 * W / 2, 600 - H - 2}), m_graph.plotRect());
}

TEST_F(GraphDraw, BackgroundGridLabelsAndUnit) {
    m_graph.setRange(0, 100, 0, 100);
    m_graph.setUnitText("deg C");
    m_graph.draw(m_client, m_surface, false);
    ASSERT_FALSE(m_surface.calls.empty());
    EXPECT_EQ(Kind::Fill, m_surface.calls[0].kind);
    EXPECT_EQ(m_client, m_surface.calls[0].rect);
    EXPECT_EQ(m_graph.backColour(), m_surface.calls[0].colour);

    std::vector<RecordingSurface::Call> pens = m_surface.Of(Kind::SetPen);
    ASSERT_EQ(2u, pens.size());
    EXPECT_EQ((Pen{2, m_graph.gridColour()}), pens[0].pen); // 1200 / 1000 + 1
    EXPECT_EQ((Pen{4, Colour{255, 50, 50}}), pens[1].pen);  // 1200 / 1000 * 2 + 2

    const Rect plot = m_graph.plotRect();
    // Value tick 40: row plot.bottom - 0.4 x plot height; label right-aligned left of the plot.
    const RecordingSurface::Call* label = m_surface.FindText("40");
    ASSERT_NE(nullptr, label);
    int row = static_cast<int>(plot.bottom - 0.4 * plot.height());
    EXPECT_EQ(plot.left - 1, label->x);
    EXPECT_EQ(row, label->y);
    EXPECT_EQ(kAlignRight | kAlignVCenter, label->align);
    // Time tick 60: centred under its column.
    int column = static_cast<int>(0.6 * plot.width() + plot.left);
    std::vector<RecordingSurface::Call> texts = m_surface.Of(Kind::Text);
    bool found = false;
    for (const auto& t : texts)
        if (t.text == "60" && t.align == (kAlignHCenter | kAlignTop)) {
            EXPECT_EQ(column, t.x);
            EXPECT_EQ(plot.bottom + 1, t.y);
            found = true;
        }
    EXPECT_TRUE(found);
    const RecordingSurface::Call* unit = m_surface.FindText("(deg C)");
    ASSERT_NE(nullptr, unit);
    EXPECT_EQ(1, unit->x);
    EXPECT_EQ(1, unit->y);
    // Ticks 0 to 100 in steps of 20; the column of 100 is the client's right edge, outside.
    int horizontal = 0, vertical = 0;
    const auto& calls = m_surface.calls;
    for (std::size_t i = 1; i < calls.size(); ++i) {
        if (calls[i].kind != Kind::LineTo || calls[i - 1].kind != Kind::MoveTo)
            continue;
        if (calls[i].y == calls[i - 1].y && calls[i - 1].x == plot.left && calls[i].x == plot.right)
            ++horizontal;
        if (calls[i].x == calls[i - 1].x && calls[i - 1].y == plot.bottom && calls[i].y == plot.top)
            ++vertical;
    }
    EXPECT_EQ(6, horizontal);
    EXPECT_EQ(5, vertical);
    EXPECT_FALSE(m_graph.dirty());
    EXPECT_FALSE(m_graph.scalesStale());
    EXPECT_DOUBLE_EQ(100.0 / plot.width(), m_graph.timePerPixel());
}

TEST_F(GraphDraw, LiveTraceDrawsAtMostTwoSegmentsPerColumn) {
    const int n = 100000;
    for (int i = 0; i < n; ++i)
        m_graph.addSample(i * 0.5, std::sin(i * 0.01) * 50 + (i % 7));
    m_graph.setRange(0, (n - 1) * 0.5, -60, 60);
    m_graph.draw(m_client, m_surface, false);
    std::vector<RecordingSurface::Call> trace = Trace();
    ASSERT_FALSE(trace.empty());
    EXPECT_EQ(Kind::MoveTo, trace.front().kind);
    std::map<int, int> perColumn;
    int previous = trace.front().x;
    for (std::size_t i = 1; i < trace.size(); ++i) {
        ASSERT_EQ(Kind::LineTo, trace[i].kind);
        EXPECT_GE(trace[i].x, previous) << "columns advance left to right";
        previous = trace[i].x;
        ++perColumn[trace[i].x];
    }
    for (const auto& [column, count] : perColumn)
        EXPECT_LE(count, 2) << "column " << column;
    const Rect plot = m_graph.plotRect();
    EXPECT_GE(static_cast<int>(perColumn.size()), plot.width() - 2);
    EXPECT_LE(static_cast<int>(perColumn.size()), plot.width() + 1);
}

TEST_F(GraphDraw, LiveTraceSpansEachColumnsExtremes) {
    // About nine samples per column alternating between -10 and +10: every column a full swing.
    m_graph.setRange(0, 100, -20, 20);
    for (int i = 0; i <= 10000; ++i)
        m_graph.addSample(i * 0.01, (i % 2) ? 10 : -10);
    m_graph.draw(m_client, m_surface, false);
    const Rect plot = m_graph.plotRect();
    int rowLow = static_cast<int>(plot.bottom - 10.0 / 40 * plot.height());
    int rowHigh = static_cast<int>(plot.bottom - 30.0 / 40 * plot.height());
    std::map<int, std::pair<int, int>> rows; // column -> (max row, min row)
    for (const auto& c : Trace()) {
        if (c.kind != Kind::LineTo)
            continue;
        auto [it, fresh] = rows.try_emplace(c.x, c.y, c.y);
        it->second.first = std::max(it->second.first, c.y);
        it->second.second = std::min(it->second.second, c.y);
    }
    ASSERT_GT(rows.size(), 100u);
    // The last slot holds the final sample alone.
    rows.erase(std::prev(rows.end()));
    for (const auto& [column, r] : rows) {
        EXPECT_EQ(rowLow, r.first) << column;
        EXPECT_EQ(rowHigh, r.second) << column;
    }
}

TEST_F(GraphDraw, LiveTraceNeedsTwoSlots) {
    m_graph.setRange(0, 10, 0, 10);
    m_graph.addSample(1, 1);
    m_graph.draw(m_client, m_surface, false);
    EXPECT_TRUE(Trace().empty());
}

TEST_F(GraphDraw, BrowseStartsBeforeTheViewAndStopsPastTheRightEdge) {
    for (int i = 0; i <= 1000; ++i)
        m_graph.addSample(i, i % 10);
    m_graph.setBrowseMode(true);
    m_graph.setRange(50, 150, 0, 10);
    m_graph.draw(m_client, m_surface, false);
    const Rect plot = m_graph.plotRect();
    const double pixelsPerPoint = plot.width() / 100.0;
    std::vector<RecordingSurface::Call> trace = Trace();
    ASSERT_GE(trace.size(), 3u);
    // Moves to the last point left of the window, then one column per point.
    EXPECT_EQ(Kind::MoveTo, trace.front().kind);
    EXPECT_LT(trace.front().x, 0);
    EXPECT_GE(trace[2].x, 0);
    EXPECT_GT(trace.front().x, -pixelsPerPoint - 1);
    // The walk ends with the first column past the right edge, not at the end of the data.
    EXPECT_GT(trace.back().x, plot.right);
    EXPECT_LE(trace[trace.size() - 2].x, plot.right);
    EXPECT_LT(trace.size(), 110u);
    for (std::size_t i = 1; i < trace.size(); ++i)
        EXPECT_EQ(Kind::LineTo, trace[i].kind);
}

TEST_F(GraphDraw, BrowseWalksUnsortedTablePointsToo) {
    m_graph.setAllowNegativeX(true);
    m_graph.setRange(-15, 115, -15, 115);
    m_graph.setBrowseMode(true);
    for (double x : {0.0, 50.0, 20.0, 100.0})
        m_graph.addSample(x, x);
    m_graph.draw(m_client, m_surface, false);
    std::vector<RecordingSurface::Call> trace = Trace();
    // A move to the first point (its column finished in place), then a line to each other one.
    ASSERT_EQ(5u, trace.size());
    const Rect plot = m_graph.plotRect();
    auto column = [&](double x) {
        return static_cast<int>((x + 15) / 130 * plot.width() + plot.left);
    };
    EXPECT_EQ(column(0), trace[0].x);
    EXPECT_EQ(column(0), trace[1].x);
    EXPECT_EQ(column(50), trace[2].x);
    EXPECT_EQ(column(20), trace[3].x);
    EXPECT_EQ(column(100), trace[4].x);
}

TEST_F(GraphDraw, NothingVisibleToTheRightDrawsNoTrace) {
    for (int i = 0; i < 10; ++i)
        m_graph.addSample(i, i);
    m_graph.setBrowseMode(true);
    m_graph.setRange(1000, 2000, 0, 10);
    m_graph.draw(m_client, m_surface, false);
    EXPECT_TRUE(Trace().empty());
}

TEST_F(GraphDraw, PrintFitsThePageAndLeavesScreenGeometryAlone) {
    EXPECT_EQ((Rect{0, 625, 1000, 1375}), CGraphView::printRect(1000, 2000, Rect{0, 0, 400, 300}));
    EXPECT_EQ((Rect{833, 0, 2166, 1000}), CGraphView::printRect(3000, 1000, Rect{0, 0, 400, 300}));
    EXPECT_EQ((Rect{0, 0, 50, 40}), CGraphView::printRect(50, 40, Rect{}));

    m_graph.setRange(0, 100, 0, 100);
    m_graph.setUnitText("mA");
    m_graph.draw(Rect{0, 0, 400, 300}, m_surface, false);
    const Rect screenPlot = m_graph.plotRect();
    const double screenScale = m_graph.timePerPixel();

    RecordingSurface printer;
    m_graph.print(printer, 3000, 1000);
    EXPECT_TRUE(printer.Of(Kind::Fill).empty()) << "the page stays white";
    EXPECT_EQ(screenPlot, m_graph.plotRect());
    EXPECT_EQ(screenScale, m_graph.timePerPixel());
    EXPECT_TRUE(m_graph.dirty());
    EXPECT_TRUE(m_graph.scalesStale());
    // Laid out inside the fitted rectangle, which starts at x = 833.
    const RecordingSurface::Call* unit = printer.FindText("(mA)");
    ASSERT_NE(nullptr, unit);
    EXPECT_EQ(834, unit->x);
    const RecordingSurface::Call* label = printer.FindText("100");
    ASSERT_NE(nullptr, label);
    EXPECT_GT(label->x, 833);
    std::vector<RecordingSurface::Call> pens = printer.Of(Kind::SetPen);
    EXPECT_EQ(2, pens[0].pen.width); // 1333 / 1000 + 1
}

TEST_F(GraphDraw, PanMovesTheGrabbedPointWithTheMouse) {
    m_graph.setRange(0, 100, 0, 50);
    m_graph.draw(m_client, m_surface, false);
    const Rect plot = m_graph.plotRect();
    EXPECT_FALSE(m_graph.leftButtonDown(500, 300)) << "live mode: no pan";
    EXPECT_EQ(CGraphView::DragState::None, m_graph.dragState());

    m_graph.setBrowseMode(true);
    m_graph.leftButtonDown(500, 300);
    EXPECT_EQ(CGraphView::DragState::Panning, m_graph.dragState());
    double grabbedTime = m_graph.timeAtColumn(500);
    double grabbedValue = m_graph.valueAtRow(300);
    EXPECT_FALSE(m_graph.rightButtonDown(1, 1)) << "one drag at a time";
    EXPECT_TRUE(m_graph.mouseMove(400, 350));
    EXPECT_NEAR(100, m_graph.timeMax() - m_graph.timeMin(), 1e-9);
    EXPECT_NEAR(50, m_graph.valueMax() - m_graph.valueMin(), 1e-9);
    EXPECT_NEAR(grabbedTime - (400 - plot.left) * m_graph.timePerPixel(), m_graph.timeMin(), 1e-9);
    EXPECT_NEAR(grabbedValue - (plot.bottom - 350) * m_graph.valuePerPixel(), m_graph.valueMin(),
                1e-9);
    EXPECT_FALSE(m_graph.scalesStale()) << "panning keeps the per-pixel scales";
    EXPECT_TRUE(m_graph.leftButtonUp(400, 350));
    EXPECT_EQ(CGraphView::DragState::None, m_graph.dragState());
    // Panned 100 px right of the grab: the point under the mouse is still the grabbed time.
    EXPECT_NEAR(grabbedTime, m_graph.timeAtColumn(400), 1e-9);
}

TEST_F(GraphDraw, PanIsClampedAtTheLowerBound) {
    m_graph.setRange(0, 100, 0, 50);
    m_graph.setBrowseMode(true);
    m_graph.draw(m_client, m_surface, false);
    m_graph.leftButtonDown(100, 100);
    m_graph.mouseMove(1100, 100);
    EXPECT_NEAR(0, m_graph.timeMin(), 1e-9);
    EXPECT_NEAR(100, m_graph.timeMax(), 1e-9);
}

TEST_F(GraphDraw, RubberBandBecomesTheView) {
    m_graph.setRange(0, 100, 0, 50);
    m_graph.setBrowseMode(true);
    m_graph.draw(m_client, m_surface, false);
    EXPECT_TRUE(m_graph.rightButtonDown(300, 100));
    EXPECT_TRUE(m_graph.mouseMove(5000, -40));
    EXPECT_EQ((Rect{300, 0, 1199, 100}), m_graph.rubberBand()) << "clamped to the client";
    double t0 = m_graph.timeAtColumn(300), t1 = m_graph.timeAtColumn(700);
    double v0 = m_graph.valueAtRow(400), v1 = m_graph.valueAtRow(100);
    EXPECT_TRUE(m_graph.rightButtonUp(700, 400));
    EXPECT_EQ(CGraphView::DragState::None, m_graph.dragState());
    EXPECT_NEAR(t0, m_graph.timeMin(), 1e-9);
    EXPECT_NEAR(t1, m_graph.timeMax(), 1e-9);
    EXPECT_NEAR(v0, m_graph.valueMin(), 1e-9);
    EXPECT_NEAR(v1, m_graph.valueMax(), 1e-9);

    // A band without width changes nothing.
    double before = m_graph.timeMin();
    m_graph.rightButtonDown(200, 100);
    m_graph.rightButtonUp(200, 300);
    EXPECT_EQ(before, m_graph.timeMin());
}

TEST_F(GraphDraw, FarOffSamplesStayWithinThePixelRange) {
    m_graph.setBrowseMode(true);
    m_graph.addSample(0, -1e30);
    m_graph.addSample(1, 1e30);
    m_graph.addSample(2, 0);
    m_graph.setRange(0, 2, -0.0001, 0.0001);
    m_graph.draw(m_client, m_surface, false);
    for (const auto& c : Trace()) {
        EXPECT_LE(std::abs(c.y), 1000000);
        EXPECT_LE(std::abs(c.x), 1000000);
    }
}
