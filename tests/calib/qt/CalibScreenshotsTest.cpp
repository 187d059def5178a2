// Renders every page and dialog of the calibration subsystem in its idle and active state, in
// English and Japanese. With Q3_SCREENSHOTS=dir the images are written there.

#include "calib/qt/CAOTestPage.h"
#include "calib/qt/CAdjustInputPage.h"
#include "calib/qt/CCalibInputPage.h"
#include "calib/qt/CInputCalibDialog.h"
#include "calib/qt/COutputCalibDialog.h"
#include "calib/qt/CUpDownEdit.h"

#include "model/CParTypeQA.h"
#include "resources/CStringTable.h"
#include "tests/calib/qt/CalibGuiTestSupport.h"
#include "tests/support/CRegisterBank.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

namespace {
constexpr int kPageWidth = 520;

class CFixedQA : public CParTypeQA {
public:
    bool IsOutputFixed() const override { return true; }
};

// English, then the language module beside the programs.
class CalibScreenshots : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        if (!GetParam())
            return;
        std::string error;
        ASSERT_TRUE(CStringTable::LoadModule(std::string(Q3_BIN_DIR) + "/q3config_jpn.so", &error))
            << error;
    }
    void TearDown() override { CStringTable::UnloadModule(); }
    QString Name(const char* base) const { return QString(base) + (GetParam() ? "_ja" : ""); }

    MessageRecorder messages;
    CRegisterBank bank;
    CCommInterface comm{&bank};
};

CAdjustInfo DeviceAdjust() {
    CAdjustInfo a;
    a.outputCount = 2;
    a.inputZero[0] = 0.125;
    a.inputSpan[0] = 100.25;
    a.inputZeroMin[0] = -40.0;
    a.inputZeroMax[0] = 40.0;
    a.inputUnit[0] = "Ohm";
    a.outputZero[0] = -0.5;
    a.outputSpan[0] = 99.8;
    a.inputValid = true;
    return a;
}

CCalibInfo CalibRecord(uint16_t mode) {
    CCalibInfo info;
    info.processMode = mode;
    info.outputCount = 2;
    info.refZeroRaw = -2000000;
    info.refFullRaw = 8500000;
    info.capturedZeroRaw = 125000;
    info.capturedFullRaw = 875000;
    return info;
}
} // namespace

TEST_P(CalibScreenshots, AdjustPage) {
    CAdjustInputPage idle;
    idle.update(CAdjustInfo());
    Screenshot(idle, Name("adjust_idle"), kPageWidth);
    CAdjustInputPage active;
    active.SetPageEnabled(true);
    active.update(DeviceAdjust());
    Screenshot(active, Name("adjust_active"), kPageWidth);
}

TEST_P(CalibScreenshots, CalibPage) {
    CParTypeQA set;
    CCalibInputPage idle;
    idle.SetComm(&comm);
    idle.update(CalibRecord(0), &set);
    Screenshot(idle, Name("calib_idle"), kPageWidth);
    CCalibInputPage active;
    active.SetComm(&comm);
    active.update(CalibRecord(11), &set);
    Screenshot(active, Name("calib_active"), kPageWidth);
    EXPECT_TRUE(messages.texts.isEmpty());
}

TEST_P(CalibScreenshots, LoopTestPage) {
    CParTypeQA normal;
    CAOTestPage idle;
    idle.update(&normal);
    Screenshot(idle, Name("looptest_idle"), kPageWidth);
    CFixedQA fixed;
    CAOTestPage active;
    active.update(&fixed);
    active.findChild<QLineEdit*>("outputValue1")->setText("12.0000");
    active.findChild<QLineEdit*>("outputValue2")->setText("4.0000");
    Screenshot(active, Name("looptest_active"), kPageWidth);
}

TEST_P(CalibScreenshots, InputCalibDialog) {
    bank.SetInt32(20100, 1000000);
    bank.SetInt32(20102, 500000);
    bank[21006] = 1180;
    bank[21007] = 31020;
    bank.SetInt32(21008, 0);
    bank.SetInt32(21010, 400000);
    CInputCalibDialog dialog(9, &comm, nullptr);
    dialog.findChild<QComboBox*>("type")->setCurrentIndex(2);
    Screenshot(dialog, Name("factory_input"));
    CInputCalibDialog dc(13, &comm, nullptr);
    Screenshot(dc, Name("factory_input_dc"));
    EXPECT_TRUE(messages.texts.isEmpty());
}

TEST_P(CalibScreenshots, OutputCalibDialog) {
    bank[22000] = 820;
    bank[22001] = 15640;
    bank.SetInt32(22002, 40010);
    bank.SetInt32(22004, 199950);
    COutputCalibDialog dialog(9, &comm, nullptr);
    dialog.findChild<QComboBox*>("type")->setCurrentIndex(1);
    QTest::mouseClick(dialog.findChild<QPushButton*>("zeroStart"), Qt::LeftButton);
    Screenshot(dialog, Name("factory_output"));
    EXPECT_TRUE(messages.texts.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Languages, CalibScreenshots, ::testing::Bool(), [](const auto& language) {
    return language.param ? "Japanese" : "English";
});
