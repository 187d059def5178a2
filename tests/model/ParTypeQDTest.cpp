#include "comm/CCommInterface.h"
#include "model/CParTypeQD.h"
#include "model/ParameterIds.h"
#include "tests/support/CRegisterBank.h"
#include "tests/support/ModelFixture.h"

#include <gtest/gtest.h>

#include <set>

namespace {
class QDModel : public ModelFixture {
protected:
    CParTypeQD qd;
    CRegisterBank bank;
    CCommInterface comm{&bank};

    void Edit(int id, const std::string& text) { EditText(qd, id, text); }
};

} // namespace

TEST_F(QDModel, DefaultsAndTexts) {
    EXPECT_EQ(0, qd.GetValue(kIdZeroInput));
    EXPECT_EQ(16000000, qd.GetValue(kIdFullInput));
    EXPECT_EQ(1, qd.GetValue(kIdColdJunction));
    EXPECT_EQ("Use CJM", qd.GetDisplayText(kIdColdJunction, true));
    EXPECT_EQ("TC (PR)", qd.GetDisplayText(kIdInputType, true));
    EXPECT_EQ("1600.0000 (deg C)", qd.GetDisplayText(kIdFullInput, true));
    EXPECT_EQ("+0.0000 (mV)", qd.GetDisplayText(kIdInputFineZero, true));
    EXPECT_EQ("0.0001 (mV)", qd.GetDisplayText(kIdCustomFirst + 1, true));
    EXPECT_EQ("0.0000", qd.GetValueText(kIdCustomFirst));
    EXPECT_EQ("1 (deg C)", qd.GetDisplayText(kIdCustomStep, true));
    EXPECT_EQ(2, qd.GetValue(kIdCustomPoints));
    EXPECT_EQ(224000, qd.GetValue(66));
    EXPECT_EQ("mV", qd.GetSensorUnitText());
    EXPECT_EQ("deg C", qd.GetInputUnitText());
    int32_t low = 0, high = 0;
    qd.GetSensorRange(low, high);
    EXPECT_EQ(0, low);
    EXPECT_EQ(16000000, high);
}

TEST_F(QDModel, HoldsNoSensorWiresResponsePropertyOrCoefficients) {
    for (int id : {kIdSensorWires, kIdResponseProperty, kIdCustomType, kIdCoefR0, kIdCoefC}) {
        qd.SetValue(id, 1, true);
        EXPECT_EQ(0, qd.GetValue(id)) << id;
        EXPECT_EQ("", qd.GetValueText(id)) << id;
        qd.ReadParameter(comm, id);
        qd.WriteParameter(comm, id);
    }
    EXPECT_TRUE(bank.Requests().empty());
    EXPECT_EQ("", qd.GetValueText(kIdRtdResistance));
}

TEST_F(QDModel, TableGroupHasFourRowsThenThreeHundredPoints) {
    ASSERT_EQ(304, qd.GetParameterCount(2));
    EXPECT_EQ(kIdHeaderCustom, qd.GetParameterId(2, 0));
    EXPECT_EQ(kIdCustomPoints, qd.GetParameterId(2, 3));
    EXPECT_EQ(21008, qd.GetParameterId(2, 4));
    EXPECT_EQ(21307, qd.GetParameterId(2, 303));
    EXPECT_EQ(-1, qd.GetParameterId(2, 304));
    EXPECT_EQ("Custom TC", qd.GetParameterName(kIdHeaderCustom));
    EXPECT_EQ("Custom TC start", qd.GetParameterName(kIdCustomStart));
    EXPECT_EQ("Custom TC points", qd.GetParameterName(kIdCustomPoints));
    EXPECT_EQ("V[0]", qd.GetParameterName(21008));
    EXPECT_EQ("V[299]", qd.GetParameterName(21307));
    EXPECT_EQ("Cold junction comp.", qd.GetParameterName(kIdColdJunction));
    EXPECT_EQ("TC voltage", qd.GetParameterName(kIdTcVoltage));
    EXPECT_EQ("CJM temperature", qd.GetParameterName(kIdCjmTemperature));
    EXPECT_EQ(kIdTcVoltage, qd.GetParameterId(10, 4));
    EXPECT_EQ(kIdCjmTemperature, qd.GetParameterId(10, 5));
}

TEST_F(QDModel, ChoiceListsHaveTheirLengths) {
    EXPECT_EQ("TC Custom-TC", qd.FormatValue(kIdInputType, 13, false));
    EXPECT_EQ("", qd.FormatValue(kIdInputType, 14, false));
    EXPECT_EQ("TC B(RH)", qd.FormatValue(kIdInputType, 5, false));
    EXPECT_EQ("Use fixed terminal temp.", qd.FormatValue(kIdColdJunction, 0, false));
    EXPECT_EQ("", qd.FormatValue(kIdColdJunction, 2, false));
}

TEST_F(QDModel, InputTypeSetsItsRangeAndLimitsZeroInput) {
    qd.SetValue(kIdInputType, 5, true);
    EXPECT_EQ(5000000, qd.GetValue(kIdZeroInput));
    EXPECT_EQ(16000000, qd.GetValue(kIdFullInput));
    EXPECT_EQ("0% input should be a from 100.0000 to 1599.9999. ",
              ThrownMessage([&] { Edit(kIdZeroInput, "50"); }));
    EXPECT_EQ(5000000, qd.GetValue(kIdZeroInput));
    Edit(kIdZeroInput, "100");
    EXPECT_EQ(1000000, qd.GetValue(kIdZeroInput));
    EXPECT_EQ("100% input should be a from 100.0001 to 1820.0000. ",
              ThrownMessage([&] { Edit(kIdFullInput, "1820.0001"); }));
    qd.SetValue(kIdInputType, 13, true);
    EXPECT_EQ(-2800000, qd.GetValue(kIdZeroInput));
    EXPECT_EQ(99990000, qd.GetValue(kIdFullInput));
    int32_t low = 0, high = 0;
    qd.GetSensorRange(low, high);
    EXPECT_EQ(-2800000, low);
    EXPECT_EQ(99990000, high);
}

TEST_F(QDModel, InputFineZeroIsLimitedToFiveMillivolts) {
    EXPECT_EQ("Input fine zero adjust. should be a from -5.0000 to 5.0000. ",
              ThrownMessage([&] { Edit(kIdInputFineZero, "5.0001"); }));
    Edit(kIdInputFineZero, "-5");
    EXPECT_EQ(-50000, qd.GetValue(kIdInputFineZero));
    EXPECT_EQ("-5.0000 (mV)", qd.GetDisplayText(kIdInputFineZero, true));
    Edit(kIdInputFineZero, "5");
    EXPECT_EQ("+5.0000 (mV)", qd.GetDisplayText(kIdInputFineZero, true));
}

TEST_F(QDModel, PointsAreMillivoltsFromMinusHundredToThousand) {
    EXPECT_EQ("V[3] should be a from -100.0000 to 1000.0000. ",
              ThrownMessage([&] { Edit(kIdCustomFirst + 3, "-100.0001"); }));
    EXPECT_NE("", ThrownMessage([&] { Edit(kIdCustomFirst + 3, "1000.0001"); }));
    Edit(kIdCustomFirst + 3, "-100");
    Edit(kIdCustomFirst + 299, "1000");
    EXPECT_EQ(-1000000, qd.GetValue(kIdCustomFirst + 3));
    EXPECT_EQ("1000.0000 (mV)", qd.GetDisplayText(kIdCustomLast, true));
}

TEST_F(QDModel, EveryPointIsEditableWhateverThePointCount) {
    ASSERT_EQ(2, qd.GetValue(kIdCustomPoints));
    EXPECT_EQ(kKindText, qd.GetParameterKind(kIdCustomFirst + 250));
    EXPECT_EQ(kKindText, qd.GetParameterKind(kIdCustomLast));
    EXPECT_EQ(kKindText, qd.GetParameterKind(kIdCustomStart));
    EXPECT_EQ(kKindText, qd.GetParameterKind(kIdCustomPoints));
    EXPECT_EQ(kKindHeader, qd.GetParameterKind(kIdHeaderCustom));
    // Burnout value and the factory texts keep the rules of the RTD model.
    EXPECT_EQ(kKindReadOnly, qd.GetParameterKind(kIdBurnoutValue1));
    qd.SetValue(kIdBurnout1, 3, true);
    EXPECT_EQ(kKindText, qd.GetParameterKind(kIdBurnoutValue1));
    EXPECT_EQ(kKindReadOnly, qd.GetParameterKind(kIdSerial));
    EXPECT_EQ(kKindChoice, qd.GetParameterKind(kIdColdJunction));
}

TEST_F(QDModel, CustomStartAndStepAreTemperatures) {
    CModelContext::SetTempUnit(kUnitFahrenheit);
    EXPECT_EQ("Custom TC start should be a from -508.0000 to 1832.0000. ",
              ThrownMessage([&] { Edit(kIdCustomStart, "-510"); }));
    Edit(kIdCustomStart, "212");
    EXPECT_EQ(1000000, qd.GetValue(kIdCustomStart));
    qd.SetValue(kIdCustomStep, 10, true);
    EXPECT_EQ("18.0 (deg F)", qd.GetDisplayText(kIdCustomStep, true));
    EXPECT_EQ("2912.0000 (deg F)", qd.GetDisplayText(kIdFullInput, true));
}

TEST_F(QDModel, MonitorReadsColdJunctionAndVoltageAndConvertsTemperatures) {
    bank.SetInt32(2, 5000000); // 500 deg C
    bank.SetInt32(4, 312500);  // 31.25 %
    bank.SetInt32(6, 250000);  // 25 deg C at the terminals
    bank.SetInt32(42, 207640); // 20.764 mV
    bank.SetInt32(26, 120000); // output 2 at 12 mA
    CModelContext::SetTempUnit(kUnitFahrenheit);
    qd.Upload(comm, kGroupMonitor);
    EXPECT_EQ((Trace{"R0x2", "R2x2", "R4x2", "R6x2", "R22x2", "R24x2", "R26x2", "R28x2", "R42x2",
                     "R900x1", "R9601x1", "R9602x1", "R9603x8", "R9611x16", "R9627x2", "R9629x16"}),
              bank.Trace());
    EXPECT_EQ("77.0000", qd.GetDisplayText(kIdCjmTemperature, false));
    EXPECT_EQ("77.0000 (deg F)", qd.GetDisplayText(kIdCjmTemperature, true));
    EXPECT_EQ("77.0000", qd.GetValueText(kIdCjmTemperature));
    EXPECT_EQ("20.7640 (mV)", qd.GetDisplayText(kIdTcVoltage, true));
    EXPECT_EQ("932.0000deg F, 31.2500%", qd.GetValueText(kIdInputValue));
    EXPECT_EQ("12.0000mA, 50.0000%", qd.GetValueText(kIdOutput2Value));
    CModelContext::SetTempUnit(kUnitKelvin);
    qd.Upload(comm, kGroupMonitor);
    EXPECT_EQ("298.1500 (K)", qd.GetDisplayText(kIdCjmTemperature, true));
}

TEST_F(QDModel, ColdJunctionChoiceLivesOnRegister1040) {
    bank[1040] = 0;
    qd.ReadParameter(comm, kIdColdJunction);
    EXPECT_EQ((Trace{"R1040x1"}), bank.Trace());
    EXPECT_EQ(0, qd.GetValue(kIdColdJunction));
    qd.SetValue(kIdColdJunction, 1, true);
    bank.ClearRequests();
    qd.WriteParameter(comm, kIdColdJunction);
    EXPECT_EQ(Guarded({"W1040x1"}), bank.Trace());
    EXPECT_EQ((std::vector<uint16_t>{1}), bank.Requests()[2].values);
}

TEST_F(QDModel, TableUploadFillsThePointsAndTheHead) {
    bank.SetInt32(4009, -500000);
    bank[4011] = 25;
    bank[4012] = 3;
    bank.SetInt32(4013 + 2 * 2, 41000);
    bank.SetInt32(4013 + 2 * 299, -7);
    qd.Upload(comm, kGroupTable);
    EXPECT_EQ(-500000, qd.GetValue(kIdCustomStart));
    EXPECT_EQ(25, qd.GetValue(kIdCustomStep));
    EXPECT_EQ(3, qd.GetValue(kIdCustomPoints));
    EXPECT_EQ(0, qd.GetValue(kIdCustomFirst + 1));
    EXPECT_EQ(41000, qd.GetValue(kIdCustomFirst + 2));
    EXPECT_EQ(-7, qd.GetValue(kIdCustomLast));
    TemperatureTable table = qd.GetTemperatureTable();
    EXPECT_DOUBLE_EQ(-50.0, table.start);
    EXPECT_EQ(25, table.step);
    EXPECT_EQ((std::vector<double>{0.0, 0.0, 4.1}), table.values);
}

TEST_F(QDModel, TableTakeOverChecksStrictOrderOnTheVoltages) {
    TemperatureTable table;
    table.start = 0;
    table.step = 50;
    table.values = {0, 2.023, 4.096, 4.0959, 8.138};
    EXPECT_EQ("Invalid resistance value order in the table file.(line 3)",
              qd.ApplyTemperatureTable(table));
    EXPECT_EQ(5, qd.GetValue(kIdCustomPoints));
    EXPECT_EQ(50, qd.GetValue(kIdCustomStep));
    EXPECT_EQ(40959, qd.GetValue(kIdCustomFirst + 3));
    EXPECT_EQ(81380, qd.GetValue(kIdCustomFirst + 4));
    EXPECT_EQ(0, qd.GetValue(kIdCustomFirst + 5));
    table.values = {-5.5, -6.25, -7.0};
    EXPECT_EQ("", qd.ApplyTemperatureTable(table));
    EXPECT_EQ(-55000, qd.GetValue(kIdCustomFirst));
    table.values.clear();
    EXPECT_EQ("", qd.ApplyTemperatureTable(table));
    EXPECT_EQ(0, qd.GetValue(kIdCustomPoints));
    EXPECT_EQ(0, qd.GetValue(kIdCustomFirst));
}

TEST_F(QDModel, SingleOutputVariantDropsOutputTwoAsTheRtdVariantDoes) {
    CParTypeQD1 qd1;
    EXPECT_EQ(1032, qd1.ModelNumber());
    EXPECT_EQ("Q3VD1", qd1.ModelString());
    EXPECT_EQ(1, qd1.GetOutputCount());
    EXPECT_EQ(14, qd1.GetParameterCount(0));
    EXPECT_EQ(5, qd1.GetParameterCount(1));
    EXPECT_EQ(304, qd1.GetParameterCount(2));
    std::set<int> ids;
    for (int g : {0, 1, 10})
        for (int i = 0; i < qd1.GetParameterCount(g); ++i)
            ids.insert(qd1.GetParameterId(g, i));
    for (int gone : {105, 106, 107, 108, 109, 67, 68, 10008, 10009, 60003, 65010, 65011})
        EXPECT_FALSE(ids.count(gone)) << gone;
    EXPECT_TRUE(ids.count(kIdCjmTemperature));
    EXPECT_EQ("Output", qd1.GetParameterName(kIdHeaderOutput));
    EXPECT_EQ("Output fine span adjust.", qd1.GetParameterName(kIdOutput1FineSpan));
    EXPECT_EQ("Output value", qd1.GetParameterName(kIdOutput1Value));
    EXPECT_EQ("Output value should be a from -3.0000 to 23.0000. ",
              ThrownMessage([&] { qd1.CheckOutputValue(0, -30001); }));
    EXPECT_EQ(1, qd1.GetValue(kIdCustomFirst + 1));
}

namespace {
// Stands in for the table dialog: records what it was given and answers with a prepared table.
struct FakeTableEditor : ITableEditor {
    bool ok = true;
    TemperatureTable answer;
    TemperatureTable given;
    int unit = -1;
    int calls = 0;
    bool EditTemperatureTable(void*, TemperatureTable& table, int u) override {
        ++calls;
        given = table;
        unit = u;
        if (ok)
            table = answer;
        return ok;
    }
    bool EditXYTable(void*, XYTable&) override { return false; }
};

class QDTableAction : public QDModel {
protected:
    FakeTableEditor editor;
    void SetUp() override {
        QDModel::SetUp();
        SetTableEditor(&editor);
    }
    void TearDown() override {
        SetTableEditor(nullptr);
        QDModel::TearDown();
    }
};
} // namespace

TEST_F(QDTableAction, OkTakesTheTableOverAndShowsTheFirstOrderFaultOnly) {
    qd.SetValue(kIdCustomStart, -2000000, true);
    qd.SetValue(kIdCustomPoints, 3, true);
    qd.SetValue(kIdCustomFirst + 2, 25000, true);
    CModelContext::SetTempUnit(kUnitKelvin);
    editor.answer.start = 100.00006;
    editor.answer.step = 20;
    editor.answer.values = {1.0, 2.0, 1.5, 1.0, 3.0};
    qd.RunGroupAction(nullptr, kGroupTable, 0);
    EXPECT_DOUBLE_EQ(-200.0, editor.given.start);
    EXPECT_EQ((std::vector<double>{0.0, 0.0001, 2.5}), editor.given.values);
    EXPECT_EQ(kUnitKelvin, editor.unit);
    ASSERT_EQ(1u, messages.size());
    EXPECT_EQ("Invalid resistance value order in the table file.(line 2)", messages[0]);
    EXPECT_EQ(CPrivateException::Icon::Stop, icons[0]);
    EXPECT_EQ(5, qd.GetValue(kIdCustomPoints));
    EXPECT_EQ(1000001, qd.GetValue(kIdCustomStart));
    EXPECT_EQ(20, qd.GetValue(kIdCustomStep));
    EXPECT_EQ(30000, qd.GetValue(kIdCustomFirst + 4));
}

TEST_F(QDTableAction, CancelAndOtherGroupsChangeNothing) {
    editor.ok = false;
    editor.answer.values = {5.0, 6.0, 7.0};
    qd.RunGroupAction(nullptr, kGroupTable, 0);
    EXPECT_EQ(1, editor.calls);
    EXPECT_EQ(2, qd.GetValue(kIdCustomPoints));
    EXPECT_EQ(1, qd.GetValue(kIdCustomFirst + 1));
    editor.ok = true;
    qd.RunGroupAction(nullptr, kGroupTable, 1);
    qd.RunGroupAction(nullptr, kGroupSettings, 0);
    EXPECT_EQ(1, editor.calls);
    EXPECT_TRUE(messages.empty());
}
