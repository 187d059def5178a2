#include "monitor/CMeterModel.h"

#include "tests/monitor/RecordingSurface.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {
using Kind = RecordingSurface::Kind;
constexpr int H = RecordingSurface::kTextHeight;

bool HasFill(const RecordingSurface& s, const Rect& rect, Colour colour) {
    for (const auto& c : s.Of(Kind::Fill))
        if (c.rect == rect && c.colour == colour)
            return true;
    return false;
}
} // namespace

TEST(MeterModel, NiceStep) {
    EXPECT_DOUBLE_EQ(20, CMeterModel::niceStep(100)); // 20 -> mantissa 2 -> 2 x 10
    EXPECT_DOUBLE_EQ(10, CMeterModel::niceStep(30));  // 6 -> table 10
    EXPECT_DOUBLE_EQ(0.2, CMeterModel::niceStep(1));
    EXPECT_DOUBLE_EQ(1, CMeterModel::niceStep(7));  // 1.4 -> table 1
    EXPECT_DOUBLE_EQ(5, CMeterModel::niceStep(20)); // 4 -> table 5
    EXPECT_DOUBLE_EQ(-20, CMeterModel::niceStep(-100));
    EXPECT_DOUBLE_EQ(0.0001, CMeterModel::niceStep(0.0001));
    EXPECT_DOUBLE_EQ(0.0001, CMeterModel::niceStep(1e-300));
    EXPECT_EQ(0, CMeterModel::niceStep(0));
    EXPECT_EQ(0, CMeterModel::niceStep(NAN));
}

TEST(MeterModel, SetRangeSortsAndKeepsTheMinimumSpan) {
    CMeterModel m;
    m.setRange(5, 5);
    EXPECT_DOUBLE_EQ(5, m.scaleMin());
    EXPECT_DOUBLE_EQ(5.0001, m.scaleMax());
    EXPECT_DOUBLE_EQ(0.0001, m.tickStep());
    m.setRange(100, 0);
    EXPECT_DOUBLE_EQ(0, m.scaleMin());
    EXPECT_DOUBLE_EQ(100, m.scaleMax());
    EXPECT_DOUBLE_EQ(20, m.tickStep());
    EXPECT_TRUE(m.dirty());
}

TEST(MeterModel, RangeTexts) {
    CMeterModel m;
    m.setRangeTexts("abc", "");
    EXPECT_DOUBLE_EQ(0, m.rangeMin());
    EXPECT_DOUBLE_EQ(100, m.rangeMax());
    EXPECT_DOUBLE_EQ(0, m.scaleMin());
    EXPECT_DOUBLE_EQ(100, m.scaleMax());
    m.setRangeTexts("  -5.5", "x");
    EXPECT_DOUBLE_EQ(-5.5, m.rangeMin());
    EXPECT_DOUBLE_EQ(94.5, m.rangeMax());
    m.setRangeTexts("4.0000mA", "20.0000mA");
    EXPECT_DOUBLE_EQ(4, m.scaleMin());
    EXPECT_DOUBLE_EQ(20, m.scaleMax());
    m.setRangeTexts("nan", "inf");
    EXPECT_DOUBLE_EQ(0, m.scaleMin());
    EXPECT_DOUBLE_EQ(100, m.scaleMax());
}

TEST(MeterModel, ValueTextSplitsAtTheFirstComma) {
    CMeterModel m;
    m.setValueText("12.3456\xC2\xB0"
                   "C, 45.6789%",
                   false);
    EXPECT_DOUBLE_EQ(12.3456, m.value());
    EXPECT_EQ("12.3456\xC2\xB0"
              "C",
              m.valueText());
    EXPECT_EQ("45.6789%", m.subText());

    m.setValueText("  7.5 mA ,\t 20 %, extra ", true);
    EXPECT_DOUBLE_EQ(7.5, m.value());
    EXPECT_EQ("7.5 mA", m.valueText());
    EXPECT_EQ("20 %, extra", m.subText());
    EXPECT_TRUE(m.alarmActive());

    m.setValueText("OFF", false);
    EXPECT_DOUBLE_EQ(0, m.value());
    EXPECT_EQ(" ", m.valueText());
    EXPECT_EQ("OFF", m.subText());
    EXPECT_FALSE(m.alarmActive());

    m.setValueText(",5, 6", false); // a comma first does not split
    EXPECT_DOUBLE_EQ(0, m.value());
    EXPECT_EQ(" ", m.valueText());
    EXPECT_EQ(",5, 6", m.subText());
}

TEST(MeterModel, RowIsTruncatedAndClamped) {
    EXPECT_EQ(300, CMeterModel::rowOf(50, 0, 100, 100, 500));
    EXPECT_EQ(66, CMeterModel::rowOf(33.3333, 0, 100, 0, 100)); // 66.6667
    EXPECT_EQ(-30000, CMeterModel::rowOf(1e12, 0, 100, 0, 500));
    EXPECT_EQ(30000, CMeterModel::rowOf(-1e12, 0, 100, 0, 500));
    // A zero span never gives an undefined conversion.
    EXPECT_EQ(-30000, CMeterModel::rowOf(50, 0, 0, 0, 500));
    EXPECT_EQ(500, CMeterModel::rowOf(0, 0, 0, 0, 500));
}

TEST(MeterModel, DrawsBarScaleCaptionsAndTitle) {
    CMeterModel m;
    m.setTitle("Input");
    m.setRange(0, 100);
    m.setValueText("25.0000%, 25.0000%", false);
    RecordingSurface s;
    const Rect client{0, 0, 200, 400};
    m.draw(client, s);
    EXPECT_FALSE(m.dirty());
    const int barTop = 2 * H + 2;          // 26
    const int barBottom = 400 - 2 * H - 1; // 375
    const int row25 = static_cast<int>(barBottom - 0.25 * (barBottom - barTop));
    EXPECT_TRUE(HasFill(s, client, m.backColour()));
    EXPECT_TRUE(HasFill(s, Rect{0, 400 - 2 * H, 200, 401}, CMeterModel::kWhite));
    EXPECT_TRUE(HasFill(s, Rect{0, row25, 100, barBottom}, m.barColour()));
    EXPECT_TRUE(HasFill(s, Rect{0, 0, 100, row25}, m.emptyColour()));
    EXPECT_TRUE(HasFill(s, Rect{0, 0, 200, H + 2}, CMeterModel::kWhite));

    for (const char* label : {"0.0000", "20.0000", "40.0000", "60.0000", "80.0000", "100.0000"}) {
        const RecordingSurface::Call* t = s.FindText(label);
        ASSERT_NE(nullptr, t) << label;
        EXPECT_EQ(199, t->x);
        EXPECT_EQ(kAlignRight | kAlignBottom, t->align);
        EXPECT_EQ(m.textColour(), t->colour);
    }
    EXPECT_EQ(barBottom, s.FindText("0.0000")->y);
    EXPECT_EQ(barTop, s.FindText("100.0000")->y);
    const RecordingSurface::Call* value = s.FindText("25.0000%");
    ASSERT_NE(nullptr, value);
    EXPECT_EQ(100, value->x);
    EXPECT_EQ(barBottom + 1, value->y);
    EXPECT_EQ(CMeterModel::kCaptionColour, value->colour);
    const RecordingSurface::Call* title = s.FindText("Input");
    ASSERT_NE(nullptr, title);
    EXPECT_EQ(1, title->y);
    // The title strip is painted after the scale, so the title is the last text.
    EXPECT_EQ("Input", s.Of(Kind::Text).back().text);
}

TEST(MeterModel, ValueOutsideTheScale) {
    CMeterModel m;
    m.setRange(0, 100);
    m.setValueText("1e9", false);
    RecordingSurface s;
    m.draw(Rect{0, 0, 200, 400}, s);
    // Above the top: the bar fills from the client top, nothing empty.
    EXPECT_TRUE(HasFill(s, Rect{0, 0, 100, 375}, m.barColour()));
    for (const auto& c : s.Of(Kind::Fill))
        EXPECT_FALSE(c.colour == m.emptyColour());

    RecordingSurface below;
    m.setValueText("-1e9", false);
    m.draw(Rect{0, 0, 200, 400}, below);
    for (const auto& c : below.Of(Kind::Fill))
        EXPECT_FALSE(c.colour == m.barColour());
    EXPECT_TRUE(HasFill(below, Rect{0, 0, 100, 375}, m.emptyColour()));
}

TEST(MeterModel, AlarmModeShowsTheSetpointAndTheTrippedSide) {
    CMeterModel m;
    m.setTitle("Output");
    m.setAlarmMode(true);
    m.setAlarmSetpoint(60);
    m.setAlarmHighSide(true);
    m.setRangeValues(0, 100);
    m.setValueText("ON, Alarm", true);
    RecordingSurface s;
    m.draw(Rect{0, 0, 200, 400}, s);
    const int row60 = static_cast<int>(375 - 0.6 * (375 - 26));
    EXPECT_TRUE(HasFill(s, Rect{0, 0, 100, row60}, m.alarmColour()));
    const RecordingSurface::Call* label = s.FindText("60.0000");
    ASSERT_NE(nullptr, label);
    EXPECT_EQ(row60, label->y);
    EXPECT_EQ(kAlignRight | kAlignBottom, label->align);
    EXPECT_EQ(nullptr, s.FindText("0.0000")) << "no scale in alarm mode";
    EXPECT_NE(nullptr, s.FindText("Alarm"));
    EXPECT_EQ(nullptr, s.FindText("ON"));

    RecordingSurface low;
    m.setAlarmHighSide(false);
    m.setAlarmSetpoint(150);
    m.draw(Rect{0, 0, 200, 400}, low);
    const int row150 = static_cast<int>(375 - 1.5 * (375 - 26));
    EXPECT_TRUE(HasFill(low, Rect{0, 0, 100, 375}, m.alarmColour())) << "row above the top";
    const RecordingSurface::Call* high = low.FindText("150.0000");
    ASSERT_NE(nullptr, high);
    EXPECT_EQ(row150 + 1, high->y);
    EXPECT_EQ(kAlignRight | kAlignTop, high->align);

    RecordingSurface inactive;
    m.setValueText("OFF, Normal", false);
    m.draw(Rect{0, 0, 200, 400}, inactive);
    for (const auto& c : inactive.Of(Kind::Fill))
        EXPECT_FALSE(c.colour == m.alarmColour());
}

TEST(MeterModel, WithoutARangeOnlyTheBackgroundIsDrawn) {
    CMeterModel m;
    m.setTitle("Input");
    RecordingSurface s;
    m.draw(Rect{0, 0, 200, 400}, s);
    EXPECT_EQ(2u, s.Of(Kind::Fill).size());
    EXPECT_TRUE(s.Of(Kind::Text).empty());
}

TEST(MeterModel, HugeScaleWithTinyStepTerminates) {
    CMeterModel m;
    // At 1e16 a double moves in steps of 2: adding the 0.5 tick step repeatedly never advances.
    m.setRange(1e16, 1e16 + 2);
    ASSERT_DOUBLE_EQ(0.5, m.tickStep());
    RecordingSurface s;
    m.draw(Rect{0, 0, 200, 400}, s);
    EXPECT_LE(s.Of(Kind::Text).size(), 10u);
}
