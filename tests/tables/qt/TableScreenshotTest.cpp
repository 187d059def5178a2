// Pictures of both "Linearize Table" dialogs with a loaded table; written as PNG files when
// Q3_SCREENSHOTS=dir is set.

#include "monitor/qt/CGraph.h"
#include "tables/qt/CTableFile2Dialog.h"
#include "tables/qt/CTableFileDialog.h"
#include "tests/monitor/qt/MonitorQtSupport.h"

#include <QDir>
#include <QPixmap>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>

namespace {
const QColor kTrace(255, 50, 50);

void Save(const QPixmap& picture, const QString& name) {
    const QString dir = ScreenshotDir();
    if (dir.isEmpty())
        return;
    QDir().mkpath(dir);
    EXPECT_TRUE(picture.save(dir + "/" + name + ".png")) << name.toStdString();
}
} // namespace

TEST(TableScreenshots, BothDialogsWithALoadedTable) {
    CGraphView::resetTimeLowerBoundForTest();
    CTableFileDialog xy;
    CTableFile table;
    for (int i = 0; i <= 20; ++i) {
        table.xValues.push_back(i * 5.0);
        table.yValues.push_back(100 * std::pow(i / 20.0, 1.6));
    }
    xy.setTable(table);
    xy.resize(640, 460);
    xy.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&xy));
    const QPixmap xyPicture = xy.grab();
    EXPECT_GT(CountColour(xyPicture.toImage(), xyPicture.rect(), kTrace), 500);
    Save(xyPicture, "table_xy_dialog");

    CTableFile2Dialog rtd;
    CTableFile2 table2;
    table2.startTemperature = -200;
    table2.step = 10;
    // Pt100 resistances (Ohm) from -200 to 850 deg C.
    for (int j = 0; j <= 105; ++j) {
        const double t = -200 + 10.0 * j;
        table2.values.push_back(100 * (1 + 3.9083e-3 * t - 5.775e-7 * t * t));
    }
    rtd.setTable(table2, kUnitFahrenheit);
    rtd.resize(640, 460);
    rtd.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&rtd));
    EXPECT_DOUBLE_EQ(-328, rtd.graph()->view().timeMin()) << "-200 deg C in deg F";
    EXPECT_DOUBLE_EQ(1562, rtd.graph()->view().timeMax()) << "850 deg C in deg F";
    const QPixmap rtdPicture = rtd.grab();
    EXPECT_GT(CountColour(rtdPicture.toImage(), rtdPicture.rect(), kTrace), 500);
    Save(rtdPicture, "table_temperature_dialog_fahrenheit");
}
