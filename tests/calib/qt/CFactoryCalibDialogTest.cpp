#include "calib/qt/CInputCalibDialog.h"
#include "calib/qt/COutputCalibDialog.h"
#include "calib/qt/CUpDownEdit.h"

#include "resources/CStringTable.h"
#include "tests/calib/qt/CalibGuiTestSupport.h"
#include "tests/support/CRegisterBank.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <mutex>

namespace {
using Trace = std::vector<std::string>;
using Words = std::vector<uint16_t>;

Words Split(int32_t v) {
    auto u = static_cast<uint32_t>(v);
    return {static_cast<uint16_t>(u & 0xFFFF), static_cast<uint16_t>(u >> 16)};
}

template <class Dialog> class FactoryDialog : public ::testing::Test {
protected:
    FactoryDialog() { bank[900] = 2; }

    void Open(int typeCode) {
        dialog = std::make_unique<Dialog>(typeCode, &comm, nullptr);
        dialog->show();
    }
    template <class W> W* Find(const char* name) { return dialog->template findChild<W*>(name); }
    QPushButton* Button(const char* name) { return Find<QPushButton>(name); }
    QLineEdit* Edit(const char* name) { return Find<QLineEdit>(name); }
    QComboBox* Combo(const char* name) { return Find<QComboBox>(name); }
    void Click(const char* name) { QTest::mouseClick(Button(name), Qt::LeftButton); }
    const CRegisterBank::Request& Request(std::size_t i) const { return bank.Requests().at(i); }

    MessageRecorder messages;
    CRegisterBank bank;
    CCommInterface comm{&bank};
    std::unique_ptr<Dialog> dialog;
};

using InputDialog = FactoryDialog<CInputCalibDialog>;
using OutputDialog = FactoryDialog<COutputCalibDialog>;
} // namespace

TEST_F(InputDialog, OpensInMode5170AndReadsTheReferencesOfTheResistanceThermometer) {
    bank.SetInt32(20100, 1000000);
    bank.SetInt32(20102, 2500000);
    Open(9);
    EXPECT_EQ("入力調整", dialog->windowTitle());
    EXPECT_EQ((Trace{"R900x1", "W900x1", "R20100x4"}), bank.Trace());
    EXPECT_EQ(Words{5170}, Request(1).values);
    EXPECT_EQ("100.0000", Edit("resistance")->text());
    EXPECT_EQ("250.0000", Edit("voltage")->text());
    EXPECT_TRUE(Find<QGroupBox>("reference")->isEnabled());
    EXPECT_FALSE(Combo("inputSelector")->isVisible());
    QComboBox* type = Combo("type");
    ASSERT_EQ(8, type->count());
    EXPECT_EQ(0, type->currentIndex());
    EXPECT_EQ("ゲイン1倍", type->itemText(1));
    EXPECT_EQ("ゲイン64倍", type->itemText(7));
    EXPECT_FALSE(Button("zeroSet")->isEnabled());
    EXPECT_FALSE(Button("fullSet")->isEnabled());
}

TEST_F(InputDialog, OtherModelsHaveNoReferenceRowAndNoGain) {
    Open(13);
    EXPECT_EQ((Trace{"R900x1", "W900x1"}), bank.Trace());
    EXPECT_FALSE(Find<QGroupBox>("reference")->isEnabled());
    ASSERT_EQ(4, Combo("type")->count());
    EXPECT_EQ("DC -1000 - +1000mV", Combo("type")->itemText(2));
    bank.ClearRequests();
    Combo("type")->setCurrentIndex(2);
    EXPECT_EQ((Trace{"R21006x2", "R21008x4"}), bank.Trace());
    bank.ClearRequests();
    Click("close");
    EXPECT_EQ((Trace{"W900x1"}), bank.Trace());
    EXPECT_EQ(2, bank[900]);
    EXPECT_FALSE(dialog->isVisible());
}

TEST_F(InputDialog, TypeSelectionSetsTheGainAndShowsTheStoredPoints) {
    Open(9);
    bank.ClearRequests();
    bank[21012] = 1234;
    bank[21013] = 54321;
    bank.SetInt32(21014, 5000);
    bank.SetInt32(21016, 3999000);
    Combo("type")->setCurrentIndex(3); // gain x4, t = 2
    EXPECT_EQ((Trace{"W30001x1", "R21012x2", "R21014x4"}), bank.Trace());
    EXPECT_EQ(Words{2}, Request(0).values);
    EXPECT_EQ("1234", Edit("zeroAd")->text());
    EXPECT_EQ("54321", Edit("fullAd")->text());
    EXPECT_EQ("0.5000", Edit("zeroMeasured")->text());
    EXPECT_EQ("399.9000", Edit("fullMeasured")->text());
    EXPECT_TRUE(Button("zeroSet")->isEnabled());
    EXPECT_TRUE(Button("fullSet")->isEnabled());

    bank.ClearRequests();
    Combo("type")->setCurrentIndex(0);
    EXPECT_TRUE(bank.Trace().empty());
    EXPECT_FALSE(Button("zeroSet")->isEnabled());
    EXPECT_FALSE(Button("fullSet")->isEnabled());
}

TEST_F(InputDialog, SetStoresTheLiveAdCountWithTheMeasuredValue) {
    Open(9);
    Combo("type")->setCurrentIndex(1); // t = 0
    bank.ClearRequests();
    bank[30100] = 777;
    Edit("fullMeasured")->setText("12.34567");
    Click("fullSet");
    EXPECT_EQ((Trace{"R30100x1", "W21001x1", "W21004x2", "R21001x1", "R21004x2"}), bank.Trace());
    EXPECT_EQ(Words{777}, Request(1).values);
    EXPECT_EQ(Split(123457), Request(2).values);
    EXPECT_EQ("777", Edit("fullAd")->text());
    EXPECT_EQ("12.3457", Edit("fullMeasured")->text());
    bank.ClearRequests();
    Edit("zeroMeasured")->setText("zero");
    Click("zeroSet");
    EXPECT_TRUE(bank.Trace().empty());
    EXPECT_TRUE(messages.texts.isEmpty());
}

TEST_F(InputDialog, ReferenceButtonsWriteAndReadBack) {
    Open(9);
    bank.ClearRequests();
    Edit("voltage")->setText("500.25");
    Click("voltageSet");
    Edit("resistance")->setText("");
    Click("resistanceSet");
    Edit("resistance")->setText("99.5");
    Click("resistanceSet");
    EXPECT_EQ((Trace{"W20102x2", "R20102x2", "W20100x2", "R20100x2"}), bank.Trace());
    EXPECT_EQ(Split(5002500), Request(0).values);
    EXPECT_EQ(Split(995000), Request(2).values);
    EXPECT_EQ("500.2500", Edit("voltage")->text());
}

TEST_F(InputDialog, FailureInAHandlerIsShownAndTheDialogStaysOpenDisarmed) {
    Open(9);
    Combo("type")->setCurrentIndex(1);
    ASSERT_TRUE(Button("zeroSet")->isEnabled());
    bank.FailAt(static_cast<int>(bank.Requests().size()) + 1); // the read after the gain
    Combo("type")->setCurrentIndex(2);
    ASSERT_EQ(1, messages.texts.size());
    EXPECT_EQ("fault", messages.texts[0]);
    EXPECT_EQ(MessageIcon::Stop, messages.icons[0]);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_FALSE(Button("zeroSet")->isEnabled());
}

TEST_F(InputDialog, CloseReleasesTheGainThenRestoresTheModeAlsoAfterAFailure) {
    Open(9);
    bank.ClearRequests();
    bank.FailAt(0);
    QTest::keyClick(dialog.get(), Qt::Key_Escape);
    EXPECT_FALSE(dialog->isVisible());
    ASSERT_EQ(1, messages.texts.size());
    EXPECT_EQ("fault", messages.texts[0]);
    EXPECT_EQ((Trace{"W30001x1", "W900x1"}), bank.Trace());
    EXPECT_EQ(Words{0xFFFF}, Request(0).values);
    EXPECT_EQ(2, bank[900]);
    dialog.reset();
    EXPECT_EQ(2u, bank.Requests().size()); // released once
}

TEST_F(OutputDialog, OpensInMode5170WithTheSelectorForEveryTwoOutputModel) {
    Open(9);
    EXPECT_EQ("出力調整", dialog->windowTitle());
    EXPECT_EQ((Trace{"R900x1", "W900x1"}), bank.Trace());
    EXPECT_EQ(Words{5170}, Request(1).values);
    EXPECT_TRUE(Combo("outputSelector")->isVisible());
    EXPECT_EQ("出力2", Combo("outputSelector")->itemText(1));
    ASSERT_EQ(4, Combo("type")->count());
    EXPECT_EQ("DC 0 - 20mA", Combo("type")->itemText(1));
    for (const char* b : {"zeroStart", "fullStart", "zeroSet", "fullSet"})
        EXPECT_FALSE(Button(b)->isEnabled()) << b;
    EXPECT_FALSE(Button("halfStart")->isVisible());
    EXPECT_EQ(100, Find<CUpDownEdit>("zeroDa")->Low());
    EXPECT_EQ(16000, Find<CUpDownEdit>("fullDa")->High());
    EXPECT_EQ(1000, Find<QTimer>("daTimer")->interval());
    for (int code : {10, 11, 13, 16}) {
        COutputCalibDialog other(code, nullptr, nullptr);
        other.show();
        EXPECT_EQ(code % 2 == 1, other.findChild<QComboBox*>("outputSelector")->isVisible())
            << code;
    }
}

TEST_F(OutputDialog, TypeSelectionReadsTheRowsOfTheChosenOutput) {
    Open(9);
    bank.ClearRequests();
    bank[22006] = 900;
    bank[22007] = 15000;
    bank.SetInt32(22008, 40100);
    bank.SetInt32(22010, 199900);
    Combo("type")->setCurrentIndex(2); // t = 1
    EXPECT_EQ((Trace{"R22006x1", "R22008x2", "R22007x1", "R22010x2"}), bank.Trace());
    EXPECT_EQ("900", Find<CUpDownEdit>("zeroDa")->Text());
    EXPECT_EQ("4.0100", Edit("zeroMeasured")->text());
    EXPECT_EQ("15000", Find<CUpDownEdit>("fullDa")->Text());
    EXPECT_EQ("19.9900", Edit("fullMeasured")->text());
    EXPECT_TRUE(Button("zeroStart")->isEnabled());
    EXPECT_TRUE(Button("fullStart")->isEnabled());
    EXPECT_FALSE(Button("zeroSet")->isEnabled());
    bank.ClearRequests();
    Click("zeroStart");
    Combo("outputSelector")->setCurrentIndex(1);
    EXPECT_EQ((Trace{"R22106x1", "R22108x2", "R22107x1", "R22110x2"}), bank.Trace());
    EXPECT_FALSE(Button("zeroSet")->isEnabled()); // disarmed for the other output
    bank.ClearRequests();
    Combo("type")->setCurrentIndex(0);
    EXPECT_TRUE(bank.Trace().empty());
    EXPECT_FALSE(Button("zeroStart")->isEnabled());
}

TEST_F(OutputDialog, TheArmedRowDrivesTheOutputEveryTick) {
    Open(11);
    Combo("type")->setCurrentIndex(1);
    bank.ClearRequests();
    dialog->TimerTick();
    EXPECT_TRUE(bank.Trace().empty()); // nothing armed
    Click("zeroStart");
    EXPECT_TRUE(Button("zeroSet")->isEnabled());
    EXPECT_FALSE(Button("fullSet")->isEnabled());
    auto* zeroDa = Find<CUpDownEdit>("zeroDa");
    zeroDa->SetText("800");
    zeroDa->stepBy(3);
    dialog->TimerTick();
    Click("fullStart");
    EXPECT_FALSE(Button("zeroSet")->isEnabled());
    Find<CUpDownEdit>("fullDa")->SetText("15999");
    dialog->TimerTick();
    Find<CUpDownEdit>("fullDa")->SetText("many");
    dialog->TimerTick();
    Find<CUpDownEdit>("fullDa")->SetText("70000");
    dialog->TimerTick();
    EXPECT_EQ((Trace{"W30200x1", "W30200x1"}), bank.Trace());
    EXPECT_EQ(Words{803}, Request(0).values);
    EXPECT_EQ(Words{15999}, Request(1).values);
    Combo("outputSelector")->setCurrentIndex(1);
    Click("fullStart");
    bank.ClearRequests();
    Find<CUpDownEdit>("fullDa")->SetText("4000");
    dialog->TimerTick();
    EXPECT_EQ((Trace{"W30201x1"}), bank.Trace());
}

TEST_F(OutputDialog, RealTimerTicksOncePerSecond) {
    Open(9);
    Combo("type")->setCurrentIndex(1);
    Click("zeroStart");
    Find<CUpDownEdit>("zeroDa")->SetText("1200");
    bank.ClearRequests();
    ASSERT_TRUE(WaitUntil([&] { return !bank.Trace().empty(); }, 1500));
    EXPECT_EQ(Words{1200}, Request(0).values);
}

TEST_F(OutputDialog, SetStoresTheDaCountInUseAndDisarmsTheRow) {
    Open(9);
    Combo("type")->setCurrentIndex(3); // t = 2
    Click("fullStart");
    bank.ClearRequests();
    bank[30200] = 15432;
    Edit("fullMeasured")->setText("not yet");
    Click("fullSet");
    EXPECT_TRUE(bank.Trace().empty());
    EXPECT_TRUE(Button("fullSet")->isEnabled());
    Edit("fullMeasured")->setText("9.98765");
    Click("fullSet");
    EXPECT_EQ((Trace{"R30200x1", "W22013x1", "W22016x2", "R22013x1", "R22016x2"}), bank.Trace());
    EXPECT_EQ(Words{15432}, Request(1).values);
    EXPECT_EQ(Split(99877), Request(2).values);
    EXPECT_EQ("15432", Find<CUpDownEdit>("fullDa")->Text());
    EXPECT_EQ("9.9877", Edit("fullMeasured")->text());
    EXPECT_FALSE(Button("fullSet")->isEnabled());
    bank.ClearRequests();
    dialog->TimerTick();
    EXPECT_TRUE(bank.Trace().empty());
}

TEST_F(OutputDialog, CommunicationFailureShows206AndStartsOver) {
    Open(9);
    Combo("type")->setCurrentIndex(1);
    Click("zeroStart");
    bank.FailAt(static_cast<int>(bank.Requests().size()));
    dialog->TimerTick();
    ASSERT_EQ(1, messages.texts.size());
    EXPECT_EQ("Communication error occurred.", messages.texts[0]);
    EXPECT_EQ(MessageIcon::Stop, messages.icons[0]);
    EXPECT_EQ(0, Combo("type")->currentIndex());
    for (const char* b : {"zeroStart", "fullStart", "halfStart", "zeroSet", "fullSet", "halfSet"})
        EXPECT_FALSE(Button(b)->isEnabled()) << b;
    EXPECT_TRUE(dialog->isVisible());

    bank.FailAt(static_cast<int>(bank.Requests().size()));
    Combo("type")->setCurrentIndex(2);
    EXPECT_EQ(2, messages.texts.size());
    EXPECT_EQ(0, Combo("type")->currentIndex());
    EXPECT_FALSE(Button("zeroStart")->isEnabled());
}

TEST_F(OutputDialog, CloseReleasesBothOutputsThenRestoresTheModeAlsoAfterAFailure) {
    Open(10); // one output: both are released all the same
    bank.ClearRequests();
    Click("close");
    EXPECT_EQ((Trace{"W30200x2", "W900x1"}), bank.Trace());
    EXPECT_EQ((Words{0, 0}), Request(0).values);
    EXPECT_EQ(2, bank[900]);
    EXPECT_FALSE(dialog->isVisible());

    bank[900] = 0;
    Open(9);
    bank.ClearRequests();
    bank.FailAt(0);
    dialog->close();
    ASSERT_EQ(1, messages.texts.size());
    EXPECT_EQ("fault", messages.texts[0]);
    EXPECT_EQ((Trace{"W30200x2", "W900x1"}), bank.Trace());
    EXPECT_EQ(0, bank[900]);
}

TEST(UpDownEdit, StepsWithinTheRangeAndKeepsTextItDidNotStep) {
    CUpDownEdit edit;
    edit.SetRange(100, 16000);
    edit.SetText("0"); // as read from an unprogrammed device
    EXPECT_EQ("0", edit.Text());
    edit.stepBy(1);
    EXPECT_EQ("100", edit.Text());
    edit.SetText("15999");
    edit.stepBy(5);
    EXPECT_EQ("16000", edit.Text());
    edit.stepBy(-2);
    EXPECT_EQ("15998", edit.Text());
    edit.SetText("abc");
    edit.stepBy(-1);
    EXPECT_EQ("100", edit.Text());
    edit.show();
    edit.SetText("500");
    QTest::keyClick(&edit, Qt::Key_Up);
    EXPECT_EQ("501", edit.Text());
}

namespace {
// The window holds the connection lock for as long as a factory dialog is open.
class FactoryWithSimulator : public ::testing::Test {
protected:
    FactoryWithSimulator() : lock(link.comm.Lock()) {}

    MessageRecorder messages;
    CSimLink link{1001};
    std::lock_guard<std::recursive_mutex> lock;
};
} // namespace

TEST_F(FactoryWithSimulator, InputDialogStoresAPointAndLeavesTheModeAsFound) {
    link.device.SetRegister(900, 2);
    link.device.SetInputValue(50.0);
    {
        CInputCalibDialog dialog(9, &link.comm, nullptr);
        dialog.show();
        EXPECT_EQ(5170, link.device.GetProcessMode());
        auto* type = dialog.findChild<QComboBox*>("type");
        type->setCurrentIndex(2); // gain x2
        EXPECT_EQ(1, static_cast<int16_t>(link.device.GetRegister(30001)));
        uint16_t ad = link.device.GetRegister(30100);
        dialog.findChild<QLineEdit*>("zeroMeasured")->setText("0.125");
        QTest::mouseClick(dialog.findChild<QPushButton*>("zeroSet"), Qt::LeftButton);
        EXPECT_EQ(ad, link.device.GetRegister(21006));
        EXPECT_EQ(1250, link.device.GetInt32(21008));
        EXPECT_EQ(QString::number(ad), dialog.findChild<QLineEdit*>("zeroAd")->text());

        // Every attempt of the read of the live AD count fails (a read fails fast; a write
        // waits out its long answer time on each attempt).
        link.device.ForceFault(CSimFault::Exception, 3);
        QTest::mouseClick(dialog.findChild<QPushButton*>("zeroSet"), Qt::LeftButton);
        ASSERT_EQ(1, messages.texts.size());
        EXPECT_EQ(1250, link.device.GetInt32(21008));
        EXPECT_TRUE(dialog.isVisible());
        QTest::mouseClick(dialog.findChild<QPushButton*>("close"), Qt::LeftButton);
        EXPECT_EQ(0xFFFF, link.device.GetRegister(30001));
        EXPECT_EQ(2, link.device.GetProcessMode());
    }
    EXPECT_EQ(2, link.device.GetProcessMode());
    EXPECT_EQ(1, messages.texts.size());
}

TEST_F(FactoryWithSimulator, OutputDialogDrivesStoresAndRestoresTheModeAfterAFailure) {
    ASSERT_EQ(0, link.device.GetProcessMode());
    {
        COutputCalibDialog dialog(9, &link.comm, nullptr);
        dialog.show();
        EXPECT_EQ(5170, link.device.GetProcessMode());
        dialog.findChild<QComboBox*>("type")->setCurrentIndex(1);
        QTest::mouseClick(dialog.findChild<QPushButton*>("zeroStart"), Qt::LeftButton);
        dialog.findChild<CUpDownEdit*>("zeroDa")->SetText("850");
        dialog.TimerTick();
        EXPECT_EQ(850, link.device.GetRegister(30200));
        dialog.findChild<QLineEdit*>("zeroMeasured")->setText("3.9987");
        QTest::mouseClick(dialog.findChild<QPushButton*>("zeroSet"), Qt::LeftButton);
        EXPECT_EQ(850, link.device.GetRegister(22000));
        EXPECT_EQ(39987, link.device.GetInt32(22002));
        EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join("|").toStdString();

        link.device.ForceFault(CSimFault::Exception, 3); // every attempt of the first read
        dialog.findChild<QComboBox*>("type")->setCurrentIndex(2);
        ASSERT_EQ(1, messages.texts.size());
        EXPECT_EQ("Communication error occurred.", messages.texts[0]);
        EXPECT_EQ(0, dialog.findChild<QComboBox*>("type")->currentIndex());
        EXPECT_EQ(5170, link.device.GetProcessMode());
        dialog.reject();
        EXPECT_EQ(0, link.device.GetProcessMode());
        EXPECT_EQ(0, link.device.GetRegister(30200));
        EXPECT_EQ(1, messages.texts.size());
    }
    EXPECT_EQ(0, link.device.GetProcessMode());
}

TEST(FactoryCaptions, AreTheJapaneseTextsInBothLanguages) {
    for (bool japanese : {false, true}) {
        if (japanese) {
            std::string error;
            ASSERT_TRUE(
                CStringTable::LoadModule(std::string(Q3_BIN_DIR) + "/q3config_jpn.so", &error))
                << error;
            ASSERT_NE("Start Calib.", LoadStr(40401)); // the module is in use
        }
        CInputCalibDialog input(9, nullptr, nullptr);
        EXPECT_EQ("入力調整", input.windowTitle());
        EXPECT_EQ("閉じる", input.findChild<QPushButton*>("close")->text());
        EXPECT_EQ("設定", input.findChild<QPushButton*>("zeroSet")->text());
        EXPECT_EQ("ゲイン16倍", input.findChild<QComboBox*>("type")->itemText(5));
        COutputCalibDialog output(9, nullptr, nullptr);
        EXPECT_EQ("出力調整", output.windowTitle());
        EXPECT_EQ("調整開始", output.findChild<QPushButton*>("fullStart")->text());
        EXPECT_EQ("出力1", output.findChild<QComboBox*>("outputSelector")->itemText(0));
    }
    CStringTable::UnloadModule();
}
