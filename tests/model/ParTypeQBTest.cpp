#include "comm/CCommInterface.h"
#include "model/CParTypeQB.h"
#include "model/ParameterIds.h"
#include "tests/support/CRegisterBank.h"
#include "tests/support/ModelFixture.h"

#include <gtest/gtest.h>

#include <set>

namespace {
constexpr int X(int pair) {
    return kIdXYFirst + 2 * pair;
}
constexpr int Y(int pair) {
    return kIdXYFirst + 2 * pair + 1;
}

class QBModel : public ModelFixture {
protected:
    CParTypeQB qb;
    CRegisterBank bank;
    CCommInterface comm{&bank};

    void SetUp() override {
        ModelFixture::SetUp();
        bank[9602] = 110;
    }
    void Edit(int id, const std::string& text) { EditText(qb, id, text); }
};

} // namespace

TEST_F(QBModel, DefaultsAndTexts) {
    EXPECT_EQ(2, qb.GetValue(kIdInputType));
    EXPECT_EQ("POT 0 - 1.5kOhm", qb.GetDisplayText(kIdInputType, true));
    EXPECT_EQ("100.0000 (%)", qb.GetDisplayText(kIdFullInput, true));
    EXPECT_EQ("Linear", qb.GetDisplayText(kIdLinearizer1, true));
    EXPECT_EQ("Linear", qb.GetDisplayText(kIdLinearizer2, false));
    EXPECT_EQ(2, qb.GetValue(kIdXYPoints));
    EXPECT_EQ("2", qb.GetDisplayText(kIdXYPoints, true));
    EXPECT_EQ(-150000, qb.GetValue(X(0)));
    EXPECT_EQ(-150000, qb.GetValue(Y(0)));
    EXPECT_EQ(1150000, qb.GetValue(X(1)));
    EXPECT_EQ(1150000, qb.GetValue(Y(1)));
    EXPECT_EQ(0, qb.GetValue(X(2)));
    EXPECT_EQ("-15.0000 (%)", qb.GetDisplayText(X(0), true));
    EXPECT_EQ("+0.0000 (%)", qb.GetDisplayText(kIdInputFineZero, true));
    EXPECT_EQ(224000, qb.GetValue(kIdBurnoutValue2));
    EXPECT_EQ("%", qb.GetSensorUnitText());
    EXPECT_EQ("%", qb.GetInputUnitText());
    EXPECT_EQ("Standard", qb.GetDisplayText(kIdResponseProperty, false));
}

TEST_F(QBModel, NoTemperatureConversionEvenInFahrenheit) {
    CModelContext::SetTempUnit(kUnitFahrenheit);
    EXPECT_EQ("0.0000 (%)", qb.GetDisplayText(kIdZeroInput, true));
    Edit(kIdFullInput, "80");
    EXPECT_EQ(800000, qb.GetValue(kIdFullInput));
    EXPECT_EQ("0% input should be a from 0.0000 to 79.9999. ",
              ThrownMessage([&] { Edit(kIdZeroInput, "80"); }));
    bank.SetInt32(2, 123400);
    bank.SetInt32(4, 154250);
    qb.Upload(comm, kGroupMonitor);
    EXPECT_EQ("12.3400%, 15.4250%", qb.GetValueText(kIdInputValue));
    EXPECT_EQ(123400, qb.GetValue(kIdInputValue));
}

TEST_F(QBModel, EveryInputTypeSpansTheWholeTravel) {
    qb.SetValue(kIdZeroInput, 200000, true);
    qb.SetValue(kIdInputType, 6, true);
    EXPECT_EQ(0, qb.GetValue(kIdZeroInput));
    EXPECT_EQ(1000000, qb.GetValue(kIdFullInput));
    EXPECT_EQ("100% input should be a from 0.0001 to 100.0000. ",
              ThrownMessage([&] { qb.SetValue(kIdFullInput, 1000001, true); }));
    EXPECT_NE("", ThrownMessage([&] { qb.SetValue(kIdZeroInput, -1, true); }));
    int32_t low = 0, high = 0;
    qb.GetSensorRange(low, high);
    EXPECT_EQ(0, low);
    EXPECT_EQ(1000000, high);
}

TEST_F(QBModel, InputTypeListHasSevenEntries) {
    EXPECT_EQ("POT 0 - 10kOhm", qb.FormatValue(kIdInputType, 0, false));
    EXPECT_EQ("POT 0 - 75Ohm", qb.FormatValue(kIdInputType, 6, false));
    EXPECT_EQ("", qb.FormatValue(kIdInputType, 7, false));
    EXPECT_EQ("User table", qb.FormatValue(kIdLinearizer1, 1, false));
    EXPECT_EQ("", qb.FormatValue(kIdLinearizer1, 2, false));
}

TEST_F(QBModel, PointCountAndValueLimits) {
    EXPECT_EQ("Number of points should be a from 2 to 101. ",
              ThrownMessage([&] { Edit(kIdXYPoints, "102"); }));
    EXPECT_NE("", ThrownMessage([&] { Edit(kIdXYPoints, "1"); }));
    Edit(kIdXYPoints, "101");
    EXPECT_EQ(101, qb.GetValue(kIdXYPoints));
    EXPECT_EQ("X[0] should be a from -15.0000 to 115.0000. ",
              ThrownMessage([&] { Edit(X(0), "-15.0001"); }));
    EXPECT_EQ("Y[100] should be a from -15.0000 to 115.0000. ",
              ThrownMessage([&] { Edit(Y(100), "115.0001"); }));
    Edit(Y(100), "115");
    EXPECT_EQ(1150000, qb.GetValue(kIdXYLast));
    EXPECT_EQ("Y[100]", qb.GetParameterName(kIdXYLast));
    EXPECT_EQ("X[50]", qb.GetParameterName(X(50)));
}

TEST_F(QBModel, PointsBeyondTheCountAreReadOnlyUntilTheCountGrows) {
    EXPECT_EQ(kKindText, qb.GetParameterKind(Y(1)));
    EXPECT_EQ(kKindReadOnly, qb.GetParameterKind(X(2)));
    EXPECT_EQ(kKindReadOnly, qb.GetParameterKind(Y(2)));
    qb.SetValue(kIdXYPoints, 3, true);
    EXPECT_EQ(kKindText, qb.GetParameterKind(X(2)));
    EXPECT_EQ(kKindText, qb.GetParameterKind(Y(2)));
    EXPECT_EQ(kKindReadOnly, qb.GetParameterKind(X(3)));
    EXPECT_EQ(kKindText, qb.GetParameterKind(kIdXYPoints));
    EXPECT_EQ(kKindHeader, qb.GetParameterKind(kIdHeaderLinearizer));
}

TEST_F(QBModel, BurnoutAndResponsePropertyKeepTheirKindRules) {
    EXPECT_EQ(kKindReadOnly, qb.GetParameterKind(kIdBurnoutValue1));
    qb.SetValue(kIdBurnout2, 3, true);
    EXPECT_EQ(kKindText, qb.GetParameterKind(kIdBurnoutValue2));
    bank[9602] = 109;
    qb.SetOnline(true);
    qb.ReadParameter(comm, kIdResponseProperty);
    EXPECT_EQ(kKindReadOnly, qb.GetParameterKind(kIdResponseProperty));
    EXPECT_EQ(kKindChoice, qb.GetParameterKind(kIdLinearizer1));
}

TEST_F(QBModel, InputFineZeroIsFifteenPercent) {
    EXPECT_EQ("Input fine zero adjust. should be a from -15.0000 to 15.0000. ",
              ThrownMessage([&] { Edit(kIdInputFineZero, "-15.0001"); }));
    Edit(kIdInputFineZero, "1");
    EXPECT_EQ("+1.0000 (%)", qb.GetDisplayText(kIdInputFineZero, true));
}

TEST_F(QBModel, EnumerationAndNames) {
    EXPECT_EQ(24, qb.GetParameterCount(0));
    ASSERT_EQ(204, qb.GetParameterCount(2));
    EXPECT_EQ(kIdHeaderLinearizer, qb.GetParameterId(2, 0));
    EXPECT_EQ(kIdXYPoints, qb.GetParameterId(2, 1));
    EXPECT_EQ(20002, qb.GetParameterId(2, 2));
    EXPECT_EQ(20203, qb.GetParameterId(2, 203));
    EXPECT_EQ(-1, qb.GetParameterId(2, 204));
    EXPECT_EQ("Linearizer", qb.GetParameterName(kIdHeaderLinearizer));
    EXPECT_EQ("Linearizer", qb.GetParameterName(kIdLinearizer2));
    EXPECT_EQ("Number of points", qb.GetParameterName(kIdXYPoints));
    EXPECT_EQ(kIdLinearizer1, qb.GetParameterId(0, 7));
    EXPECT_EQ(10, qb.GetParameterCount(10));
    EXPECT_EQ("", qb.GetValueText(kIdRtdResistance));
    EXPECT_EQ("", qb.GetValueText(kIdSensorWires));
}

TEST_F(QBModel, LinearizersAreWrittenAndReadAlone) {
    qb.SetValue(kIdLinearizer1, 1, true);
    qb.WriteParameter(comm, kIdLinearizer1);
    EXPECT_EQ(Guarded({"W2030x1"}), bank.Trace());
    bank.ClearRequests();
    qb.WriteParameter(comm, kIdLinearizer2);
    EXPECT_EQ(Guarded({"W2230x1"}), bank.Trace());
    bank[2230] = 1;
    bank.ClearRequests();
    qb.ReadParameter(comm, kIdLinearizer2);
    EXPECT_EQ((Trace{"R2230x1"}), bank.Trace());
    EXPECT_EQ(1, qb.GetValue(kIdLinearizer2));
    bank.ClearRequests();
    qb.WriteParameter(comm, kIdSensorWires);
    qb.WriteParameter(comm, kIdXYPoints);
    EXPECT_TRUE(bank.Requests().empty());
}

TEST_F(QBModel, FullDownloadRefusesFallingXBeforeWritingAnything) {
    qb.SetValue(kIdXYPoints, 3, true);
    qb.SetValue(X(0), 0, true);
    qb.SetValue(X(1), 500000, true);
    qb.SetValue(X(2), 500000, true);
    EXPECT_EQ("Can not download XY table data, because X[2] is lower than X[1].",
              ThrownMessage([&] { qb.Download(comm, kGroupAll); }));
    EXPECT_TRUE(bank.Requests().empty());
    // Groups alone are not checked.
    qb.Download(comm, kGroupTable);
    EXPECT_EQ("W5000x1", bank.Trace()[2]);
    EXPECT_EQ(500000, bank.GetInt32(5001 + 2 * 4));
    bank.ClearRequests();
    qb.Download(comm, kGroupSettings);
    EXPECT_FALSE(bank.Requests().empty());
    // A falling pair beyond the count is not looked at.
    qb.SetValue(X(2), 600000, true);
    qb.SetValue(X(3), -100000, true);
    bank.ClearRequests();
    qb.Download(comm, kGroupAll);
    EXPECT_EQ("W900x1", bank.Trace().back());
}

TEST_F(QBModel, FullDownloadChecksFromTheFirstPair) {
    qb.SetValue(X(0), 200000, true);
    qb.SetValue(X(1), 100000, true);
    EXPECT_EQ("Can not download XY table data, because X[1] is lower than X[0].",
              ThrownMessage([&] { qb.Download(comm, kGroupAll); }));
    EXPECT_TRUE(bank.Requests().empty());
}

TEST_F(QBModel, TableBlocksCarryInterleavedPairs) {
    bank[5000] = 4;
    bank.SetInt32(5001 + 2 * 3, 250000);   // Y[1]
    bank.SetInt32(5001 + 2 * 200, 990000); // X[100]
    bank.SetInt32(5001 + 2 * 201, 980000); // Y[100], in the short last block
    qb.Upload(comm, kGroupTable);
    EXPECT_EQ(4, qb.GetValue(kIdXYPoints));
    EXPECT_EQ(250000, qb.GetValue(Y(1)));
    EXPECT_EQ(0, qb.GetValue(X(1)));
    EXPECT_EQ(990000, qb.GetValue(X(100)));
    EXPECT_EQ(980000, qb.GetValue(Y(100)));
    EXPECT_EQ("R5401x4", bank.Trace().back());
}

TEST_F(QBModel, XYTakeOverRoundsAndClearsLaterPairsWithoutOrderCheck) {
    XYTable table;
    table.x = {100.0, 50.00006, -0.00007};
    table.y = {0.0, 12.34564, 99.99996};
    qb.ApplyXYTable(table);
    EXPECT_EQ(3, qb.GetValue(kIdXYPoints));
    EXPECT_EQ(1000000, qb.GetValue(X(0)));
    EXPECT_EQ(500001, qb.GetValue(X(1)));
    EXPECT_EQ(-1, qb.GetValue(X(2)));
    EXPECT_EQ(123456, qb.GetValue(Y(1)));
    EXPECT_EQ(1000000, qb.GetValue(Y(2)));
    EXPECT_TRUE(messages.empty());
    XYTable back = qb.GetXYTable();
    ASSERT_EQ(3u, back.x.size());
    EXPECT_DOUBLE_EQ(50.0001, back.x[1]);

    table.x.assign(120, 1.0);
    table.y.assign(120, 2.0);
    qb.ApplyXYTable(table);
    EXPECT_EQ(101, qb.GetValue(kIdXYPoints));
    EXPECT_EQ(20000, qb.GetValue(kIdXYLast));
    table.x = {10.0};
    table.y = {20.0};
    qb.ApplyXYTable(table);
    EXPECT_EQ(1, qb.GetValue(kIdXYPoints));
    EXPECT_EQ(0, qb.GetValue(X(1)));
    EXPECT_EQ(0, qb.GetValue(kIdXYLast));
}

TEST_F(QBModel, SingleOutputVariantKeepsOutput1NamesAndOutput2Adjustments) {
    CParTypeQB1 qb1;
    EXPECT_EQ(1012, qb1.ModelNumber());
    EXPECT_EQ("Q3VB1", qb1.ModelString());
    EXPECT_EQ(1, qb1.GetOutputCount());
    EXPECT_EQ(15, qb1.GetParameterCount(0));
    EXPECT_EQ(7, qb1.GetParameterCount(1));
    EXPECT_EQ(9, qb1.GetParameterCount(10));
    std::set<int> ids;
    for (int g : {0, 1, 10})
        for (int i = 0; i < qb1.GetParameterCount(g); ++i)
            ids.insert(qb1.GetParameterId(g, i));
    for (int gone : {65011, 111, 105, 106, 107, 108, 109, 67, 68, 60003, 65001})
        EXPECT_FALSE(ids.count(gone)) << gone;
    for (int kept : {65010, 110, 10008, 10009})
        EXPECT_TRUE(ids.count(kept)) << kept;
    EXPECT_EQ("Output1", qb1.GetParameterName(kIdHeaderOutput1));
    EXPECT_EQ("Output1 fine zero adjust.", qb1.GetParameterName(kIdOutput1FineZero));
    EXPECT_EQ("Output1 fine span adjust.", qb1.GetParameterName(kIdOutput1FineSpan));
    EXPECT_EQ("Output2 fine span adjust.", qb1.GetParameterName(kIdOutput2FineSpan));
    EXPECT_EQ("Output1 value", qb1.GetParameterName(kIdOutput1Value));
    EXPECT_EQ(2, qb1.GetValue(kIdInputType));
    EXPECT_EQ(1150000, qb1.GetValue(Y(1)));
}

namespace {
struct FakeXYEditor : ITableEditor {
    bool ok = true;
    XYTable answer;
    XYTable given;
    bool EditTemperatureTable(void*, TemperatureTable&, int) override { return false; }
    bool EditXYTable(void*, XYTable& table) override {
        given = table;
        if (ok)
            table = answer;
        return ok;
    }
};
} // namespace

TEST_F(QBModel, TableActionHandsThePairsInUseAndTakesTheAnswerOver) {
    FakeXYEditor editor;
    SetTableEditor(&editor);
    qb.SetValue(kIdXYPoints, 3, true);
    qb.SetValue(X(2), 1000000, true);
    qb.SetValue(Y(2), 500000, true);
    editor.answer.x = {80.0, 20.0};
    editor.answer.y = {0.0, 100.0};
    qb.RunGroupAction(nullptr, kGroupTable, 0);
    EXPECT_EQ((std::vector<double>{-15.0, 115.0, 100.0}), editor.given.x);
    EXPECT_EQ((std::vector<double>{-15.0, 115.0, 50.0}), editor.given.y);
    EXPECT_EQ(2, qb.GetValue(kIdXYPoints));
    EXPECT_EQ(800000, qb.GetValue(X(0)));
    EXPECT_EQ(1000000, qb.GetValue(Y(1)));
    EXPECT_EQ(0, qb.GetValue(X(2)));
    EXPECT_TRUE(messages.empty());
    editor.ok = false;
    editor.answer.x = {1.0};
    qb.RunGroupAction(nullptr, kGroupTable, 0);
    EXPECT_EQ(2, qb.GetValue(kIdXYPoints));
    SetTableEditor(nullptr);
}
