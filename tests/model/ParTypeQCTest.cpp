#include "comm/CCommInterface.h"
#include "model/CParTypeQC.h"
#include "model/ParameterIds.h"
#include "tests/support/CRegisterBank.h"
#include "tests/support/ModelFixture.h"

#include <gtest/gtest.h>

#include <set>

namespace {
class QCModel : public ModelFixture {
protected:
    CParTypeQC qc;
    CRegisterBank bank;
    CCommInterface comm{&bank};

    void Edit(int id, const std::string& text) { EditText(qc, id, text); }
};

} // namespace

TEST_F(QCModel, DefaultsAndTexts) {
    EXPECT_EQ(0, qc.GetValue(kIdInputType));
    EXPECT_EQ("DC 0 - 50mA", qc.GetDisplayText(kIdInputType, true));
    EXPECT_EQ("4.0000 (mA)", qc.GetDisplayText(kIdZeroInput, true));
    EXPECT_EQ("20.0000 (mA)", qc.GetDisplayText(kIdFullInput, true));
    EXPECT_EQ("Normal speed", qc.GetDisplayText(kIdResponseRate, true));
    EXPECT_EQ("+0.0000 (mA)", qc.GetDisplayText(kIdInputFineZero, true));
    EXPECT_EQ("mA", qc.GetSensorUnitText());
    EXPECT_EQ("mA", qc.GetInputUnitText());
    EXPECT_EQ(24000, qc.GetValue(103));
    EXPECT_EQ(216000, qc.GetValue(109));
    EXPECT_EQ(2, qc.GetValue(kIdXYPoints));
    EXPECT_EQ(1150000, qc.GetValue(kIdXYFirst + 3));
    int32_t low = 0, high = 0;
    qc.GetSensorRange(low, high);
    EXPECT_EQ(0, low);
    EXPECT_EQ(500000, high);
}

TEST_F(QCModel, HoldsNoBurnoutNorResponseProperty) {
    for (int id : {kIdBurnout1, kIdBurnoutValue1, kIdBurnout2, kIdBurnoutValue2,
                   kIdResponseProperty, kIdSensorWires}) {
        qc.SetValue(id, 3, true);
        EXPECT_EQ(0, qc.GetValue(id)) << id;
        EXPECT_EQ("", qc.GetValueText(id)) << id;
        qc.WriteParameter(comm, id);
        qc.ReadParameter(comm, id);
    }
    EXPECT_TRUE(bank.Requests().empty());
    EXPECT_EQ(20, qc.GetParameterCount(0));
}

TEST_F(QCModel, ResponseRateChoicesAndRegister) {
    EXPECT_EQ("High speed", qc.FormatValue(kIdResponseRate, 1, false));
    EXPECT_EQ("", qc.FormatValue(kIdResponseRate, 2, false));
    EXPECT_EQ("Response rate", qc.GetParameterName(kIdResponseRate));
    EXPECT_EQ("DC -10V - +10V", qc.FormatValue(kIdInputType, 2, false));
    EXPECT_EQ("", qc.FormatValue(kIdInputType, 3, false));
    qc.SetValue(kIdResponseRate, 1, true);
    qc.WriteParameter(comm, kIdResponseRate);
    EXPECT_EQ(Guarded({"W1050x1"}), bank.Trace());
    EXPECT_EQ((std::vector<uint16_t>{1}), bank.Requests()[2].values);
    bank[1050] = 0;
    bank.ClearRequests();
    qc.ReadParameter(comm, kIdResponseRate);
    EXPECT_EQ((Trace{"R1050x1"}), bank.Trace());
    EXPECT_EQ(0, qc.GetValue(kIdResponseRate));
}

TEST_F(QCModel, MillivoltTypeSetsRangeUnitAndZeroAdjustment) {
    qc.SetValue(kIdInputType, 1, true);
    EXPECT_EQ(-10000000, qc.GetValue(kIdZeroInput));
    EXPECT_EQ(10000000, qc.GetValue(kIdFullInput));
    EXPECT_EQ("-1000.0000 (mV)", qc.GetDisplayText(kIdZeroInput, true));
    EXPECT_EQ("1000.0000 (mV)", qc.GetDisplayText(kIdFullInput, true));
    EXPECT_EQ("mV", qc.GetSensorUnitText());
    EXPECT_EQ("mV", qc.GetInputUnitText());
    EXPECT_EQ("Input fine zero adjust. should be a from -150.0000 to 150.0000. ",
              ThrownMessage([&] { Edit(kIdInputFineZero, "200"); }));
    Edit(kIdInputFineZero, "150");
    EXPECT_EQ("+150.0000 (mV)", qc.GetDisplayText(kIdInputFineZero, true));
    EXPECT_EQ("0% input should be a from -1150.0000 to 999.9999. ",
              ThrownMessage([&] { Edit(kIdZeroInput, "-1150.0001"); }));
}

TEST_F(QCModel, RangesAndZeroAdjustmentFollowEachType) {
    double low = 0, high = 0;
    qc.GetInputZeroAdjustRange(low, high);
    EXPECT_DOUBLE_EQ(-7.5, low);
    EXPECT_DOUBLE_EQ(7.5, high);
    EXPECT_EQ("100% input should be a from 4.0001 to 57.5000. ",
              ThrownMessage([&] { Edit(kIdFullInput, "57.5001"); }));
    EXPECT_EQ("0% input should be a from -7.5000 to 19.9999. ",
              ThrownMessage([&] { Edit(kIdZeroInput, "20"); }));
    qc.SetValue(kIdInputType, 2, true);
    EXPECT_EQ(-100000, qc.GetValue(kIdZeroInput));
    EXPECT_EQ(100000, qc.GetValue(kIdFullInput));
    EXPECT_EQ("V", qc.GetSensorUnitText());
    qc.GetInputZeroAdjustRange(low, high);
    EXPECT_DOUBLE_EQ(-1.5, low);
    EXPECT_DOUBLE_EQ(1.5, high);
    EXPECT_EQ("100% input should be a from -9.9999 to 11.5000. ",
              ThrownMessage([&] { Edit(kIdFullInput, "11.6"); }));
    // A type value the list does not hold (from a file) falls back to mA and +-15.
    qc.SetValue(kIdInputType, 7, false);
    EXPECT_EQ("mA", qc.GetSensorUnitText());
    qc.GetInputZeroAdjustRange(low, high);
    EXPECT_DOUBLE_EQ(-15.0, low);
    EXPECT_DOUBLE_EQ(15.0, high);
    EXPECT_EQ("", qc.GetDisplayText(kIdInputType, false));
    Edit(kIdInputFineZero, "15");
    EXPECT_EQ(150000, qc.GetValue(kIdInputFineZero));
}

TEST_F(QCModel, NoTemperatureConversionEvenInFahrenheit) {
    CModelContext::SetTempUnit(kUnitFahrenheit);
    EXPECT_EQ("20.0000", qc.GetDisplayText(kIdFullInput, false));
    Edit(kIdFullInput, "30");
    EXPECT_EQ(300000, qc.GetValue(kIdFullInput));
    bank.SetInt32(2, 120000);
    bank.SetInt32(4, 500000);
    qc.Upload(comm, kGroupMonitor);
    EXPECT_EQ("12.0000mA, 50.0000%", qc.GetValueText(kIdInputValue));
    EXPECT_EQ((Trace{"R0x2", "R2x2", "R4x2", "R22x2", "R24x2", "R26x2", "R28x2", "R900x1",
                     "R9601x1", "R9602x1", "R9603x8", "R9611x16", "R9627x2", "R9629x16"}),
              bank.Trace());
}

TEST_F(QCModel, VoltageOutputDerivesLimitsAndWritesNoBurnout) {
    qc.SetValue(kIdOutputType1, 2, true);
    EXPECT_EQ(-100000, qc.GetValue(101));
    EXPECT_EQ(100000, qc.GetValue(102));
    EXPECT_EQ(-120000, qc.GetValue(103));
    EXPECT_EQ(120000, qc.GetValue(104));
    EXPECT_EQ("-12.0000 (V)", qc.GetDisplayText(103, true));
    qc.WriteParameter(comm, kIdOutputType1);
    EXPECT_EQ(Guarded({"W2000x1", "W2001x2", "W2003x2", "W2005x2", "W2007x2"}), bank.Trace());
    bank.ClearRequests();
    qc.WriteParameter(comm, 101);
    qc.WriteParameter(comm, 102);
    qc.WriteParameter(comm, 103);
    qc.WriteParameter(comm, 104);
    Trace expected = Guarded({"W2001x2", "W2005x2", "W2007x2"});
    for (const Trace& t :
         {Guarded({"W2003x2", "W2005x2", "W2007x2"}), Guarded({"W2005x2"}), Guarded({"W2007x2"})})
        expected.insert(expected.end(), t.begin(), t.end());
    EXPECT_EQ(expected, bank.Trace());
    bank.ClearRequests();
    qc.WriteParameter(comm, 106);
    EXPECT_EQ(Guarded({"W2201x2", "W2205x2", "W2207x2"}), bank.Trace());
    bank.ClearRequests();
    qc.WriteParameter(comm, kIdLinearizer2);
    EXPECT_EQ(Guarded({"W2230x1"}), bank.Trace());
}

TEST_F(QCModel, OutputRangeChangeMovesOnlyTheLimits) {
    qc.SetValue(102, 230000, true);
    EXPECT_EQ(230000, qc.GetValue(104));
    EXPECT_EQ(21000, qc.GetValue(103));
    EXPECT_EQ("Output high limit should be a from 23.0000 to 23.0000. ",
              ThrownMessage([&] { qc.SetValue(104, 229999, true); }));
    EXPECT_EQ(kKindText, qc.GetParameterKind(103));
}

TEST_F(QCModel, KindRulesAreFactoryTextsThenXYPoints) {
    EXPECT_EQ(kKindReadOnly, qc.GetParameterKind(kIdModelText));
    CModelContext::SetPrivileged(true);
    EXPECT_EQ(kKindText, qc.GetParameterKind(kIdModelText));
    EXPECT_EQ(kKindText, qc.GetParameterKind(kIdXYFirst + 3));
    EXPECT_EQ(kKindReadOnly, qc.GetParameterKind(kIdXYFirst + 4));
    EXPECT_EQ(kKindChoice, qc.GetParameterKind(kIdResponseRate));
    EXPECT_EQ(kKindChoice, qc.GetParameterKind(kIdLinearizer1));
}

TEST_F(QCModel, FullDownloadChecksTheXYOrderFirst) {
    qc.SetValue(kIdXYPoints, 2, true);
    qc.SetValue(kIdXYFirst, 1150000, true);
    EXPECT_EQ("Can not download XY table data, because X[1] is lower than X[0].",
              ThrownMessage([&] { qc.Download(comm, kGroupAll); }));
    EXPECT_TRUE(bank.Requests().empty());
}

TEST_F(QCModel, SingleOutputVariantKeepsRowsAsThePotentiometerVariant) {
    CParTypeQC1 qc1;
    EXPECT_EQ(1022, qc1.ModelNumber());
    EXPECT_EQ("Q3VC1", qc1.ModelString());
    EXPECT_EQ(1, qc1.GetOutputCount());
    EXPECT_EQ(13, qc1.GetParameterCount(0));
    EXPECT_EQ(7, qc1.GetParameterCount(1));
    std::set<int> ids;
    for (int g : {0, 1, 10})
        for (int i = 0; i < qc1.GetParameterCount(g); ++i)
            ids.insert(qc1.GetParameterId(g, i));
    for (int gone : {65011, 111, 105, 106, 107, 108, 109, 60003, 60, 66})
        EXPECT_FALSE(ids.count(gone)) << gone;
    for (int kept : {65010, 110, 50, 10008, 10009})
        EXPECT_TRUE(ids.count(kept)) << kept;
    EXPECT_EQ("Output1", qc1.GetParameterName(kIdHeaderOutput1));
    EXPECT_EQ("Output1 fine zero adjust.", qc1.GetParameterName(kIdOutput1FineZero));
    EXPECT_EQ("Output1 value", qc1.GetParameterName(kIdOutput1Value));
    EXPECT_EQ("Output1 value should be a from -6.5000 to 6.5000. ", ThrownMessage([&] {
                  qc1.SetValue(kIdOutputType1, 1, true);
                  qc1.CheckOutputValue(0, 65001);
              }));
}
