#include "comm/CCommInterface.h"
#include "model/CParTypeQA.h"
#include "model/ParameterIds.h"
#include "tests/support/CRegisterBank.h"
#include "tests/support/ModelFixture.h"

#include <gtest/gtest.h>

#include <set>

namespace {
class QAModel : public ModelFixture {
protected:
    CParTypeQA qa;

    void Edit(int id, const std::string& text) { EditText(qa, id, text); }
};

struct RecordingEditor : IParEditor {
    std::string text, first;
    std::vector<std::string> items;
    int selected = -1;
    int calls = 0;
    void ShowTextEditor(const std::string& t, const std::string& f) override {
        text = t;
        first = f;
        ++calls;
    }
    void ShowListEditor(const std::vector<std::string>& i, int s) override {
        items = i;
        selected = s;
        ++calls;
    }
};
} // namespace

TEST_F(QAModel, DefaultsDeriveLimitsAndBurnout) {
    EXPECT_EQ(24000, qa.GetValue(103));
    EXPECT_EQ(216000, qa.GetValue(104));
    EXPECT_EQ(224000, qa.GetValue(66));
    EXPECT_EQ(224000, qa.GetValue(68));
    EXPECT_EQ(2, qa.GetValue(kIdSensorWires));
    EXPECT_EQ(1, qa.GetValue(kIdCustomFirst + 1));
    EXPECT_EQ(1001, qa.ModelNumber());
    EXPECT_EQ(2, qa.GetOutputCount());
    EXPECT_EQ("DC 0 - 20mA", qa.GetDisplayText(100, true));
    EXPECT_EQ("4.0000 (mA)", qa.GetDisplayText(101, true));
    EXPECT_EQ("100.0000 (deg C)", qa.GetDisplayText(2, true));
    EXPECT_EQ("+0.0000 (Ohm)", qa.GetDisplayText(kIdInputFineZero, true));
    EXPECT_EQ("+0.0000 (%)", qa.GetDisplayText(kIdOutput1FineZero, true));
    EXPECT_EQ("100.0000 (%)", qa.GetDisplayText(kIdInputFineSpan, true));
    EXPECT_EQ("0.0000 (sec)", qa.GetDisplayText(kIdFilterTime, true));
}

TEST_F(QAModel, InputTypeSetsRangeAndRangeCheckNamesLimits) {
    qa.SetValue(kIdInputType, 5, true);
    EXPECT_EQ(-500000, qa.GetValue(1));
    EXPECT_EQ(2500000, qa.GetValue(2));
    EXPECT_EQ("0% input should be a from -65.0000 to 249.9999. ",
              ThrownMessage([&] { qa.SetValue(1, 2500000, true); }));
    EXPECT_EQ(-500000, qa.GetValue(1));
}

TEST_F(QAModel, RangeCheckInFahrenheitNamesFahrenheitLimits) {
    CModelContext::SetTempUnit(kUnitFahrenheit);
    EXPECT_EQ("32.0000", qa.GetDisplayText(1, false));
    EXPECT_EQ("212.0000 (deg F)", qa.GetDisplayText(2, true));
    // JPt100: 0 % input from -235 deg C (-391 deg F) to 99.9999 deg C (211.9998 deg F).
    EXPECT_EQ("0% input should be a from -391.0000 to 211.9998. ",
              ThrownMessage([&] { Edit(1, "300"); }));
    Edit(1, "50");
    EXPECT_EQ(100000, qa.GetValue(1));
    CModelContext::SetTempUnit(kUnitKelvin);
    EXPECT_EQ("283.1500", qa.GetDisplayText(1, false));
}

TEST_F(QAModel, OutputTypeChangeDerivesRangeLimitsAndBurnout) {
    qa.SetValue(100, 2, true);
    EXPECT_EQ(-100000, qa.GetValue(101));
    EXPECT_EQ(100000, qa.GetValue(102));
    EXPECT_EQ(-120000, qa.GetValue(103));
    EXPECT_EQ(120000, qa.GetValue(104));
    EXPECT_EQ(130000, qa.GetValue(66));
    EXPECT_EQ("-12.0000 (V)", qa.GetDisplayText(103, true));
}

TEST_F(QAModel, BurnoutValueFollowsBurnoutChoiceAndOutputRange) {
    qa.SetValue(60, 1, true);
    EXPECT_EQ(16000, qa.GetValue(66));
    qa.SetValue(101, 10000, true); // 1 to 20 mA: -15 % is -1.85 mA
    EXPECT_EQ(-18500, qa.GetValue(66));
    qa.SetValue(101, 0, true); // 0 to 20 mA: -3 mA, the absolute minimum
    EXPECT_EQ(-30000, qa.GetValue(66));
    qa.SetValue(60, 2, true);
    qa.SetValue(102, 230000, true); // 115 % of 23 mA clamps to the absolute maximum
    EXPECT_EQ(230000, qa.GetValue(66));
    EXPECT_EQ(230000, qa.GetValue(104));
}

TEST_F(QAModel, LimitChecksUseSpanPoints) {
    EXPECT_FALSE(ThrownMessage([&] { qa.SetValue(103, 15999, true); }).empty());
    qa.SetValue(103, 16000, true);
    EXPECT_FALSE(ThrownMessage([&] { qa.SetValue(104, 224001, true); }).empty());
    qa.SetValue(104, 224000, true);
    EXPECT_FALSE(ThrownMessage([&] { qa.SetValue(66, 230001, true); }).empty());
}

TEST_F(QAModel, BurnoutValueEditableOnlyForSpecificValue) {
    EXPECT_EQ(kKindReadOnly, qa.GetParameterKind(66));
    qa.SetValue(60, 3, true);
    EXPECT_EQ(kKindText, qa.GetParameterKind(66));
    EXPECT_EQ(kKindReadOnly, qa.GetParameterKind(68));
}

TEST_F(QAModel, FilterTimeConstantIsZeroOrHalfToThirtySeconds) {
    EXPECT_EQ("Filter time constant should be a 0 or a from 0.5 to 30.",
              ThrownMessage([&] { Edit(kIdFilterTime, "0.3"); }));
    Edit(kIdFilterTime, "0");
    Edit(kIdFilterTime, "30");
    EXPECT_EQ(300000, qa.GetValue(kIdFilterTime));
    EXPECT_EQ("This parameter must set the numerical value. ",
              ThrownMessage([&] { Edit(kIdFilterTime, "fast"); }));
}

TEST_F(QAModel, TagLongerThanSixteenRejectedWhenTypedCutWhenLoaded) {
    std::string seventeen = "ABCDEFGHIJKLMNOPQ";
    EXPECT_EQ("Tag no is too long. Max tag no length is 16 characters.",
              ThrownMessage([&] { qa.SetValueText(kIdTag, seventeen, true); }));
    qa.SetValueText(kIdTag, seventeen, false);
    EXPECT_EQ("ABCDEFGHIJKLMNOP", qa.GetValueText(kIdTag));
    qa.SetValueText(kIdTag, "温度計測点１２３４５６７８９０１２", false);
    EXPECT_EQ("温度計測点１２３４５６７８９０１", qa.GetValueText(kIdTag));
}

TEST_F(QAModel, CustomTableKindsFollowTypeAndPointCount) {
    qa.SetValue(kIdCustomPoints, 5, true);
    EXPECT_EQ(kKindText, qa.GetParameterKind(kIdCustomFirst + 4));
    EXPECT_EQ(kKindReadOnly, qa.GetParameterKind(kIdCustomFirst + 5));
    EXPECT_EQ(kKindReadOnly, qa.GetParameterKind(kIdCoefR0));
    EXPECT_EQ(kKindText, qa.GetParameterKind(kIdCustomStart));
    qa.SetValue(kIdCustomType, 1, true);
    EXPECT_EQ(kKindText, qa.GetParameterKind(kIdCoefR0));
    EXPECT_EQ(kKindText, qa.GetParameterKind(kIdCoefC));
    EXPECT_EQ(kKindReadOnly, qa.GetParameterKind(kIdCustomFirst));
    EXPECT_EQ(kKindReadOnly, qa.GetParameterKind(kIdCustomPoints));
    EXPECT_EQ(kKindChoice, qa.GetParameterKind(kIdCustomType));
}

TEST_F(QAModel, ModelAndSerialEditableOnlyInPrivilegedMode) {
    EXPECT_EQ(kKindReadOnly, qa.GetParameterKind(kIdModelText));
    CModelContext::SetPrivileged(true);
    EXPECT_EQ(kKindText, qa.GetParameterKind(kIdModelText));
    EXPECT_EQ(kKindText, qa.GetParameterKind(kIdSerial));
}

TEST_F(QAModel, EnumerationOfTableGroupIncludesThreeHundredPoints) {
    ASSERT_EQ(309, qa.GetParameterCount(2));
    EXPECT_EQ(kIdHeaderCustom, qa.GetParameterId(2, 0));
    EXPECT_EQ(21008, qa.GetParameterId(2, 9));
    EXPECT_EQ(21307, qa.GetParameterId(2, 308));
    EXPECT_EQ(-1, qa.GetParameterId(2, 309));
    EXPECT_EQ("R[299]", qa.GetParameterName(21307));
    EXPECT_EQ(23, qa.GetParameterCount(0));
    EXPECT_EQ(7, qa.GetParameterCount(1));
    EXPECT_EQ(0, qa.GetParameterCount(3));
    EXPECT_EQ(11, qa.GetParameterCount(10));
    EXPECT_EQ("Output value at burnout ", qa.GetParameterName(68));
}

TEST_F(QAModel, SingleOutputVariantDropsOutputTwoRows) {
    CParTypeQA1 qa1;
    EXPECT_EQ(1002, qa1.ModelNumber());
    EXPECT_EQ("Q3VA1", qa1.ModelString());
    EXPECT_EQ(1, qa1.GetOutputCount());
    EXPECT_EQ(15, qa1.GetParameterCount(0));
    EXPECT_EQ(5, qa1.GetParameterCount(1));
    std::set<int> ids;
    for (int g : {0, 1, 10})
        for (int i = 0; i < qa1.GetParameterCount(g); ++i)
            ids.insert(qa1.GetParameterId(g, i));
    for (int gone : {105, 106, 107, 108, 109, 67, 68, 10008, 10009, 60003, 65011})
        EXPECT_FALSE(ids.count(gone)) << gone;
    EXPECT_EQ("Output", qa1.GetParameterName(kIdHeaderOutput));
    EXPECT_EQ("Output fine zero adjust.", qa1.GetParameterName(kIdOutput1FineZero));
    EXPECT_EQ("Output value", qa1.GetParameterName(kIdOutput1Value));
    std::unique_ptr<CParBase> copy(qa1.Clone());
    EXPECT_EQ(1, copy->GetOutputCount());
    EXPECT_EQ("Q3VA1", copy->ModelString());
}

TEST_F(QAModel, ChoiceFormatPastListIsEmptyAndListEditorStopsThere) {
    EXPECT_EQ("", qa.FormatValue(kIdSensorWires, 3, false));
    RecordingEditor editor;
    qa.BeginEdit(kIdSensorWires, editor, "");
    EXPECT_EQ((std::vector<std::string>{"2 wires", "3 wires", "4 wires"}), editor.items);
    EXPECT_EQ(2, editor.selected);
    qa.BeginEdit(1, editor, "7");
    EXPECT_EQ("0.0000", editor.text);
    EXPECT_EQ("7", editor.first);
    int before = editor.calls;
    qa.BeginEdit(kIdHardware, editor, "");
    EXPECT_EQ(before, editor.calls);
}

TEST_F(QAModel, StepEditInFahrenheitIsScaled) {
    CModelContext::SetTempUnit(kUnitFahrenheit);
    qa.SetValue(kIdCustomStep, 5, true);
    EXPECT_EQ("9.0 (deg F)", qa.GetDisplayText(kIdCustomStep, true));
    Edit(kIdCustomStep, "9.0");
    EXPECT_EQ(5, qa.GetValue(kIdCustomStep));
    Edit(kIdCustomStep, "3.6");
    EXPECT_EQ(2, qa.GetValue(kIdCustomStep));
}

TEST_F(QAModel, MonitorTextsAndStatus) {
    CRegisterBank bank;
    CCommInterface comm(&bank);
    bank.SetInt32(0, 0x13);
    bank.SetInt32(2, 250000);   // 25 deg C
    bank.SetInt32(4, 250000);   // 25 %
    bank.SetInt32(22, 80000);   // 8 mA
    bank.SetInt32(42, 1097350); // 109.735 Ohm
    bank[900] = 2;
    bank[9601] = 100;
    bank[9602] = 110;
    bank.SetInt32(9627, 132320287);
    const char serial[] = "SN0001";
    for (int i = 0; i < 3; ++i)
        bank[9603 + i] = static_cast<uint16_t>(serial[2 * i] | (serial[2 * i + 1] << 8));
    bank[9629] = u'T';
    bank[9630] = u'1';
    CModelContext::SetTempUnit(kUnitFahrenheit);
    qa.Upload(comm, 10);
    EXPECT_EQ("77.0000deg F, 25.0000%", qa.GetValueText(kIdInputValue));
    EXPECT_EQ("8.0000mA, 25.0000%", qa.GetValueText(kIdOutput1Value));
    EXPECT_EQ("Range over, Output limit, Burnout, Fixed Out", qa.GetValueText(kIdStatus));
    EXPECT_EQ("109.7350 (Ohm)", qa.GetDisplayText(kIdRtdResistance, true));
    EXPECT_EQ("1.00", qa.GetValueText(kIdHardware));
    EXPECT_EQ("1.10", qa.GetValueText(kIdFirmware));
    EXPECT_EQ("2019/12/31", qa.GetValueText(kIdCalibDate));
    EXPECT_EQ("SN0001", qa.GetValueText(kIdSerial));
    EXPECT_EQ("T1", qa.GetValueText(kIdTag));
    EXPECT_TRUE(qa.IsOutputFixed());
    EXPECT_EQ((std::vector<std::string>{"R0x2", "R2x2", "R4x2", "R22x2", "R24x2", "R26x2", "R28x2",
                                        "R42x2", "R900x1", "R9601x1", "R9602x1", "R9603x8",
                                        "R9611x16", "R9627x2", "R9629x16"}),
              bank.Trace());
    bank.SetInt32(0, 0);
    bank[900] = 0;
    qa.Upload(comm, 10);
    EXPECT_EQ("Normal", qa.GetValueText(kIdStatus));
}

TEST_F(QAModel, CheckOutputValueUsesAbsoluteLimits) {
    EXPECT_EQ("Output1 value should be a from -3.0000 to 23.0000. ",
              ThrownMessage([&] { qa.CheckOutputValue(0, 230001); }));
    EXPECT_EQ("", ThrownMessage([&] { qa.CheckOutputValue(0, -30000); }));
    qa.SetValue(105, 1, true);
    EXPECT_EQ("Output2 value should be a from -6.5000 to 6.5000. ",
              ThrownMessage([&] { qa.CheckOutputValue(1, -65001); }));
}

TEST_F(QAModel, TemperatureTableTakeOverChecksStrictOrder) {
    TemperatureTable table;
    table.start = -50.00004;
    table.step = 10;
    table.values = {80.3, 84.27, 84.27, 88.2};
    EXPECT_EQ("Invalid resistance value order in the table file.(line 2)",
              qa.ApplyTemperatureTable(table));
    EXPECT_EQ(4, qa.GetValue(kIdCustomPoints));
    EXPECT_EQ(-500000, qa.GetValue(kIdCustomStart));
    EXPECT_EQ(842700, qa.GetValue(kIdCustomFirst + 2));
    EXPECT_EQ(0, qa.GetValue(kIdCustomFirst + 4));
    table.values = {100, 100};
    EXPECT_EQ("Invalid resistance value order in the table file.(line 1)",
              qa.ApplyTemperatureTable(table));
    table.values = {300, 200, 100, 50};
    EXPECT_EQ("", qa.ApplyTemperatureTable(table));
    table.values.assign(400, 1.0);
    for (std::size_t i = 0; i < table.values.size(); ++i)
        table.values[i] = static_cast<double>(i);
    EXPECT_EQ("", qa.ApplyTemperatureTable(table));
    EXPECT_EQ(300, qa.GetValue(kIdCustomPoints));
    TemperatureTable back = qa.GetTemperatureTable();
    EXPECT_EQ(300u, back.values.size());
    EXPECT_DOUBLE_EQ(299.0, back.values.back());
}
