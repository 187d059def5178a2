#include "calib/qt/CAdjustInputPage.h"

#include "device/CDeviceInterfaceThread.h"
#include "tests/calib/qt/CalibGuiTestSupport.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTest>

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

namespace {
using namespace std::chrono_literals;

// The record of a two-output resistance thermometer as the device interface reads it.
CAdjustInfo RtdRecord() {
    CAdjustInfo a;
    a.inputCount = 1;
    a.outputCount = 2;
    a.inputZero[0] = 1.2345;
    a.inputSpan[0] = 100.5;
    a.inputZeroMin[0] = -40.0;
    a.inputZeroMax[0] = 40.0;
    a.inputUnit[0] = "Ohm";
    a.outputZero[0] = -2.5;
    a.outputSpan[0] = 99.99;
    a.outputZero[1] = 3.25;
    a.outputSpan[1] = 110.0;
    a.inputValid = true;
    return a;
}

class AdjustPage : public ::testing::Test {
protected:
    AdjustPage() {
        page.SetClockSource([this] { return now; });
        page.AddObserver(&observer);
    }

    QSlider* Slider(const char* name) { return page.findChild<QSlider*>(name); }
    QLineEdit* ValueLabel(const char* slider) {
        return page.findChild<QLineEdit*>(QString(slider) + "Value");
    }
    QString Text(const char* slider) { return ValueLabel(slider)->text(); }
    QRadioButton* Radio(const char* name) { return page.findChild<QRadioButton*>(name); }
    QPushButton* Button(const char* name) { return page.findChild<QPushButton*>(name); }

    CAdjustInputPage::Clock::time_point now = CAdjustInputPage::Clock::time_point() + 1h;
    CAdjustInputPage page;
    CCountingObserver observer;
};
} // namespace

TEST(AdjustScales, PositionsTruncateTowardZeroWithoutLosingDeviceSteps) {
    EXPECT_EQ(3, CAdjustInputPage::ZeroPosition(3 / 10000.0));
    EXPECT_EQ(-7, CAdjustInputPage::ZeroPosition(-7 / 10000.0));
    EXPECT_EQ(-1, CAdjustInputPage::ZeroPosition(-0.00015));
    EXPECT_EQ(1, CAdjustInputPage::ZeroPosition(0.00019));
    EXPECT_EQ(115, CAdjustInputPage::PercentPosition(1.15));
    EXPECT_EQ(10000, CAdjustInputPage::PercentPosition(100.005));
    EXPECT_EQ(-1499, CAdjustInputPage::PercentPosition(-14.999));
    EXPECT_EQ(400000, CAdjustInputPage::ZeroPosition(40.0));
}

TEST(AdjustScales, LabelFormats) {
    EXPECT_EQ("+0.0000", CAdjustInputPage::InputZeroText(0.0, ""));
    EXPECT_EQ("+0.0000Ohm", CAdjustInputPage::InputZeroText(0.0, "Ohm"));
    EXPECT_EQ("-1.2346mV", CAdjustInputPage::InputZeroText(-1.23456, "mV"));
    EXPECT_EQ("100.00%", CAdjustInputPage::SpanText(100.0));
    EXPECT_EQ("85.50%", CAdjustInputPage::SpanText(85.5));
    EXPECT_EQ("+0.00%", CAdjustInputPage::OutputZeroText(0.0, "%"));
    EXPECT_EQ("-15.00%", CAdjustInputPage::OutputZeroText(-15.0, "%"));
}

TEST_F(AdjustPage, StartsWithTheDefaultScalesIdleAndDisabled) {
    page.show();
    EXPECT_EQ(-150000, Slider("inputZero")->minimum());
    EXPECT_EQ(150000, Slider("inputZero")->maximum());
    EXPECT_EQ(1, Slider("inputZero")->singleStep());
    EXPECT_EQ(1000, Slider("inputZero")->pageStep()); // 0.1 Ohm: half an ohm in five presses
    EXPECT_EQ(0, Slider("inputZero")->value());
    for (const char* span : {"inputSpan", "outputSpan"}) {
        EXPECT_EQ(8500, Slider(span)->minimum());
        EXPECT_EQ(11500, Slider(span)->maximum());
        EXPECT_EQ(10, Slider(span)->pageStep());
        EXPECT_EQ(10000, Slider(span)->value());
    }
    EXPECT_EQ(-1500, Slider("outputZero")->minimum());
    EXPECT_EQ(1500, Slider("outputZero")->maximum());
    EXPECT_EQ(10, Slider("outputZero")->pageStep());
    EXPECT_EQ("+0.0000", Text("inputZero"));
    EXPECT_EQ("100.00%", Text("inputSpan"));
    EXPECT_EQ("+0.00%", Text("outputZero"));
    EXPECT_TRUE(Radio("inputChannel1")->isChecked());
    EXPECT_TRUE(Radio("outputChannel1")->isChecked());
    EXPECT_FALSE(Radio("inputChannel1")->isVisible());
    EXPECT_FALSE(ValueLabel("inputZero")->isVisible());
    EXPECT_FALSE(Slider("inputZero")->isEnabled());
    EXPECT_FALSE(Button("outputReset")->isEnabled());
}

TEST_F(AdjustPage, DeviceRecordSetsRangesPositionsLabelsAndSelectors) {
    page.show();
    page.SetPageEnabled(true);
    page.update(RtdRecord());
    EXPECT_EQ(-400000, Slider("inputZero")->minimum());
    EXPECT_EQ(400000, Slider("inputZero")->maximum());
    EXPECT_EQ(12345, Slider("inputZero")->value());
    EXPECT_EQ(10050, Slider("inputSpan")->value());
    EXPECT_EQ(-250, Slider("outputZero")->value());
    EXPECT_EQ(9999, Slider("outputSpan")->value());
    EXPECT_EQ("+1.2345Ohm", Text("inputZero"));
    EXPECT_EQ("100.50%", Text("inputSpan"));
    EXPECT_EQ("-2.50%", Text("outputZero"));
    EXPECT_EQ("99.99%", Text("outputSpan"));
    EXPECT_TRUE(ValueLabel("inputZero")->isVisible());
    EXPECT_TRUE(ValueLabel("outputSpan")->isVisible());
    EXPECT_FALSE(Radio("inputChannel2")->isVisible());
    EXPECT_TRUE(Radio("outputChannel2")->isVisible());
    EXPECT_TRUE(Slider("inputZero")->isEnabled());
    EXPECT_TRUE(Slider("outputSpan")->isEnabled());
    EXPECT_EQ(0, observer.count.load()); // device data is no user change
}

TEST_F(AdjustPage, OneInputOneOutputNeverShowsSelectors) {
    page.show();
    CAdjustInfo a = RtdRecord();
    a.outputCount = 1;
    page.update(a);
    for (const char* radio : {"inputChannel1", "inputChannel2", "outputChannel1", "outputChannel2"})
        EXPECT_FALSE(Radio(radio)->isVisible()) << radio;
}

TEST_F(AdjustPage, EnablingAndLabelsFollowTheDeviceFlags) {
    page.show();
    CAdjustInfo a = RtdRecord();
    a.ioPresent = false;
    page.update(a);
    page.SetPageEnabled(true);
    EXPECT_TRUE(Slider("inputSpan")->isEnabled());
    EXPECT_TRUE(Button("inputReset")->isEnabled());
    EXPECT_FALSE(Slider("outputZero")->isEnabled());
    EXPECT_FALSE(Button("outputReset")->isEnabled());
    EXPECT_TRUE(ValueLabel("inputSpan")->isVisible());
    EXPECT_FALSE(ValueLabel("outputZero")->isVisible());
    a.ioPresent = true;
    a.inputValid = false;
    page.update(a);
    EXPECT_FALSE(ValueLabel("inputSpan")->isVisible());
    EXPECT_FALSE(ValueLabel("outputZero")->isVisible());
    EXPECT_TRUE(Slider("outputZero")->isEnabled());
    page.SetPageEnabled(false);
    EXPECT_FALSE(Slider("inputZero")->isEnabled());
    EXPECT_FALSE(Slider("outputZero")->isEnabled());
}

TEST_F(AdjustPage, KeyboardStepStoresTheValueAndNotifiesWithItInPlace) {
    page.show();
    page.SetPageEnabled(true);
    page.update(RtdRecord());
    double seen = 0;
    observer.onUpdate = [&] { seen = page.Adjust().inputZero[0]; };
    QTest::keyClick(Slider("inputZero"), Qt::Key_Right);
    EXPECT_EQ(1, observer.count.load());
    EXPECT_DOUBLE_EQ(1.2346, seen);
    EXPECT_EQ("+1.2346Ohm", Text("inputZero"));
    QTest::keyClick(Slider("inputZero"), Qt::Key_PageUp);
    EXPECT_DOUBLE_EQ(1.3346, page.Adjust().inputZero[0]);
    QTest::keyClick(Slider("outputSpan"), Qt::Key_Left);
    EXPECT_DOUBLE_EQ(99.98, page.Adjust().outputSpan[0]);
    EXPECT_EQ("99.98%", Text("outputSpan"));
    EXPECT_DOUBLE_EQ(110.0, page.Adjust().outputSpan[1]);
    EXPECT_EQ(3, observer.count.load());
}

// A value typed beside a slider moves it (clamped to its range) and is written like a move;
// a text that is no number is dropped and the value shown again.
TEST_F(AdjustPage, ATypedValueMovesTheSliderAndNotifies) {
    page.show();
    page.SetPageEnabled(true);
    page.update(RtdRecord());
    auto type = [&](const char* slider, const char* text) {
        QLineEdit* field = ValueLabel(slider);
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, text);
        QTest::keyClick(field, Qt::Key_Return);
    };
    type("inputZero", "-0.5");
    EXPECT_DOUBLE_EQ(-0.5, page.Adjust().inputZero[0]);
    EXPECT_EQ(-5000, Slider("inputZero")->value());
    EXPECT_EQ("-0.5000Ohm", Text("inputZero"));
    EXPECT_EQ(1, observer.count.load());
    type("outputSpan", "130%");
    EXPECT_DOUBLE_EQ(115.0, page.Adjust().outputSpan[0]);
    type("inputSpan", "abc");
    EXPECT_EQ(2, observer.count.load());
    EXPECT_EQ(CAdjustInputPage::SpanText(page.Adjust().inputSpan[0]), Text("inputSpan"));
}

TEST_F(AdjustPage, PollResultsWithinTwoSecondsOfAUserChangeAreIgnored) {
    page.show();
    page.SetPageEnabled(true);
    page.update(RtdRecord());
    Slider("inputSpan")->setValue(10500); // as a drag does
    EXPECT_EQ(1, observer.count.load());
    CAdjustInfo device = RtdRecord(); // the write has not reached the device yet
    now += 1s;
    page.update(device);
    EXPECT_EQ(10500, Slider("inputSpan")->value());
    EXPECT_DOUBLE_EQ(105.0, page.Adjust().inputSpan[0]);
    now += 999ms;
    page.update(device);
    EXPECT_EQ(10500, Slider("inputSpan")->value());
    now += 1ms; // 2000 ms after the change
    device.inputSpan[0] = 105.0;
    device.outputZero[0] = 1.0;
    page.update(device);
    EXPECT_EQ(10500, Slider("inputSpan")->value());
    EXPECT_EQ(100, Slider("outputZero")->value());
    EXPECT_EQ("+1.00%", Text("outputZero"));
    EXPECT_EQ(1, observer.count.load());
}

TEST_F(AdjustPage, ResetsReturnToNeutralNotifyAndHoldOffPolls) {
    page.show();
    page.SetPageEnabled(true);
    page.update(RtdRecord());
    QTest::mouseClick(Button("inputReset"), Qt::LeftButton);
    EXPECT_EQ(0, Slider("inputZero")->value());
    EXPECT_EQ(10000, Slider("inputSpan")->value());
    EXPECT_DOUBLE_EQ(0.0, page.Adjust().inputZero[0]);
    EXPECT_DOUBLE_EQ(100.0, page.Adjust().inputSpan[0]);
    EXPECT_EQ("+0.0000Ohm", Text("inputZero"));
    EXPECT_DOUBLE_EQ(-2.5, page.Adjust().outputZero[0]); // the other group is untouched
    QTest::mouseClick(Button("outputReset"), Qt::LeftButton);
    EXPECT_DOUBLE_EQ(0.0, page.Adjust().outputZero[0]);
    EXPECT_DOUBLE_EQ(100.0, page.Adjust().outputSpan[0]);
    EXPECT_EQ("100.00%", Text("outputSpan"));
    EXPECT_EQ(2, observer.count.load());
    now += 1500ms;
    page.update(RtdRecord());
    EXPECT_EQ(0, Slider("inputZero")->value());
}

TEST_F(AdjustPage, ChoosingTheSecondOutputShowsAndEditsOnlyThatOutput) {
    page.show();
    page.SetPageEnabled(true);
    page.update(RtdRecord());
    QTest::mouseClick(Radio("outputChannel2"), Qt::LeftButton);
    EXPECT_EQ(1, page.SelectedOutput());
    EXPECT_EQ(325, Slider("outputZero")->value());
    EXPECT_EQ(11000, Slider("outputSpan")->value());
    EXPECT_EQ("+3.25%", Text("outputZero"));
    EXPECT_EQ(0, observer.count.load());
    QTest::keyClick(Slider("outputZero"), Qt::Key_Right);
    EXPECT_DOUBLE_EQ(3.26, page.Adjust().outputZero[1]);
    EXPECT_DOUBLE_EQ(-2.5, page.Adjust().outputZero[0]);
    // Reset acts on the chosen output.
    QTest::mouseClick(Button("outputReset"), Qt::LeftButton);
    EXPECT_DOUBLE_EQ(0.0, page.Adjust().outputZero[1]);
    EXPECT_DOUBLE_EQ(100.0, page.Adjust().outputSpan[1]);
    EXPECT_DOUBLE_EQ(99.99, page.Adjust().outputSpan[0]);
}

TEST_F(AdjustPage, ValuesBeyondTheSliderStayIntactUntilTouched) {
    page.show();
    page.SetPageEnabled(true);
    CAdjustInfo a = RtdRecord();
    a.inputZero[0] = 55.0; // outside -40 .. 40
    page.update(a);
    EXPECT_EQ(400000, Slider("inputZero")->value());
    EXPECT_EQ("+55.0000Ohm", Text("inputZero"));
    QTest::keyClick(Slider("outputZero"), Qt::Key_Right);
    EXPECT_DOUBLE_EQ(55.0, page.Adjust().inputZero[0]);
}

namespace {
// The main window's part: the page's notification becomes command 2 with the request time.
class CAdjustWriter : public CObserver {
public:
    CAdjustWriter(CAdjustInputPage& page, CDeviceInterfaceThread& thread)
        : m_page(page), m_thread(thread) {}
    void Update(CObservable*) override { m_thread.RequestAdjustmentWrite(m_page.Adjust()); }

private:
    CAdjustInputPage& m_page;
    CDeviceInterfaceThread& m_thread;
};

class CPollWaiter : public CObserver {
public:
    void Update(CObservable*) override {
        std::lock_guard lock(m_mutex);
        ++m_polls;
        m_changed.notify_all();
    }
    bool WaitForPolls(int polls) {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, 10s, [&] { return m_polls >= polls; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_polls = 0;
};
} // namespace

TEST(AdjustPageWithSimulator, SliderBurstEndsInOneWriteOfTheNewestValuesInsideMode1) {
    CSimLink link(1001);
    link.device.SetInt32(1010, 5000); // input zero 0.5 Ohm
    CDeviceInterfaceThread thread;
    CPollWaiter polls;
    thread.AddObserver(&polls);
    thread.SetConnection(&link.comm);
    thread.PostCommand(CDeviceInterfaceThread::kPoll);
    ASSERT_TRUE(polls.WaitForPolls(1));
    ASSERT_TRUE(thread.Device().IsDeviceValid());

    CAdjustInputPage page;
    CAdjustWriter writer(page, thread);
    page.AddObserver(&writer);
    page.show();
    page.SetPageEnabled(true);
    page.update(thread.Device().AdjustInfo());
    QSlider* zero = page.findChild<QSlider*>("inputZero");
    QSlider* span = page.findChild<QSlider*>("outputSpan");
    ASSERT_EQ(5000, zero->value());
    ASSERT_EQ(-400000, zero->minimum());
    link.device.ClearLog();

    {
        // The polling thread is busy with a poll meanwhile, as it would be in the program.
        std::lock_guard busy(link.comm.Lock());
        thread.PostCommand(CDeviceInterfaceThread::kPoll);
        for (int k = 0; k < 5; ++k)
            QTest::keyClick(zero, Qt::Key_Right);
        QTest::keyClick(span, Qt::Key_Left);
    }
    ASSERT_TRUE(polls.WaitForPolls(2));
    ASSERT_TRUE(WaitUntil([&] { return thread.LastWriteTime() >= thread.RequestTime(); }));
    thread.PostCommand(CDeviceInterfaceThread::kPoll); // everything queued before it has run
    ASSERT_TRUE(polls.WaitForPolls(3));

    auto inputWrites = link.WritesTo(1010);
    ASSERT_EQ(1u, inputWrites.size());
    EXPECT_EQ(5005, link.device.GetInt32(1010));
    EXPECT_EQ(1000000, link.device.GetInt32(1012));
    auto outputWrites = link.WritesTo(2010);
    ASSERT_EQ(1u, outputWrites.size());
    EXPECT_EQ(999900, link.device.GetInt32(2012));
    auto modes = link.WritesTo(900);
    ASSERT_EQ(2u, modes.size());
    EXPECT_EQ(std::vector<uint16_t>{1}, modes[0]);
    EXPECT_EQ(std::vector<uint16_t>{0}, modes[1]);
    // Mode 1 brackets the adjustment writes.
    auto log = link.device.GetWriteLog();
    std::vector<int> starts;
    for (const auto& r : log)
        starts.push_back(r.start);
    EXPECT_EQ((std::vector<int>{900, 1010, 2010, 2210, 900}), starts);
    EXPECT_EQ(0, link.device.GetProcessMode());
    thread.Stop();
}
