#include "calib/qt/CCalibInputPage.h"

#include "calib/CCalibInfo.h"
#include "device/CDeviceInterface.h"
#include "model/CParTypeQA.h"
#include "tests/calib/qt/CalibGuiTestSupport.h"
#include "tests/support/CRegisterBank.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

#include <ctime>

namespace {
using Trace = std::vector<std::string>;

CCalibInfo Record(uint16_t mode) {
    CCalibInfo info;
    info.processMode = mode;
    info.inputCount = 1;
    info.outputCount = 2;
    info.refZeroRaw = 0;
    info.refFullRaw = 0;
    info.capturedZeroRaw = -1999000;
    info.capturedFullRaw = 8501234;
    info.refZeroModel = -2000000;
    info.refFullModel = 8500000;
    return info;
}

int32_t Today() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return CalibratedDateValue(local);
}

class CalibPage : public ::testing::Test {
protected:
    CalibPage() {
        page.SetComm(&comm);
        page.show();
    }
    QPushButton* Button(const char* name) { return page.findChild<QPushButton*>(name); }
    QLineEdit* Field(const char* name) { return page.findChild<QLineEdit*>(name); }
    QRadioButton* Radio(const char* name) { return page.findChild<QRadioButton*>(name); }
    void Click(const char* name) { QTest::mouseClick(Button(name), Qt::LeftButton); }
    bool Enabled(const char* name) { return Button(name)->isEnabled(); }

    MessageRecorder messages;
    CRegisterBank bank;
    CCommInterface comm{&bank};
    CParTypeQA set;
    CCalibInputPage page;
};
} // namespace

TEST_F(CalibPage, IdleDeviceOffersOnlyTheStartButtons) {
    page.update(Record(0), &set);
    EXPECT_TRUE(Enabled("inputStart"));
    EXPECT_TRUE(Enabled("outputStart"));
    for (const char* b :
         {"inputZero", "inputFull", "inputSet", "outputZero", "outputFull", "outputSet"})
        EXPECT_FALSE(Enabled(b)) << b;
    EXPECT_EQ("", Field("inputZeroValue")->text());
    EXPECT_EQ("", Field("outputFullValue")->text());
    EXPECT_TRUE(bank.Trace().empty());
}

TEST_F(CalibPage, RunningInputCycleShowsTheCapturesAndWritesTheReferencesOnce) {
    page.update(Record(11), &set);
    EXPECT_FALSE(Enabled("inputStart"));
    EXPECT_TRUE(Enabled("inputZero"));
    EXPECT_TRUE(Enabled("inputFull"));
    EXPECT_TRUE(Enabled("inputSet"));
    EXPECT_TRUE(Enabled("outputStart"));
    EXPECT_FALSE(Enabled("outputSet"));
    EXPECT_EQ("-199.9000", Field("inputZeroValue")->text());
    EXPECT_EQ("850.1234", Field("inputFullValue")->text());
    EXPECT_EQ("", Field("outputZeroValue")->text());
    EXPECT_EQ((Trace{"W901x4"}), bank.Trace());
    EXPECT_EQ(-2000000, bank.GetInt32(901));
    EXPECT_EQ(8500000, bank.GetInt32(903));

    CCalibInfo later = Record(11);
    later.refZeroRaw = -2000000;
    later.refFullRaw = 8500000;
    page.update(later, &set);
    EXPECT_EQ(1u, bank.Trace().size());
}

TEST_F(CalibPage, OutputCycleNeedsInputsOrOutputs) {
    page.update(Record(21), &set);
    EXPECT_TRUE(Enabled("outputSet"));
    EXPECT_FALSE(Enabled("outputStart"));
    EXPECT_EQ("-199.9000", Field("outputZeroValue")->text());
    EXPECT_TRUE(Enabled("inputStart"));
    EXPECT_EQ((Trace{"W901x4"}), bank.Trace());
    bank.ClearRequests();
    CCalibInfo none = Record(21);
    none.ioPresent = false;
    page.update(none, &set);
    EXPECT_FALSE(Enabled("outputStart"));
    EXPECT_FALSE(Enabled("outputSet"));
    EXPECT_EQ("", Field("outputZeroValue")->text());
    EXPECT_TRUE(bank.Trace().empty());
}

TEST_F(CalibPage, DisabledPageNeitherOffersNorWrites) {
    page.setEnabled(false);
    page.update(Record(11), &set);
    for (const char* b : {"inputStart", "inputZero", "inputSet", "outputStart"})
        EXPECT_FALSE(Enabled(b)) << b;
    EXPECT_EQ("", Field("inputZeroValue")->text());
    EXPECT_TRUE(bank.Trace().empty());
    page.setEnabled(true);
    page.update(Record(11), &set);
    EXPECT_TRUE(Enabled("inputSet"));
}

TEST_F(CalibPage, SelectorsFollowTheCountsAndTheRunningMode) {
    CCalibInfo single = Record(0);
    single.outputCount = 1;
    page.update(single, &set);
    for (const char* r : {"inputChannel1", "inputChannel2", "outputChannel1", "outputChannel2"})
        EXPECT_FALSE(Radio(r)->isVisible()) << r;
    page.update(Record(0), &set);
    EXPECT_FALSE(Radio("inputChannel2")->isVisible());
    EXPECT_TRUE(Radio("outputChannel2")->isVisible());
    EXPECT_TRUE(Radio("outputChannel1")->isChecked());
    page.update(Record(22), &set);
    EXPECT_TRUE(Radio("outputChannel2")->isChecked());
    EXPECT_EQ(1, page.CalibOutput());
    // While the device calibrates output 2 the channel cannot be switched under it.
    EXPECT_FALSE(Radio("outputChannel1")->isEnabled());
    EXPECT_TRUE(Radio("inputChannel1")->isEnabled());
}

TEST_F(CalibPage, ButtonsUseTheChosenChannel) {
    page.update(Record(0), &set);
    QTest::mouseClick(Radio("outputChannel2"), Qt::LeftButton);
    EXPECT_EQ(1, page.CalibOutput());
    bank.SetInt32(2201, 40000);
    bank.SetInt32(2203, 200000);
    Click("outputStart");
    EXPECT_EQ((Trace{"R2201x4", "W901x8", "W900x1"}), bank.Trace());
    EXPECT_EQ(22, bank[900]);
    bank.ClearRequests();
    page.update(Record(22), &set);
    bank.ClearRequests();
    bank.SetInt32(26, 123456);
    Click("outputFull");
    EXPECT_EQ((Trace{"R26x2", "W907x2"}), bank.Trace());
    EXPECT_EQ(123456, bank.GetInt32(907));
}

TEST_F(CalibPage, InputSetWritesTheRangeAndTheDate) {
    page.update(Record(11), &set);
    bank.ClearRequests();
    bank[900] = 11;
    bank.SetInt32(905, -1999000);
    bank.SetInt32(907, 8501234);
    Click("inputSet");
    EXPECT_EQ(-1999000, bank.GetInt32(1001));
    EXPECT_EQ(8501234, bank.GetInt32(1003));
    EXPECT_EQ(Today(), bank.GetInt32(9627));
    EXPECT_EQ(0, bank[900]);
    EXPECT_TRUE(messages.texts.isEmpty());
}

// A captured pair that would reverse the range, or give it no span, is asked about with No as
// the default; No writes nothing, Yes writes as asked.
TEST_F(CalibPage, ReversedCaptureAsksBeforeItWrites) {
    page.update(Record(21), &set);
    bank[900] = 21;
    bank.SetInt32(905, 143800);
    bank.SetInt32(907, 137200);
    bank.ClearRequests();
    messages.answer = QMessageBox::No;
    Click("outputSet");
    ASSERT_EQ(1, messages.texts.size());
    EXPECT_EQ("The captured zero value 14.3800 is not below the full-scale value 13.7200: the "
              "range would be reversed or have no span. Write it all the same?",
              messages.texts[0]);
    EXPECT_EQ(QMessageBox::No, LastDefaultButton());
    EXPECT_EQ((Trace{"R905x4"}), bank.Trace()) << "nothing written";
    messages.answer = QMessageBox::Yes;
    Click("outputSet");
    EXPECT_EQ(143800, set.GetValue(101)); // 0 % output
    EXPECT_EQ(0, bank[900]);
}

TEST_F(CalibPage, CommunicationErrorsAreShownWithTheStopIcon) {
    page.update(Record(0), &set);
    bank.ClearRequests();
    bank.FailAt(0);
    Click("inputStart");
    ASSERT_EQ(1, messages.texts.size());
    EXPECT_EQ("fault", messages.texts[0]);
    EXPECT_EQ(MessageIcon::Stop, messages.icons[0]);
    EXPECT_EQ((Trace{"R1001x4"}), bank.Trace());
}

TEST(CalibPageWithoutClient, ButtonsDoNothing) {
    MessageRecorder messages;
    CCalibInputPage page;
    page.show();
    page.update(Record(11), nullptr);
    for (const char* b : {"inputZero", "inputFull", "inputSet", "outputStart"})
        QTest::mouseClick(page.findChild<QPushButton*>(b), Qt::LeftButton);
    EXPECT_TRUE(messages.texts.isEmpty());
}

namespace {
// What the main window does with every poll result.
class CalibPageWithSimulator : public ::testing::Test {
protected:
    CalibPageWithSimulator() {
        device.SetConnection(&link.comm);
        page.SetComm(&link.comm);
        page.show();
        Poll();
    }
    void Poll() {
        device.Poll();
        ASSERT_TRUE(device.IsDeviceValid());
        page.update(device.CalibInfo(), device.DeviceSet());
    }
    void Click(const char* name) {
        QPushButton* b = page.findChild<QPushButton*>(name);
        ASSERT_TRUE(b->isEnabled()) << name;
        QTest::mouseClick(b, Qt::LeftButton);
    }
    QString Field(const char* name) { return page.findChild<QLineEdit*>(name)->text(); }

    MessageRecorder messages;
    CSimLink link{1001};
    CDeviceInterface device;
    CCalibInputPage page;
};
} // namespace

TEST_F(CalibPageWithSimulator, InputCycleRepointsTheRangeAndStampsToday) {
    link.device.SetInputValue(12.5);
    link.device.SetInt32(9627, 0);
    int32_t sensorLow = 0;
    int32_t sensorHigh = 0;
    device.DeviceSet()->GetSensorRange(sensorLow, sensorHigh);
    int32_t rangeLow = link.device.GetInt32(1001);
    int32_t rangeHigh = link.device.GetInt32(1003);

    Click("inputStart");
    EXPECT_EQ(11, link.device.GetProcessMode());
    EXPECT_EQ(0, link.device.GetInt32(901));
    EXPECT_EQ(rangeLow, link.device.GetInt32(905));
    EXPECT_EQ(rangeHigh, link.device.GetInt32(907));

    Poll(); // the references go in once
    EXPECT_EQ(sensorLow, link.device.GetInt32(901));
    EXPECT_EQ(sensorHigh, link.device.GetInt32(903));
    Poll();
    EXPECT_EQ(2u, link.WritesTo(901).size()); // "Start Calib." and the one reference write

    Click("inputZero");
    EXPECT_EQ(125000, link.device.GetInt32(905));
    link.device.SetInputValue(87.5);
    Click("inputFull");
    EXPECT_EQ(875000, link.device.GetInt32(907));
    Poll();
    EXPECT_EQ("12.5000", Field("inputZeroValue"));
    EXPECT_EQ("87.5000", Field("inputFullValue"));

    Click("inputSet");
    EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join("|").toStdString();
    EXPECT_EQ(125000, link.device.GetInt32(1001));
    EXPECT_EQ(875000, link.device.GetInt32(1003));
    EXPECT_EQ(Today(), link.device.GetInt32(9627));
    EXPECT_EQ(0, link.device.GetProcessMode());
    Poll();
    EXPECT_EQ(125000, device.DeviceSet()->GetValue(1));
    EXPECT_EQ(875000, device.DeviceSet()->GetValue(2));
    EXPECT_TRUE(page.findChild<QPushButton*>("inputStart")->isEnabled());
    EXPECT_EQ("", Field("inputZeroValue"));
}

TEST_F(CalibPageWithSimulator, OutputCycleWritesParameters101And102) {
    link.device.SetInt32(9627, 0);
    link.device.SetInputValue(25.0);
    Click("outputStart");
    EXPECT_EQ(21, link.device.GetProcessMode());
    Poll();
    int32_t low = link.device.GetInt32(22);
    Click("outputZero");
    link.device.SetInputValue(75.0);
    int32_t high = link.device.GetInt32(22);
    ASSERT_NE(low, high);
    Click("outputFull");
    EXPECT_EQ(low, link.device.GetInt32(905));
    EXPECT_EQ(high, link.device.GetInt32(907));
    link.device.ClearLog();
    Click("outputSet");
    EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join("|").toStdString();
    EXPECT_EQ(low, link.device.GetInt32(2001));
    EXPECT_EQ(high, link.device.GetInt32(2003));
    EXPECT_EQ(low, device.DeviceSet()->GetValue(101));
    EXPECT_EQ(high, device.DeviceSet()->GetValue(102));
    EXPECT_EQ(1u, link.WritesTo(2001).size());
    EXPECT_EQ(1u, link.WritesTo(2003).size());
    EXPECT_EQ(Today(), link.device.GetInt32(9627));
    EXPECT_EQ(0, link.device.GetProcessMode());
}
