#include "views/qt/CCompareDialog.h"

#include "model/CParTypeQA.h"
#include "model/ParameterIds.h"
#include "tests/support/qt/GuiTestSupport.h"
#include "views/qt/CCompareList.h"

#include <QLabel>
#include <QPushButton>

namespace {

class CompareDialogTest : public ::testing::Test {
protected:
    CompareDialogTest() {
        device.SetTypeCode(9);
        file.SetTypeCode(9);
    }
    // The row of id under the group header named by headerId (-1: the first row of that name).
    int RowOfName(const CCompareList* list, int id, int headerId = -1) const {
        QString name = QString::fromStdString(device.GetParameterName(id));
        QString group =
            headerId < 0 ? QString() : QString::fromStdString(device.GetParameterName(headerId));
        for (int r = 0; r < list->rowCount(); ++r)
            if (list->item(r, 1)->text() == name &&
                (group.isEmpty() || list->item(r, 0)->text() == group))
                return r;
        return -1;
    }
    int RedRows(const CCompareList* list) const {
        const QColor red(255, 150, 150);
        int n = 0;
        for (int r = 0; r < list->rowCount(); ++r) {
            bool r2 = list->CellBackground(r, 2) == red;
            EXPECT_EQ(r2, list->CellBackground(r, 3) == red) << r;
            EXPECT_EQ(r2, list->item(r, 2)->background().color() == red) << r;
            n += r2 ? 1 : 0;
        }
        return n;
    }

    MessageRecorder messages;
    CParTypeQA device;
    CParTypeQA file;
};

TEST_F(CompareDialogTest, EqualSetsMatchEverywhere) {
    CCompareDialog dialog(&device, &file);
    EXPECT_EQ("Compare Results", dialog.windowTitle());
    EXPECT_EQ("All parameters matching.", dialog.ResultText());
    EXPECT_EQ(0, RedRows(dialog.List()));
    EXPECT_EQ(-1, dialog.FirstMismatchRow());
    // Groups 0 to 2 without their header rows.
    int expected = 0;
    for (int g = 0; g <= 2; ++g)
        for (int i = 0; i < device.GetParameterCount(g); ++i)
            expected += device.GetParameterKind(device.GetParameterId(g, i)) != kKindHeader;
    EXPECT_EQ(expected, dialog.List()->rowCount());
    QStringList headers;
    for (int c = 0; c < 4; ++c)
        headers << dialog.List()->horizontalHeaderItem(c)->text();
    EXPECT_EQ(
        QStringList({"Group", "Parameter Name", "Device Configuration", "File Configuration"}),
        headers);
    EXPECT_EQ("Close", dialog.findChild<QPushButton*>("close")->text());
}

TEST_F(CompareDialogTest, ThreeDifferencesAreCountedColouredAndTheFirstScrolledIntoView) {
    // Differences late in the walk, so that the first one needs scrolling to be seen.
    device.SetValue(kIdBurnoutValue2, 40000, false);
    device.SetValue(kIdInputFineSpan, 1005000, false);
    device.SetValue(kIdCustomPoints, 5, false);
    CCompareDialog dialog(&device, &file);
    dialog.resize(640, 300);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    CCompareList* list = dialog.List();

    EXPECT_EQ("3 parameter(s) not matching.", dialog.ResultText());
    EXPECT_EQ(3, RedRows(list));
    int first = RowOfName(list, kIdBurnoutValue2, kIdHeaderOutput2);
    ASSERT_GE(first, 0);
    EXPECT_EQ(first, dialog.FirstMismatchRow());
    EXPECT_EQ(1u, list->RowData(first) & 0xFFFF);
    // To the end and back: the first mismatch is the top row of the view.
    EXPECT_EQ(first, list->rowAt(0));
    EXPECT_GT(first, 0);

    EXPECT_EQ(QString::fromStdString(device.FormatValue(kIdBurnoutValue2, 40000, true)),
              list->item(first, 2)->text());
    EXPECT_EQ(QString::fromStdString(
                  file.FormatValue(kIdBurnoutValue2, file.GetValue(kIdBurnoutValue2), true)),
              list->item(first, 3)->text());
}

TEST_F(CompareDialogTest, GroupNamesFillColumnZeroAndTheGreensAlternate) {
    CCompareDialog dialog(&device, &file);
    CCompareList* list = dialog.List();
    const QColor greenA(100, 255, 150), greenB(80, 235, 130);
    int inputType = RowOfName(list, kIdInputType);
    int outputType2 = -1;
    QString output2 = QString::fromStdString(device.GetParameterName(kIdHeaderOutput2));
    for (int r = 0; r < list->rowCount(); ++r)
        if (list->item(r, 0)->text() == output2) {
            outputType2 = r;
            break;
        }
    ASSERT_GE(inputType, 0);
    ASSERT_GT(outputType2, inputType);
    EXPECT_EQ(QString::fromStdString(device.GetParameterName(kIdHeaderInput)),
              list->item(inputType, 0)->text());
    // Input is the first header (counter 0), Output1 the second, Output2 the third.
    EXPECT_EQ(0u, list->RowData(inputType) >> 16);
    EXPECT_EQ(2u, list->RowData(outputType2) >> 16);
    EXPECT_EQ(greenA, list->CellBackground(inputType, 0));
    EXPECT_EQ(greenB, list->CellBackground(inputType, 1));
    int output1 = inputType + 6; // the first row after the six input rows
    EXPECT_EQ(1u, list->RowData(output1) >> 16);
    EXPECT_EQ(greenB, list->CellBackground(output1, 0));
    EXPECT_EQ(greenA, list->CellBackground(output1, 1));
}

TEST_F(CompareDialogTest, TheMatchTestUsesUnitFreeTexts) {
    // Celsius and Kelvin show different texts for the same value, and still match.
    CModelContext::SetTempUnit(2);
    CCompareDialog dialog(&device, &file);
    EXPECT_EQ("All parameters matching.", dialog.ResultText());
    int zero = RowOfName(dialog.List(), kIdZeroInput);
    EXPECT_EQ("273.1500 (K)", dialog.List()->item(zero, 2)->text());
}

TEST_F(CompareDialogTest, ColumnWidthsShareTheClientWidth) {
    CCompareDialog dialog(&device, &file);
    dialog.resize(701, 400);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    CCompareList* list = dialog.List();
    int w = list->viewport()->width();
    int u = static_cast<int>(w * 0.25);
    EXPECT_EQ(w - 3 * u, list->columnWidth(0));
    for (int c = 1; c < 4; ++c)
        EXPECT_EQ(u, list->columnWidth(c));
}

} // namespace
