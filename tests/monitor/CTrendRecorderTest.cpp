#include "monitor/CTrendRecorder.h"

#include "comm/CPrivateException.h"
#include "monitor/CGraphView.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace {
class TrendRecorder : public ::testing::Test {
protected:
    void SetUp() override { CGraphView::resetTimeLowerBoundForTest(); }

    CGraphView m_graph;
    CTrendRecorder m_recorder{m_graph};
};
} // namespace

TEST_F(TrendRecorder, CreationSetsUpTheGraph) {
    EXPECT_FALSE(m_recorder.running());
    EXPECT_TRUE(m_graph.timeAsClock());
    EXPECT_DOUBLE_EQ(1, m_graph.timeMax());
    EXPECT_DOUBLE_EQ(-0.11, m_graph.valueMin());
    EXPECT_DOUBLE_EQ(0.11, m_graph.valueMax());
    EXPECT_EQ("%d:%02d:%04.1lf", m_graph.timeFormat());
}

TEST_F(TrendRecorder, StartClearsAndGoesLive) {
    m_graph.setBrowseMode(true);
    m_graph.addSample(1, 1);
    EXPECT_FALSE(m_recorder.addSample("5", "V", 0)) << "ignored while stopped";
    EXPECT_TRUE(m_recorder.start());
    EXPECT_TRUE(m_recorder.running());
    EXPECT_FALSE(m_recorder.start()) << "ignored while running";
    EXPECT_FALSE(m_graph.browseMode());
    EXPECT_TRUE(m_graph.store().points().empty());
    EXPECT_DOUBLE_EQ(0, m_graph.timeMin());
    EXPECT_DOUBLE_EQ(0.1, m_graph.timeMax());
    EXPECT_DOUBLE_EQ(-0.001, m_graph.valueMin());
    EXPECT_DOUBLE_EQ(0.001, m_graph.valueMax());

    EXPECT_TRUE(m_recorder.stop());
    EXPECT_FALSE(m_recorder.running());
    EXPECT_TRUE(m_graph.browseMode());
    EXPECT_FALSE(m_recorder.stop());
}

TEST_F(TrendRecorder, ConstantInputGivesTheMinimumViewAroundIt) {
    m_recorder.start();
    for (int i = 0; i < 50; ++i)
        EXPECT_TRUE(m_recorder.addSample("25.0000deg C, 50.0000%", "deg C", 1000 + i * 500));
    EXPECT_DOUBLE_EQ(25 - 0.0001, m_recorder.viewMin());
    EXPECT_DOUBLE_EQ(25 + 0.0001, m_recorder.viewMax());
    EXPECT_DOUBLE_EQ(25 - 0.0001, m_graph.valueMin());
    EXPECT_DOUBLE_EQ(25 + 0.0001, m_graph.valueMax());
    EXPECT_DOUBLE_EQ(24.5, m_recorder.elapsed());
    EXPECT_DOUBLE_EQ(24.5, m_graph.timeMax());
    EXPECT_EQ("deg C", m_graph.unitText());
    EXPECT_EQ(50u, m_graph.store().points().size());
}

TEST_F(TrendRecorder, TheValueAxisGrowsByFivePercentOfTheView) {
    m_recorder.start();
    m_recorder.addSample("0", "mA", 0);
    EXPECT_EQ(0.0f, m_graph.store().points()[0].time);
    EXPECT_DOUBLE_EQ(0.1, m_graph.timeMax()) << "the first sample at 0 s shows 0.1 s";
    m_recorder.addSample("10", "mA", 1000);
    EXPECT_NEAR(-0.0001, m_recorder.viewMin(), 1e-12);
    EXPECT_NEAR(10.00001, m_recorder.viewMax(), 1e-12);
    m_recorder.addSample("10", "mA", 2000);
    EXPECT_NEAR(-0.5000055, m_recorder.viewMin(), 1e-12);
    EXPECT_NEAR(10.525000775, m_recorder.viewMax(), 1e-12);
    m_recorder.addSample("5", "mA", 3000);
    EXPECT_DOUBLE_EQ(0, m_recorder.seenMin());
    EXPECT_DOUBLE_EQ(10, m_recorder.seenMax());
    EXPECT_DOUBLE_EQ(3, m_graph.timeMax());
}

TEST_F(TrendRecorder, TextWithoutANumberRecordsZero) {
    m_recorder.start();
    m_recorder.addSample("----", "", 0);
    m_recorder.addSample("nan", "", 100);
    m_recorder.addSample("1e999", "", 200);
    ASSERT_EQ(3u, m_graph.store().points().size());
    for (const auto& p : m_graph.store().points())
        EXPECT_EQ(0.0f, p.value);
}

TEST_F(TrendRecorder, RestartBeginsANewRecording) {
    m_recorder.start();
    m_recorder.addSample("1", "V", 5000);
    m_recorder.addSample("2", "V", 6000);
    m_recorder.stop();
    m_recorder.start();
    m_recorder.addSample("7", "mV", 90000);
    ASSERT_EQ(1u, m_graph.store().points().size());
    EXPECT_EQ(90000, m_recorder.startTick());
    EXPECT_DOUBLE_EQ(7, m_recorder.seenMin());
    EXPECT_EQ("mV", m_graph.unitText());
}

TEST_F(TrendRecorder, ExportsCsv) {
    TempDir dir;
    m_recorder.start();
    m_recorder.addSample("25.5000deg C, 50%", "deg C", 1000);
    m_recorder.addSample("-1.2500deg C, 0%", "deg C", 2500);
    m_recorder.addSample("100deg C, 0%", "deg C", 3250);
    m_recorder.stop();
    std::string path = dir.File("trend.csv");
    m_recorder.exportCsv(path);
    EXPECT_EQ("elapsed_s,value (deg C)\n0.000,25.5000\n1.500,-1.2500\n2.250,100.0000\n",
              ReadWholeFile(path));

    m_graph.setUnitText("mA, loop");
    m_recorder.exportCsv(path);
    EXPECT_EQ(0u, ReadWholeFile(path).find("elapsed_s,\"value (mA, loop)\"\n"));
}

TEST_F(TrendRecorder, CsvFailureKeepsTheOldFile) {
    TempDir dir;
    m_recorder.start();
    m_recorder.addSample("1", "V", 0);
    std::string message;
    try {
        m_recorder.exportCsv(dir.File("missing/trend.csv"));
    } catch (const CPrivateException& e) {
        message = e.Message();
    }
    EXPECT_EQ("Can not write the CSV file.", message);
}
