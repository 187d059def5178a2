#include "calib/qt/CAOTestPage.h"

#include "device/CDeviceInterface.h"
#include "gui/QtText.h"
#include "model/CParTypeQA.h"
#include "model/CParTypeQC.h"
#include "model/ParameterIds.h"
#include "tests/calib/qt/CalibGuiTestSupport.h"
#include "tests/support/CRegisterBank.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {
using Trace = std::vector<std::string>;

// A model whose process mode the test decides.
template <class Model> class CModeModel : public Model {
public:
    bool IsOutputFixed() const override { return fixed; }
    bool fixed = false;
};

class LoopTestPage : public ::testing::Test {
protected:
    LoopTestPage() {
        page.SetComm(&comm);
        page.show();
    }
    QPushButton* Button(const char* name) { return page.findChild<QPushButton*>(name); }
    QLineEdit* Edit(int row) {
        return page.findChild<QLineEdit*>(QString("outputValue%1").arg(row));
    }
    QLabel* Unit(int row) { return page.findChild<QLabel*>(QString("outputUnit%1").arg(row)); }
    void Type(int row, const QString& text) {
        Edit(row)->setText(text);
        QTest::mouseClick(Button(row == 1 ? "outputSet1" : "outputSet2"), Qt::LeftButton);
    }

    MessageRecorder messages;
    CRegisterBank bank;
    CCommInterface comm{&bank};
    CModeModel<CParTypeQA> set;
    CAOTestPage page;
};
} // namespace

TEST_F(LoopTestPage, NormalModeOffersOnlyFixedOut) {
    page.update(&set);
    EXPECT_TRUE(Button("fixedOut")->isEnabled());
    EXPECT_FALSE(Button("normalOut")->isEnabled());
    EXPECT_FALSE(Edit(1)->isVisible());
    EXPECT_FALSE(Edit(2)->isVisible());
    QTest::mouseClick(Button("fixedOut"), Qt::LeftButton);
    EXPECT_EQ((Trace{"W900x1"}), bank.Trace());
    EXPECT_EQ(2, bank[900]);
}

TEST_F(LoopTestPage, FixedModeShowsOneRowPerOutputWithItsUnit) {
    set.fixed = true;
    set.SetValue(OutputId(1, 0), 1, true); // output 2: DC -5V - +5V
    page.update(&set);
    EXPECT_FALSE(Button("fixedOut")->isEnabled());
    EXPECT_TRUE(Button("normalOut")->isEnabled());
    EXPECT_TRUE(Edit(1)->isVisible());
    EXPECT_TRUE(Edit(2)->isVisible());
    EXPECT_EQ(FromStd(set.GetOutputUnitText(0)), Unit(1)->text());
    EXPECT_EQ(FromStd(set.GetOutputUnitText(1)), Unit(2)->text());
    EXPECT_NE(Unit(1)->text(), Unit(2)->text());
    QTest::mouseClick(Button("normalOut"), Qt::LeftButton);
    EXPECT_EQ(0, bank[900]);

    CModeModel<CParTypeQC1> single;
    single.fixed = true;
    page.update(&single);
    EXPECT_TRUE(Edit(1)->isVisible());
    EXPECT_FALSE(Edit(2)->isVisible());
}

TEST_F(LoopTestPage, DisabledPageOffersNothing) {
    set.fixed = true;
    page.setEnabled(false);
    page.update(&set);
    EXPECT_FALSE(Button("fixedOut")->isEnabled());
    EXPECT_FALSE(Button("normalOut")->isEnabled());
    EXPECT_FALSE(Edit(1)->isVisible());
}

TEST_F(LoopTestPage, SetQueuesAndTheNextPollSends) {
    set.fixed = true;
    page.update(&set);
    Type(1, "12.5");
    EXPECT_TRUE(page.IsPending(0));
    EXPECT_EQ(125000, page.PendingValue(0));
    EXPECT_TRUE(bank.Trace().empty());
    page.update(&set);
    EXPECT_EQ((Trace{"W22x2"}), bank.Trace());
    EXPECT_EQ(125000, bank.GetInt32(22));
    EXPECT_FALSE(page.IsPending(0));
    page.update(&set); // sent once
    EXPECT_EQ(1u, bank.Trace().size());
}

TEST_F(LoopTestPage, TextThatIsNoNumberShowsMessage228AndQueuesNothing) {
    set.fixed = true;
    page.update(&set);
    Type(1, "");
    Type(2, "4mA");
    ASSERT_EQ(2, messages.texts.size());
    EXPECT_EQ("This parameter must set the numerical value. ", messages.texts[0]);
    EXPECT_EQ(MessageIcon::Stop, messages.icons[0]);
    EXPECT_FALSE(page.IsPending(0));
    EXPECT_FALSE(page.IsPending(1));
    page.update(&set);
    EXPECT_TRUE(bank.Trace().empty());
}

TEST_F(LoopTestPage, ValueTypedOutsideFixedModeIsDropped) {
    set.fixed = true;
    page.update(&set);
    Type(1, "4");
    set.fixed = false; // "Normal Out" reached the device before the poll
    page.update(&set);
    EXPECT_FALSE(page.IsPending(0));
    set.fixed = true;
    page.update(&set);
    EXPECT_TRUE(bank.Trace().empty());
}

TEST_F(LoopTestPage, RefusedOrFailedFirstOutputStillSendsTheSecond) {
    set.fixed = true;
    page.update(&set);
    Type(1, "23.5"); // above 23 mA
    Type(2, "8");
    page.update(&set);
    ASSERT_EQ(1, messages.texts.size());
    EXPECT_EQ(FromStd(set.GetParameterName(kIdOutput1Value)) +
                  " should be a from -3.0000 to 23.0000. ",
              messages.texts[0]);
    EXPECT_EQ((Trace{"W26x2"}), bank.Trace());
    EXPECT_EQ(80000, bank.GetInt32(26));

    bank.ClearRequests();
    Type(1, "4");
    Type(2, "20");
    bank.FailAt(0);
    page.update(&set);
    ASSERT_EQ(2, messages.texts.size());
    EXPECT_EQ("fault", messages.texts[1]);
    EXPECT_EQ((Trace{"W22x2", "W26x2"}), bank.Trace());
    EXPECT_EQ(200000, bank.GetInt32(26));
}

TEST_F(LoopTestPage, EnterRunsTheSetOfTheOutputBoxWithTheFocus) {
    set.fixed = true;
    page.update(&set);
    page.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&page));
    Edit(1)->setText("10");
    Edit(1)->setFocus();
    ASSERT_TRUE(WaitUntil([&] { return Edit(1)->hasFocus(); }));
    EXPECT_TRUE(page.HandleEnter());
    EXPECT_TRUE(page.IsPending(0));
    EXPECT_EQ(100000, page.PendingValue(0));
    Edit(2)->setText("5");
    Edit(2)->setFocus();
    ASSERT_TRUE(WaitUntil([&] { return Edit(2)->hasFocus(); }));
    EXPECT_TRUE(page.HandleEnter());
    EXPECT_TRUE(page.IsPending(1));
    EXPECT_EQ(50000, page.PendingValue(1));
}

namespace {
class LoopTestWithSimulator : public ::testing::Test {
protected:
    LoopTestWithSimulator() {
        device.SetConnection(&link.comm);
        page.SetComm(&link.comm);
        page.show();
        Poll();
    }
    void Poll() {
        device.Poll();
        ASSERT_TRUE(device.IsDeviceValid());
        page.update(device.DeviceSet());
    }
    QPushButton* Button(const char* name) { return page.findChild<QPushButton*>(name); }
    QLineEdit* Edit(int row) {
        return page.findChild<QLineEdit*>(QString("outputValue%1").arg(row));
    }
    void Type(int row, const QString& text) {
        Edit(row)->setText(text);
        QTest::mouseClick(Button(row == 1 ? "outputSet1" : "outputSet2"), Qt::LeftButton);
    }

    MessageRecorder messages;
    CSimLink link{1001};
    CDeviceInterface device;
    CAOTestPage page;
};
} // namespace

TEST_F(LoopTestWithSimulator, FixedOutSetValueAtTheNextPollAndNormalOut) {
    link.device.SetInputValue(50.0);
    ASSERT_EQ(0, link.device.GetProcessMode());
    QTest::mouseClick(Button("fixedOut"), Qt::LeftButton);
    EXPECT_EQ(2, link.device.GetProcessMode());
    Poll();
    ASSERT_TRUE(Edit(1)->isVisible());
    EXPECT_TRUE(Edit(2)->isVisible());
    EXPECT_TRUE(Button("normalOut")->isEnabled());

    Type(1, "12.3456");
    EXPECT_TRUE(link.WritesTo(22).empty());
    Poll();
    EXPECT_EQ(123456, link.device.GetInt32(22));
    ASSERT_EQ(1u, link.WritesTo(22).size());

    Type(1, "30");
    Type(2, "7.5");
    Poll();
    ASSERT_EQ(1, messages.texts.size());
    EXPECT_TRUE(messages.texts[0].endsWith(" should be a from -3.0000 to 23.0000. "))
        << messages.texts[0].toStdString();
    EXPECT_EQ(1u, link.WritesTo(22).size()); // nothing written for output 1
    EXPECT_EQ(123456, link.device.GetInt32(22));
    EXPECT_EQ(75000, link.device.GetInt32(26));

    QTest::mouseClick(Button("normalOut"), Qt::LeftButton);
    EXPECT_EQ(0, link.device.GetProcessMode());
    Poll();
    EXPECT_FALSE(Edit(1)->isVisible());
    EXPECT_TRUE(Button("fixedOut")->isEnabled());
    EXPECT_NE(123456, link.device.GetInt32(22)); // the device drives its output again
}
