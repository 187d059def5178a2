#include "monitor/CGraphView.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <tuple>
#include <utility>
#include <vector>

namespace {
class GraphView : public ::testing::Test {
protected:
    void SetUp() override { CGraphView::resetTimeLowerBoundForTest(); }
    void TearDown() override { CGraphView::resetTimeLowerBoundForTest(); }

    static void ExpectView(const CGraphView& g, double t0, double t1, double v0, double v1) {
        EXPECT_NEAR(t0, g.timeMin(), 1e-9);
        EXPECT_NEAR(t1, g.timeMax(), 1e-9);
        EXPECT_NEAR(v0, g.valueMin(), 1e-9);
        EXPECT_NEAR(v1, g.valueMax(), 1e-9);
    }
};
} // namespace

TEST_F(GraphView, NiceStepAndDigits) {
    int d = -1;
    EXPECT_DOUBLE_EQ(20, CGraphView::niceStep(20, d));
    EXPECT_EQ(2, d);
    EXPECT_DOUBLE_EQ(0.2, CGraphView::niceStep(0.2, d));
    EXPECT_EQ(1, d);
    EXPECT_DOUBLE_EQ(10, CGraphView::niceStep(7, d));
    EXPECT_EQ(1, d);
    EXPECT_DOUBLE_EQ(5, CGraphView::niceStep(3.3, d));
    EXPECT_DOUBLE_EQ(1, CGraphView::niceStep(1, d));
    EXPECT_NEAR(0.0002, CGraphView::niceStep(0.0002, d), 1e-15);
    EXPECT_EQ(4, d);
    EXPECT_DOUBLE_EQ(500000, CGraphView::niceStep(400000, d));
    EXPECT_EQ(6, d);
    EXPECT_EQ(0, CGraphView::niceStep(0, d));
    EXPECT_EQ(0, d);
    EXPECT_EQ(0, CGraphView::niceStep(-5, d));
    EXPECT_EQ(0, CGraphView::niceStep(INFINITY, d));
}

TEST_F(GraphView, SpanOfHundredAndOneGiveStepsAndFormats) {
    CGraphView g;
    g.setRange(0, 100, 0, 100);
    EXPECT_DOUBLE_EQ(20, g.valueStep());
    EXPECT_EQ("%2.0lf", g.valueFormat());
    EXPECT_EQ("%2.0lf", g.timeFormat());
    EXPECT_EQ("60", g.valueLabel(60));
    g.setRange(0, 1, 0, 1);
    EXPECT_DOUBLE_EQ(0.2, g.valueStep());
    EXPECT_EQ("%.1lf", g.valueFormat());
    EXPECT_EQ("0.6", g.valueLabel(0.6));
}

TEST_F(GraphView, ClockLabels) {
    CGraphView g;
    g.setTimeAsClock(true);
    g.setView(0, 100, 0, 1);
    EXPECT_EQ("%d:%02d:%02.0lf", g.timeFormat());
    EXPECT_EQ("1:02:05", g.timeLabel(3725));
    EXPECT_EQ("0:00:00", g.timeLabel(0));
    EXPECT_EQ("10000:00:00", g.timeLabel(36000000));
    g.setAllowNegativeX(true);
    g.setView(-7200, 100, 0, 1);
    EXPECT_EQ("-1:02:05", g.timeLabel(-3725));
    g.setView(0, 1, 0, 1);
    EXPECT_EQ("%d:%02d:%04.1lf", g.timeFormat());
    EXPECT_EQ("0:01:01.5", g.timeLabel(61.5));
    EXPECT_EQ("0:00:00.2", g.timeLabel(0.2));
    g.setView(0, 0.01, 0, 1);
    EXPECT_EQ("%d:%02d:%06.3lf", g.timeFormat());
    EXPECT_EQ("0:00:00.004", g.timeLabel(0.004));
}

TEST_F(GraphView, ValueLabelsNeverShowNegativeZero) {
    CGraphView g;
    g.setView(0, 1, -1, 1); // step 0.5, "%.1lf"
    EXPECT_EQ("0.0", g.valueLabel(-0.0));
    EXPECT_EQ("0.0", g.valueLabel(-0.04));
    EXPECT_EQ("-0.1", g.valueLabel(-0.06));
    g.setView(0, 1, -0.01, 0.01); // step 0.005, "%.3lf"
    EXPECT_EQ("0.000", g.valueLabel(-0.0001));
    g.setView(0, 1, -100, 100); // step 50, "%2.0lf"
    EXPECT_EQ("0", g.valueLabel(-0.3));
    g.setView(0, 1, -1000, 1000); // step 500, "%3.0lf": a padded "-0" too
    EXPECT_EQ(" 0", g.valueLabel(-0.3));
    EXPECT_EQ("-500", g.valueLabel(-500));

    for (double low : {-1.0, -0.3, -7.7, -123.4}) {
        g.setView(0, 1, low, -low * 0.9);
        for (double v : CGraphView::tickPositions(g.valueMin(), g.valueMax(), g.valueStep())) {
            std::string label = g.valueLabel(v);
            if (v == 0) {
                EXPECT_EQ('0', label[label.find_first_not_of(' ')]) << label;
            }
            EXPECT_FALSE(std::signbit(v) && v == 0);
        }
    }
}

TEST_F(GraphView, TickPositions) {
    std::vector<double> ticks = CGraphView::tickPositions(0.5, 1.5, 0.2);
    ASSERT_EQ(6u, ticks.size()); // from 0.4 (toward zero) up to 1.4
    EXPECT_DOUBLE_EQ(0.4, ticks.front());
    EXPECT_DOUBLE_EQ(1.4, ticks.back());
    ticks = CGraphView::tickPositions(0, 1, 0.2);
    ASSERT_EQ(6u, ticks.size()) << "the tolerance keeps the tick at max";
    ticks = CGraphView::tickPositions(-0.5, 0.5, 0.2);
    ASSERT_EQ(5u, ticks.size()); // -0.4 .. 0.4, trunc toward zero
    EXPECT_DOUBLE_EQ(-0.4, ticks.front());
    EXPECT_EQ(0.0, ticks[2]);
    EXPECT_FALSE(std::signbit(ticks[2]));
    EXPECT_TRUE(CGraphView::tickPositions(0, 1, 0).empty());
    EXPECT_TRUE(CGraphView::tickPositions(0, 1, NAN).empty());
    EXPECT_LE(CGraphView::tickPositions(0, 1e300, 1e-300).size(), 10000u);
}

TEST_F(GraphView, SetRangeWidensZeroSpans) {
    CGraphView g;
    g.setRange(0, 0, -0.001, 0.001);
    EXPECT_EQ(0, g.homeTimeMax());
    ExpectView(g, 0, 0.1, -0.001, 0.001);
    g.setRange(0, 5, 7, 7);
    ExpectView(g, 0, 5, 7, 7.1);
}

TEST_F(GraphView, SetViewMinimumSpans) {
    CGraphView g;
    g.setView(5, 5, 2, 2);
    ExpectView(g, 4.9995, 5.0005, 1.99995, 2.00005);
    g.setView(10, 9, 3, 1); // reversed: centred minimum spans
    ExpectView(g, 9.4995, 9.5005, 1.99995, 2.00005);
    EXPECT_TRUE(g.scalesStale());
    EXPECT_TRUE(g.dirty());
}

TEST_F(GraphView, SetViewClampsToTheLimitsKeepingTheSpan) {
    CGraphView g;
    g.setView(-100, 50, 0, 1);
    ExpectView(g, 0, 150, 0, 1);
    g.setView(36e6 - 10, 36e6 + 10, 0, 1);
    ExpectView(g, 36e6 - 20, 36e6, 0, 1);
    g.setView(0, 1, 999990, 1000010);
    ExpectView(g, 0, 1, 999980, 1e6);
    g.setView(0, 1, -1000010, -999990);
    ExpectView(g, 0, 1, -1e6, -999980);
    g.setView(-1e308, 1e308, -1e308, 1e308);
    ExpectView(g, 0, 36e6, -1e6, 1e6);
    g.setView(0, NAN, 0, 1); // ignored
    ExpectView(g, 0, 36e6, -1e6, 1e6);
}

TEST_F(GraphView, ZoomingOutIsClampedToTheLimits) {
    CGraphView g;
    g.setBrowseMode(true);
    g.setView(10, 20, -5, 5);
    for (int i = 0; i < 100; ++i)
        EXPECT_TRUE(g.rightDoubleClick());
    ExpectView(g, 0, 36e6, -1e6, 1e6);
}

TEST_F(GraphView, AnyGraphWithNegativeXLowersTheBoundForAllForGood) {
    CGraphView trend;
    CGraphView table;
    table.setAllowNegativeX(true);
    trend.setView(-10, 10, 0, 1);
    ExpectView(trend, 0, 20, 0, 1);
    EXPECT_EQ(0, CGraphView::timeLowerBound()) << "allowing alone does not lower the bound";

    table.setRange(-15, 115, -15, 115);
    ExpectView(table, -15, 115, -15, 115);
    EXPECT_EQ(-36e6, CGraphView::timeLowerBound());
    trend.setView(-10, 10, 0, 1);
    ExpectView(trend, -10, 10, 0, 1);
    table.setAllowNegativeX(false);
    table.setView(-40e6, 0, 0, 1);
    ExpectView(table, -36e6, 4e6, 0, 1);
}

TEST_F(GraphView, ZoomInShrinksByAQuarterEachSide) {
    CGraphView g;
    g.setView(0, 100, -40, 40);
    EXPECT_FALSE(g.leftDoubleClick()) << "live mode ignores the mouse";
    ExpectView(g, 0, 100, -40, 40);
    g.setBrowseMode(true);
    EXPECT_TRUE(g.leftDoubleClick());
    ExpectView(g, 25, 75, -20, 20);
    EXPECT_TRUE(g.rightDoubleClick());
    ExpectView(g, 12.5, 87.5, -30, 30);
}

namespace {
// The painter's calls, in order.
class CallLog : public IDrawSurface {
public:
    void FillRect(const Rect&, Colour) override {}
    void SetPen(const Pen&) override {}
    void MoveTo(int x, int y) override { calls.push_back({'M', x, y}); }
    void LineTo(int x, int y) override { calls.push_back({'L', x, y}); }
    void DrawText(int, int, const std::string&, int, Colour) override {}
    TextSize TextExtent(const std::string& text) override {
        return {static_cast<int>(text.size()) * 7, 12};
    }
    std::vector<std::tuple<char, int, int>> calls;
};
} // namespace

// A recording is browsed through the store's summary, a table point by point: both must draw
// the same trace of the same samples, over bursts, gaps and views cut at either side.
TEST_F(GraphView, BrowsingARecordingDrawsWhatAPointByPointScanDraws) {
    CGraphView recording;
    CGraphView table;
    uint32_t seed = 12345;
    auto next = [&seed] { return (seed = seed * 1664525u + 1013904223u) >> 8; };
    double t = 0;
    for (int i = 0; i < 200000; ++i) {
        t += (i / 5000) % 3 == 0 ? 0.001 : (next() % 100) * 0.05; // bursts and gaps
        const double v = static_cast<double>(next() % 20001) / 100.0 - 100.0;
        recording.addSample(t, v);
        table.addSample(t, v);
    }
    // A sample far to the right ends both traces; after it the table goes back in time, which
    // its scan never reaches.
    recording.addSample(t + 1e5, 0);
    table.addSample(t + 1e5, 0);
    table.addSample(0, 0);
    ASSERT_TRUE(recording.store().timesAscending());
    ASSERT_FALSE(table.store().timesAscending());
    const double end = t;
    for (auto [t0, t1] : {std::pair{0.0, end}, std::pair{end * 0.3, end * 0.31},
                          std::pair{end * 0.5, end * 0.5 + 0.02}, std::pair{-5.0, end + 5}}) {
        CallLog a, b;
        for (auto [graph, log] : {std::pair{&recording, &a}, std::pair{&table, &b}}) {
            graph->setRange(t0, t1, -110, 110);
            graph->setBrowseMode(true);
            graph->draw(Rect{0, 0, 1200, 600}, *log, false);
        }
        EXPECT_GT(a.calls.size(), 10u) << t0;
        EXPECT_TRUE(a.calls == b.calls) << "view " << t0 << " to " << t1;
    }
}
