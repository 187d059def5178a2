#include "monitor/qt/CGraphPage.h"

#include "comm/CObserver.h"
#include "gui/CFileDialogs.h"
#include "monitor/qt/CGraph.h"
#include "tests/monitor/qt/MonitorQtSupport.h"
#include "tests/support/TempDir.h"
#include "tests/support/qt/GuiTestSupport.h"

#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {
class CountingObserver : public CObserver {
public:
    void Update(CObservable* source) override {
        ++updates;
        last = source;
    }
    int updates = 0;
    CObservable* last = nullptr;
};

struct Enabling {
    bool start, stop, close, print, saveCsv;
    bool operator==(const Enabling&) const = default;
};

Enabling ButtonsOf(const CGraphPage& page) {
    return {page.startButton()->isEnabled(), page.stopButton()->isEnabled(),
            page.closeButton()->isEnabled(), page.printButton()->isEnabled(),
            page.saveCsvButton()->isEnabled()};
}

void PrintTo(const Enabling& e, std::ostream* os) {
    *os << "start " << e.start << " stop " << e.stop << " close " << e.close << " print " << e.print
        << " saveCsv " << e.saveCsv;
}

class GraphPage : public ::testing::Test {
protected:
    void SetUp() override {
        CGraphView::resetTimeLowerBoundForTest();
        page.setClockForTest([this] { return clock; });
        page.resize(800, 500);
        page.show();
        model.texts[60000] = "25.0000deg C, 50.0000%";
    }
    void TearDown() override { SetFileDialogHook(nullptr); }

    // One poll result with the input at value, clockMs after the previous one.
    void Poll(double value, int64_t afterMs) {
        clock += afterMs;
        model.texts[60000] = QString::asprintf("%.4fdeg C, 50.0000%%", value).toStdString();
        page.addSample(&model);
    }

    MessageRecorder messages;
    int64_t clock = 100000;
    ScriptedModel model;
    CGraphPage page{nullptr};
};
} // namespace

TEST_F(GraphPage, StartStopAndCloseFollowTheRecording) {
    const Enabling idleEmpty{true, false, true, true, false};
    const Enabling running{false, true, true, false, false}; // Close stops the recording
    const Enabling idleRecorded{true, false, true, true, true};
    EXPECT_EQ(idleEmpty, ButtonsOf(page)) << "nothing recorded yet: no CSV";
    EXPECT_EQ(QString("Start"), page.startButton()->text());
    EXPECT_EQ(QString("Stop"), page.stopButton()->text());
    EXPECT_EQ(QString("Close"), page.closeButton()->text());
    EXPECT_EQ(QString("Print"), page.printButton()->text());
    EXPECT_EQ(QString("Save CSV"), page.saveCsvButton()->text());

    QTest::mouseClick(page.startButton(), Qt::LeftButton);
    EXPECT_TRUE(page.running());
    EXPECT_EQ(running, ButtonsOf(page));
    EXPECT_FALSE(page.graph()->view().browseMode());

    Poll(25, 0);
    EXPECT_EQ(running, ButtonsOf(page)) << "Save CSV stays off while recording";

    QTest::mouseClick(page.stopButton(), Qt::LeftButton);
    EXPECT_FALSE(page.running());
    EXPECT_EQ(idleRecorded, ButtonsOf(page));
    EXPECT_TRUE(page.graph()->view().browseMode());

    QTest::mouseClick(page.startButton(), Qt::LeftButton);
    EXPECT_TRUE(page.graph()->view().store().points().empty()) << "Start clears the samples";
    EXPECT_EQ(running, ButtonsOf(page));
    page.SetRunning(false);
    EXPECT_EQ(idleEmpty, ButtonsOf(page));
}

TEST_F(GraphPage, CloseStopsARecordingThenNotifiesOnce) {
    CountingObserver observer;
    page.AddObserver(&observer);
    page.SetRunning(true);
    QTest::mouseClick(page.closeButton(), Qt::LeftButton);
    EXPECT_EQ(1, observer.updates);
    EXPECT_EQ(static_cast<CObservable*>(&page), observer.last);
    EXPECT_FALSE(page.running());
}

TEST_F(GraphPage, ADeviceThatStopsAnsweringIsSaid) {
    page.SetRunning(true);
    EXPECT_FALSE(page.noticeLabel()->isVisible());
    page.SetDeviceAnswering(false);
    EXPECT_TRUE(page.noticeLabel()->isVisible());
    EXPECT_EQ("The device does not answer: nothing is recorded until it does.",
              page.noticeLabel()->text());
    page.SetDeviceAnswering(true);
    EXPECT_FALSE(page.noticeLabel()->isVisible());
}

TEST_F(GraphPage, SamplesTakeTheInputValueAndTheElapsedClock) {
    page.addSample(&model);
    EXPECT_TRUE(page.graph()->view().store().points().empty()) << "ignored unless running";
    page.addSample(nullptr);

    page.SetRunning(true);
    Poll(25, 0);
    Poll(26.5, 500);
    Poll(24, 1500);
    const auto& points = page.graph()->view().store().points();
    ASSERT_EQ(3u, points.size());
    EXPECT_FLOAT_EQ(0, points[0].time);
    EXPECT_FLOAT_EQ(0.5f, points[1].time);
    EXPECT_FLOAT_EQ(2.0f, points[2].time);
    EXPECT_FLOAT_EQ(26.5f, points[1].value);
    EXPECT_FLOAT_EQ(24, points[2].value);
    EXPECT_EQ("deg C", page.graph()->view().unitText());
    EXPECT_DOUBLE_EQ(2.0, page.graph()->view().timeMax()) << "the time axis ends at the latest";
    EXPECT_LT(page.graph()->view().valueMin(), 24);
    EXPECT_GT(page.graph()->view().valueMax(), 26.5);
}

TEST_F(GraphPage, SaveCsvWritesTheSamplesToTheChosenFile) {
    TempDir dir;
    const std::string path = dir.File("trend.csv");
    QString askedTitle;
    bool askedSave = false;
    SetFileDialogHook(
        [&](QWidget*, bool save, const QString& title, const QStringList&, const QString&) {
            askedTitle = title;
            askedSave = save;
            return QString::fromStdString(path);
        });
    page.SetRunning(true);
    Poll(25, 0);
    Poll(25.25, 1250);
    QTest::mouseClick(page.saveCsvButton(), Qt::LeftButton);
    EXPECT_TRUE(askedTitle.isEmpty()) << "the button is disabled while recording";

    page.SetRunning(false);
    QTest::mouseClick(page.saveCsvButton(), Qt::LeftButton);
    EXPECT_TRUE(askedSave);
    EXPECT_EQ(QString("Save CSV"), askedTitle);
    EXPECT_EQ("elapsed_s,value (deg C)\n0.000,25.0000\n1.250,25.2500\n", ReadWholeFile(path));
    EXPECT_TRUE(messages.texts.isEmpty());
}

TEST_F(GraphPage, SaveCsvFailureIsShown) {
    TempDir dir;
    page.SetRunning(true);
    Poll(1, 0);
    page.SetRunning(false);
    EXPECT_FALSE(page.saveCsv(QString::fromStdString(dir.File("missing/trend.csv"))));
    ASSERT_EQ(1, messages.texts.size());
    EXPECT_EQ(QString("Can not write the CSV file."), messages.texts[0]);
    EXPECT_EQ(MessageIcon::Stop, messages.icons[0]);
}

TEST_F(GraphPage, PrintsToAPdfFile) {
    TempDir dir;
    page.SetRunning(true);
    for (int i = 0; i < 200; ++i)
        Poll(20 + (i % 40) * 0.25, 500);
    page.SetRunning(false);
    const QString pdf = QString::fromStdString(dir.File("graph.pdf"));
    ASSERT_TRUE(page.printToPdf(pdf));
    const std::string content = ReadWholeFile(pdf.toStdString());
    EXPECT_EQ(0u, content.rfind("%PDF-", 0));
    EXPECT_NE(std::string::npos, content.find("/Count 1")) << "one page";
    const char kTitle[] = "/Title (\xfe\xff\0G\0r\0a\0p\0h)"; // UTF-16 with byte order mark
    const std::string title(kTitle, sizeof kTitle - 1);
    EXPECT_NE(std::string::npos, content.find(title)) << "the document is named Graph";
    EXPECT_TRUE(page.graph()->view().dirty()) << "the screen picture is redrawn after printing";
    // The header names the device, the time recorded and the unit.
    const std::string text = PdfText(pdf.toStdString());
    EXPECT_NE(std::string::npos, text.find("Recorded")) << text;
    EXPECT_NE(std::string::npos, text.find("Unit deg C")) << text;

    EXPECT_FALSE(page.printToPdf(QString::fromStdString(dir.File("missing/graph.pdf"))));
}
