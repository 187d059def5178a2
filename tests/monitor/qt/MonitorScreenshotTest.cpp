// Pictures of the meters and the trend graph as a user sees them. Each case checks what the
// picture is for; with Q3_SCREENSHOTS=dir set the pictures are also written there as PNG files
// (and the printed page as a PDF file).

#include "monitor/qt/CGraph.h"
#include "monitor/qt/CGraphPage.h"
#include "monitor/qt/CMeterPanel.h"
#include "tests/monitor/qt/MonitorQtSupport.h"
#include "tests/support/TempDir.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QMouseEvent>
#include <QPixmap>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>

namespace {
const QColor kTrace(255, 50, 50);
const QColor kBar(50, 220, 110);

void Save(const QPixmap& picture, const QString& name) {
    const QString dir = ScreenshotDir();
    if (dir.isEmpty())
        return;
    QDir().mkpath(dir);
    EXPECT_TRUE(picture.save(dir + "/" + name + ".png")) << name.toStdString();
}

QPixmap Grab(QWidget& widget) {
    widget.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&widget));
    return widget.grab();
}

class Screenshots : public ::testing::Test {
protected:
    void SetUp() override { CGraphView::resetTimeLowerBoundForTest(); }
};

// A trend page that recorded 20 minutes of a slowly drifting, noisy temperature every 0.5 s.
class RecordedPage {
public:
    RecordedPage() {
        page.setClockForTest([this] { return m_clock; });
        page.resize(900, 560);
        page.SetRunning(true);
        for (int i = 0; i < 2400; ++i) {
            const double v = 24 + 3 * std::sin(i * 0.004) + 0.4 * std::sin(i * 0.37);
            model.texts[60000] = QString::asprintf("%.4fdeg C, 40.0000%%", v).toStdString();
            page.addSample(&model);
            m_clock += 500;
        }
    }
    ScriptedModel model;
    CGraphPage page{nullptr};

private:
    int64_t m_clock = 0;
};
} // namespace

TEST_F(Screenshots, MetersInEachLayout) {
    CParTypeQA qa;
    SetLiveValues(qa, 182.5, 35, 9.6, 14.2);
    CMeterPanel twoOutputs(nullptr);
    twoOutputs.resize(390, 320);
    twoOutputs.update(&qa);
    const QPixmap layout2 = Grab(twoOutputs);
    EXPECT_GT(CountColour(layout2.toImage(), QRect(260, 0, 130, 320), kBar), 500)
        << "third meter shown";
    Save(layout2, "meters_one_input_two_outputs");

    CParTypeQA1 qa1;
    SetLiveValues(qa1, -12.25, 18, 6.9, 0);
    CMeterPanel oneOutput(nullptr);
    oneOutput.resize(390, 320);
    oneOutput.update(&qa1);
    const QPixmap layout0 = Grab(oneOutput);
    EXPECT_EQ(0, CountColour(layout0.toImage(), QRect(260, 0, 130, 320), kBar))
        << "third meter hidden";
    Save(layout0, "meters_one_input_one_output");

    ScriptedModel twoInputs;
    twoInputs.inputs = 2;
    twoInputs.texts = {{1, "0.0000"},
                       {2, "100.0000"},
                       {21, "-10.0000"},
                       {22, "10.0000"},
                       {60000, "61.2000%, 61.2000%"},
                       {60002, "-2.5000V, 37.5000%"},
                       {60001, "13.7920mA, 61.2000%"}};
    CMeterPanel layout1Panel(nullptr);
    layout1Panel.resize(390, 320);
    layout1Panel.update(&twoInputs);
    const QPixmap layout1 = Grab(layout1Panel);
    EXPECT_GT(CountColour(layout1.toImage(), QRect(130, 0, 130, 320), kBar), 500);
    Save(layout1, "meters_two_inputs");

    ScriptedModel alarm;
    alarm.outputs = 0;
    alarm.values = {{201, 750000}, {204, 1}};
    alarm.texts = {{60000, "92.4000deg C, 82.0000%"}, {60001, "Alarm ON"}};
    alarm.status = 0x8000;
    CMeterPanel alarmPanel(nullptr);
    alarmPanel.resize(390, 320);
    alarmPanel.update(&alarm);
    const QPixmap alarmPicture = Grab(alarmPanel);
    EXPECT_GT(CountColour(alarmPicture.toImage(), QRect(130, 0, 65, 320), QColor(250, 50, 50)),
              500);
    Save(alarmPicture, "meters_alarm");
}

TEST_F(Screenshots, GraphLiveBrowsedZoomedAndPrinted) {
    RecordedPage recorded;
    CGraphPage& page = recorded.page;
    const QPixmap live = Grab(page);
    EXPECT_GT(CountColour(live.toImage(), live.rect(), kTrace), 2000);
    Save(live, "graph_live");

    page.SetRunning(false);
    const QPixmap browsed = Grab(page);
    EXPECT_GT(CountColour(browsed.toImage(), browsed.rect(), kTrace), 2000);
    Save(browsed, "graph_browsed");

    // A rubber band round the first crest, then one step in by double click.
    CGraph* graph = page.graph();
    QTest::mousePress(graph, Qt::RightButton, Qt::NoModifier, QPoint(100, 20));
    QMouseEvent move(QEvent::MouseMove, QPointF(300, 200), graph->mapToGlobal(QPointF(300, 200)),
                     Qt::NoButton, Qt::RightButton, Qt::NoModifier);
    QApplication::sendEvent(graph, &move);
    const QPixmap band = Grab(page);
    Save(band, "graph_rubber_band");
    QTest::mouseRelease(graph, Qt::RightButton, Qt::NoModifier, QPoint(300, 200));
    const double bandSpan = graph->view().timeMax() - graph->view().timeMin();
    EXPECT_LT(bandSpan, 400);
    QTest::mouseDClick(graph, Qt::LeftButton, Qt::NoModifier, graph->rect().center());
    EXPECT_NEAR(bandSpan / 2, graph->view().timeMax() - graph->view().timeMin(), 1e-6);
    const QPixmap zoomed = Grab(page);
    EXPECT_GT(CountColour(zoomed.toImage(), zoomed.rect(), kTrace), 1000);
    Save(zoomed, "graph_zoomed");

    TempDir dir;
    const QString shots = ScreenshotDir();
    const QString pdf = shots.isEmpty() ? QString::fromStdString(dir.File("graph.pdf"))
                                        : shots + "/graph_print.pdf";
    if (!shots.isEmpty())
        QDir().mkpath(shots);
    ASSERT_TRUE(page.printToPdf(pdf));
    EXPECT_GT(QFile(pdf).size(), 2000);
}
