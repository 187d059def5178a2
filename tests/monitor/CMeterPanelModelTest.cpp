#include "monitor/CMeterPanelModel.h"

#include "resources/CStringTable.h"

#include <gtest/gtest.h>

#include <map>

namespace {
class FakeSource : public IMeterSource {
public:
    int GetInputCount() const override { return inputs; }
    int GetOutputCount() const override { return outputs; }
    std::string GetDisplayText(int id) const override {
        auto it = texts.find(id);
        return it == texts.end() ? "" : it->second;
    }
    int32_t GetValue(int id) const override {
        auto it = values.find(id);
        return it == values.end() ? 0 : it->second;
    }
    int32_t GetStatusWord() const override { return status; }

    int inputs = 1;
    int outputs = 1;
    int32_t status = 0;
    std::map<int, std::string> texts = {{1, "-50.0000"},
                                        {2, "150.0000"},
                                        {21, "0.0000"},
                                        {22, "10.0000"},
                                        {60000, "25.0000C, 37.5000%"},
                                        {60001, "12.0000mA, 50.0000%"},
                                        {60002, "5.0000V, 50.0000%"},
                                        {60003, "3.0000V, 60.0000%"}};
    std::map<int, int32_t> values = {{101, 40000},  {102, 200000}, {106, 0},
                                     {107, 100000}, {201, 755000}, {204, 1}};
};

class MeterPanel : public ::testing::Test {
protected:
    void SetUp() override { CStringTable::UseTable(kTitles, sizeof kTitles / sizeof kTitles[0]); }
    void TearDown() override { CStringTable::UseTable(nullptr, 0); }

    static constexpr StringEntry kTitles[] = {
        {1019, "Input"},  {1020, "Output"},  {1033, "Input1"},
        {1034, "Input2"}, {1051, "Output1"}, {1052, "Output2"},
    };
};
} // namespace

TEST_F(MeterPanel, LayoutsSetTitlesAndTheThirdPage) {
    CMeterPanelModel panel;
    EXPECT_EQ(0, panel.layout());
    EXPECT_EQ("Input", panel.meter(0).title());
    EXPECT_EQ("Output", panel.meter(1).title());
    EXPECT_FALSE(panel.thirdPageVisible());
    EXPECT_FALSE(panel.applyLayout(0)) << "unchanged layout does nothing";

    EXPECT_TRUE(panel.applyLayout(1));
    EXPECT_EQ("Input1", panel.meter(0).title());
    EXPECT_EQ("Input2", panel.meter(1).title());
    EXPECT_EQ("Output", panel.meter(2).title());
    EXPECT_TRUE(panel.thirdPageVisible());

    EXPECT_TRUE(panel.applyLayout(2));
    EXPECT_EQ("Input", panel.meter(0).title());
    EXPECT_EQ("Output1", panel.meter(1).title());
    EXPECT_EQ("Output2", panel.meter(2).title());
    EXPECT_TRUE(panel.thirdPageVisible());
}

TEST_F(MeterPanel, OneInputOneOutput) {
    CMeterPanelModel panel;
    FakeSource model;
    panel.update(model);
    EXPECT_EQ(0, panel.layout());
    EXPECT_DOUBLE_EQ(-50, panel.meter(0).scaleMin());
    EXPECT_DOUBLE_EQ(150, panel.meter(0).scaleMax());
    EXPECT_DOUBLE_EQ(25, panel.meter(0).value());
    EXPECT_EQ("25.0000C", panel.meter(0).valueText());
    EXPECT_EQ("37.5000%", panel.meter(0).subText());
    EXPECT_FALSE(panel.meter(1).alarmMode());
    EXPECT_DOUBLE_EQ(4, panel.meter(1).scaleMin());
    EXPECT_DOUBLE_EQ(20, panel.meter(1).scaleMax());
    EXPECT_DOUBLE_EQ(12, panel.meter(1).value());
    EXPECT_EQ("50.0000%", panel.meter(1).subText());
}

TEST_F(MeterPanel, OneInputTwoOutputs) {
    CMeterPanelModel panel;
    FakeSource model;
    model.outputs = 2;
    panel.update(model);
    EXPECT_EQ(2, panel.layout());
    EXPECT_DOUBLE_EQ(12, panel.meter(1).value());
    EXPECT_DOUBLE_EQ(0, panel.meter(2).scaleMin());
    EXPECT_DOUBLE_EQ(10, panel.meter(2).scaleMax());
    EXPECT_DOUBLE_EQ(3, panel.meter(2).value());
}

TEST_F(MeterPanel, TwoInputsPutTheOutputOnTheThirdMeter) {
    CMeterPanelModel panel;
    FakeSource model;
    model.inputs = 2;
    model.outputs = 2; // no page is left for a second output
    panel.update(model);
    EXPECT_EQ(1, panel.layout());
    EXPECT_DOUBLE_EQ(0, panel.meter(1).scaleMin());
    EXPECT_DOUBLE_EQ(10, panel.meter(1).scaleMax());
    EXPECT_DOUBLE_EQ(5, panel.meter(1).value());
    EXPECT_DOUBLE_EQ(4, panel.meter(2).scaleMin());
    EXPECT_DOUBLE_EQ(12, panel.meter(2).value());
}

TEST_F(MeterPanel, NoOutputShowsTheAlarm) {
    CMeterPanelModel panel;
    FakeSource model;
    model.outputs = 0;
    model.texts[60001] = "ON, Alarm";
    model.status = 0x8000;
    panel.update(model);
    const CMeterModel& alarm = panel.meter(1);
    EXPECT_TRUE(alarm.alarmMode());
    EXPECT_DOUBLE_EQ(75.5, alarm.alarmSetpoint());
    EXPECT_TRUE(alarm.alarmHighSide());
    EXPECT_TRUE(alarm.alarmActive());
    EXPECT_DOUBLE_EQ(0, alarm.scaleMin());
    EXPECT_DOUBLE_EQ(100, alarm.scaleMax());
    EXPECT_EQ("Alarm", alarm.subText());

    model.status = 0x7FFF;
    model.values[204] = 0;
    panel.update(model);
    EXPECT_FALSE(panel.meter(1).alarmActive());
    EXPECT_FALSE(panel.meter(1).alarmHighSide());

    // A model with two inputs next: meter 1 now shows input 2, not the old alarm.
    model.inputs = 2;
    model.outputs = 1;
    panel.update(model);
    EXPECT_FALSE(panel.meter(1).alarmMode());
    EXPECT_FALSE(panel.meter(2).alarmMode());
}
