#include "monitor/qt/CMeterPanel.h"

#include "monitor/qt/CMeter.h"
#include "monitor/qt/CMeterPage.h"
#include "tests/monitor/qt/MonitorQtSupport.h"

#include <QImage>
#include <QTest>

#include <gtest/gtest.h>

namespace {
const QColor kBar(50, 220, 110);
const QColor kEmpty(150, 150, 150);
const QColor kAlarm(250, 50, 50);
const QColor kCaption(50, 50, 255);

class MeterPanel : public ::testing::Test {
protected:
    void SetUp() override {
        panel.resize(360, 300);
        panel.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));
    }

    bool PageShown(int i) const { return panel.page(i)->isVisibleTo(&panel); }
    const CMeterModel& Meter(int i) const { return panel.model().meter(i); }
    QImage Picture(int i) { return panel.page(i)->meter()->picture().toImage(); }

    CMeterPanel panel{nullptr};
};
} // namespace

TEST_F(MeterPanel, TwoOutputModelShowsInputAndBothOutputs) {
    CParTypeQA qa;
    SetLiveValues(qa, 25, 37.5, 8, 12);
    panel.update(&qa);

    EXPECT_EQ(2, panel.model().layout());
    EXPECT_TRUE(PageShown(0) && PageShown(1) && PageShown(2));
    EXPECT_EQ("Input", Meter(0).title());
    EXPECT_EQ("Output1", Meter(1).title());
    EXPECT_EQ("Output2", Meter(2).title());

    EXPECT_EQ("25.0000deg C", Meter(0).valueText());
    EXPECT_EQ("37.5000%", Meter(0).subText());
    EXPECT_DOUBLE_EQ(25, Meter(0).value());
    EXPECT_DOUBLE_EQ(0, Meter(0).scaleMin()) << "input range from the texts of 1 and 2";
    EXPECT_DOUBLE_EQ(100, Meter(0).scaleMax());
    EXPECT_EQ("8.0000mA", Meter(1).valueText());
    EXPECT_DOUBLE_EQ(8, Meter(1).value());
    EXPECT_DOUBLE_EQ(4, Meter(1).scaleMin()) << "output range 101 and 102 of the default 4-20 mA";
    EXPECT_DOUBLE_EQ(20, Meter(1).scaleMax());
    EXPECT_EQ("12.0000mA", Meter(2).valueText());
    EXPECT_DOUBLE_EQ(4, Meter(2).scaleMin());
    EXPECT_DOUBLE_EQ(20, Meter(2).scaleMax());
    EXPECT_EQ("50.0000%", Meter(2).subText());

    // Each page is a third of the panel, side by side.
    EXPECT_EQ(QRect(0, 0, 120, 300), panel.page(0)->geometry());
    EXPECT_EQ(QRect(240, 0, 120, 300), panel.page(2)->geometry());
}

TEST_F(MeterPanel, SingleOutputModelHidesTheThirdPage) {
    CParTypeQA qa;
    panel.update(&qa);
    ASSERT_TRUE(PageShown(2));
    CParTypeQA1 qa1;
    SetLiveValues(qa1, 10, 20, 4, 0);
    panel.update(&qa1);
    EXPECT_EQ(0, panel.model().layout());
    EXPECT_FALSE(PageShown(2));
    EXPECT_EQ("Input", Meter(0).title());
    EXPECT_EQ("Output", Meter(1).title());
    EXPECT_EQ("4.0000mA", Meter(1).valueText());
}

TEST_F(MeterPanel, TwoInputModelShowsBothInputsAndTheOutput) {
    ScriptedModel model;
    model.inputs = 2;
    model.texts = {{21, "0.0000"},
                   {22, "10.0000"},
                   {60002, "5.0000V, 50.0000%"},
                   {60001, "12.0000mA, 50.0000%"}};
    panel.update(&model);
    EXPECT_EQ(1, panel.model().layout());
    EXPECT_TRUE(PageShown(2));
    EXPECT_EQ("Input1", Meter(0).title());
    EXPECT_EQ("Input2", Meter(1).title());
    EXPECT_EQ("Output", Meter(2).title());
    EXPECT_EQ("5.0000V", Meter(1).valueText());
    EXPECT_DOUBLE_EQ(10, Meter(1).scaleMax());
    EXPECT_EQ("12.0000mA", Meter(2).valueText());
}

TEST_F(MeterPanel, BarFillsUpToTheValue) {
    ScriptedModel model;
    model.outputs = 1;
    model.texts = {{1, "0.0000"}, {2, "100.0000"}, {60000, "75.0000deg C, 75.0000%"}};
    panel.update(&model);
    const QImage image = Picture(0);
    const int h = image.height();
    // The bar is the left half: green below 75 %, grey above it.
    EXPECT_GT(CountColour(image, QRect(0, h * 2 / 3, 60, 20), kBar), 400);
    EXPECT_EQ(0, CountColour(image, QRect(60, 0, 60, h), kBar)) << "nothing right of the bar";
    EXPECT_GT(CountColour(image, QRect(0, h / 5, 60, 10), kEmpty), 200);
    EXPECT_GT(CountNear(image, QRect(0, h - 30, 120, 30), kCaption, 150), 20) << "value texts";
    EXPECT_GT(CountNear(image, QRect(0, 0, 120, 20), kCaption, 150), 10) << "title";
    EXPECT_FALSE(Meter(0).dirty()) << "drawn once, then only copied";
}

TEST_F(MeterPanel, ModelWithoutOutputShowsTheAlarm) {
    ScriptedModel model;
    model.outputs = 0;
    model.values = {{201, 600000}, {204, 1}};
    model.texts = {{60001, "ON"}};
    model.status = 0x8000;
    panel.update(&model);
    EXPECT_TRUE(Meter(1).alarmMode());
    EXPECT_DOUBLE_EQ(60, Meter(1).alarmSetpoint());
    EXPECT_TRUE(Meter(1).alarmActive());
    EXPECT_EQ("ON", Meter(1).subText());
    const QImage image = Picture(1);
    // High-side alarm: red from the top down to the setpoint row at 60 %.
    EXPECT_GT(CountColour(image, QRect(0, 0, 60, image.height() / 3), kAlarm), 400);
    EXPECT_EQ(0, CountColour(image, QRect(0, image.height() * 3 / 4, 60, 10), kAlarm));

    model.status = 0;
    panel.update(&model);
    const QImage quiet = Picture(1);
    EXPECT_EQ(0, CountColour(quiet, quiet.rect(), kAlarm));
}

TEST_F(MeterPanel, NullModelChangesNothing) {
    panel.update(nullptr);
    EXPECT_EQ(0, panel.model().layout());
    EXPECT_FALSE(PageShown(2));
    EXPECT_EQ("", Meter(0).valueText());
}
