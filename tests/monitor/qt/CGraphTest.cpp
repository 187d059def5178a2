#include "monitor/qt/CGraph.h"

#include "tests/monitor/qt/MonitorQtSupport.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>

namespace {
const QColor kTrace(255, 50, 50);

// A browsable recording of a sine over 0..100 s in a graph of 600 x 400.
class GraphWidget : public ::testing::Test {
protected:
    void SetUp() override {
        CGraphView::resetTimeLowerBoundForTest();
        graph.resize(600, 400);
        for (int i = 0; i <= 1000; ++i)
            graph.view().addSample(i * 0.1, 5 + 4 * std::sin(i * 0.01));
        graph.view().setRange(0, 100, 0, 10);
        graph.view().setBrowseMode(true);
        graph.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&graph));
        graph.picture(); // the scales of the first drawing, as after the first paint
    }

    void Move(QPoint to) {
        QMouseEvent move(QEvent::MouseMove, QPointF(to), graph.mapToGlobal(QPointF(to)),
                         Qt::NoButton, m_held, Qt::NoModifier);
        QApplication::sendEvent(&graph, &move);
    }
    void Press(Qt::MouseButton button, QPoint at) {
        m_held |= button;
        QTest::mousePress(&graph, button, Qt::NoModifier, at);
    }
    void Release(Qt::MouseButton button, QPoint at) {
        m_held &= ~Qt::MouseButtons(button);
        QTest::mouseRelease(&graph, button, Qt::NoModifier, at);
    }

    CGraph graph;
    CGraphView& view = graph.view();
    Qt::MouseButtons m_held;
};
} // namespace

TEST_F(GraphWidget, DoubleClicksZoomInAndOutInBrowseMode) {
    QTest::mouseDClick(&graph, Qt::LeftButton, Qt::NoModifier, QPoint(300, 200));
    EXPECT_DOUBLE_EQ(25, view.timeMin());
    EXPECT_DOUBLE_EQ(75, view.timeMax());
    EXPECT_DOUBLE_EQ(2.5, view.valueMin());
    EXPECT_DOUBLE_EQ(7.5, view.valueMax());

    QTest::mouseDClick(&graph, Qt::RightButton, Qt::NoModifier, QPoint(300, 200));
    EXPECT_DOUBLE_EQ(12.5, view.timeMin());
    EXPECT_DOUBLE_EQ(87.5, view.timeMax());
    EXPECT_DOUBLE_EQ(1.25, view.valueMin());
    EXPECT_DOUBLE_EQ(8.75, view.valueMax());
}

TEST_F(GraphWidget, LiveModeIgnoresTheMouse) {
    view.setBrowseMode(false);
    QTest::mouseDClick(&graph, Qt::LeftButton, Qt::NoModifier, QPoint(300, 200));
    Press(Qt::LeftButton, QPoint(300, 200));
    Move(QPoint(350, 150));
    Release(Qt::LeftButton, QPoint(350, 150));
    EXPECT_DOUBLE_EQ(0, view.timeMin());
    EXPECT_DOUBLE_EQ(100, view.timeMax());
    EXPECT_DOUBLE_EQ(0, view.valueMin());
}

TEST_F(GraphWidget, LeftDragPansWithTheSpansKept) {
    view.setView(20, 70, 0, 10);
    graph.picture();
    const double tpp = view.timePerPixel();
    const double vpp = view.valuePerPixel();
    ASSERT_GT(tpp, 0);
    Press(Qt::LeftButton, QPoint(300, 200));
    Move(QPoint(340, 190));
    EXPECT_NEAR(20 - 40 * tpp, view.timeMin(), 1e-9) << "the grabbed time follows the mouse";
    EXPECT_NEAR(70 - 40 * tpp, view.timeMax(), 1e-9);
    EXPECT_NEAR(-10 * vpp, view.valueMin(), 1e-9);
    EXPECT_DOUBLE_EQ(tpp, view.timePerPixel()) << "panning keeps the scales";
    Move(QPoint(200, 260));
    Release(Qt::LeftButton, QPoint(200, 260));
    EXPECT_NEAR(20 + 100 * tpp, view.timeMin(), 1e-9);
    EXPECT_NEAR(70 + 100 * tpp, view.timeMax(), 1e-9);
    EXPECT_NEAR(60 * vpp, view.valueMin(), 1e-9);
    EXPECT_NEAR(10 + 60 * vpp, view.valueMax(), 1e-9);
    EXPECT_EQ(CGraphView::DragState::None, view.dragState());
}

TEST_F(GraphWidget, PanningLeftOfZeroIsHeldAtTheLowerBound) {
    Press(Qt::LeftButton, QPoint(300, 200));
    Move(QPoint(400, 200));
    Release(Qt::LeftButton, QPoint(400, 200));
    EXPECT_DOUBLE_EQ(0, view.timeMin());
    EXPECT_DOUBLE_EQ(100, view.timeMax());
}

TEST_F(GraphWidget, RightDragZoomsToTheRubberBand) {
    const double t100 = view.timeAtColumn(100), t300 = view.timeAtColumn(300);
    const double v250 = view.valueAtRow(250), v100 = view.valueAtRow(100);
    Press(Qt::RightButton, QPoint(100, 100));
    Move(QPoint(300, 250));
    EXPECT_EQ(CGraphView::DragState::RubberBand, view.dragState());
    // The band is drawn over the picture: it inverts the pixels on its edge.
    const QImage during = graph.grab().toImage();
    const QImage picture = graph.picture().toImage();
    EXPECT_NE(picture.pixel(200, 100), during.pixel(200, 100));
    EXPECT_EQ(picture.pixel(200, 175), during.pixel(200, 175)) << "inside stays";
    Release(Qt::RightButton, QPoint(300, 250));
    EXPECT_DOUBLE_EQ(t100, view.timeMin());
    EXPECT_DOUBLE_EQ(t300, view.timeMax());
    EXPECT_DOUBLE_EQ(v250, view.valueMin());
    EXPECT_DOUBLE_EQ(v100, view.valueMax());
}

TEST_F(GraphWidget, AnEmptyRubberBandChangesNothing) {
    Press(Qt::RightButton, QPoint(100, 100));
    Move(QPoint(100, 250));
    Release(Qt::RightButton, QPoint(100, 250));
    EXPECT_DOUBLE_EQ(0, view.timeMin());
    EXPECT_DOUBLE_EQ(100, view.timeMax());
}

TEST_F(GraphWidget, PictureIsRedrawnWhenTheViewIsDirty) {
    EXPECT_FALSE(view.dirty());
    const QImage before = graph.picture().toImage();
    EXPECT_GT(CountColour(before, before.rect(), kTrace), 500) << "the trace is drawn";
    view.setColours(view.backColour(), view.textColour(), view.gridColour(), {0, 0, 255});
    EXPECT_TRUE(view.dirty());
    const QImage after = graph.picture().toImage();
    EXPECT_EQ(0, CountColour(after, after.rect(), kTrace));
    EXPECT_GT(CountColour(after, after.rect(), QColor(0, 0, 255)), 500);
}

TEST_F(GraphWidget, PrintFitsThePictureIntoThePageKeepingItsShape) {
    // Zoomed in, the trace runs far beyond the plot (it is not clipped to it).
    view.setView(20, 40, 4.5, 5.5);
    // An A4-shaped page: the 600 x 400 picture takes the full width, 400 / 600 x 707 high.
    QImage page(707, 1000, QImage::Format_RGB32);
    page.fill(Qt::white);
    ASSERT_TRUE(graph.printOn(page));
    const int top = (1000 - 471) / 2;
    EXPECT_EQ(0, CountColour(page, QRect(0, 0, 707, top - 2), kTrace) +
                     CountColour(page, QRect(0, top + 473, 707, 1000), kTrace))
        << "nothing above or below the fitted picture";
    EXPECT_EQ(0, CountColour(page, QRect(0, top + 473, 707, 1000), QColor(0, 0, 0)));
    EXPECT_GT(CountColour(page, QRect(0, top, 707, 471), kTrace), 500);
    // The page stays white behind the picture: no background fill when printing.
    EXPECT_EQ(qRgb(255, 255, 255), page.pixel(2, top + 200) | 0xFF000000u);
    EXPECT_TRUE(view.dirty());
}
