#include "tables/qt/CTableDialogEditor.h"

#include "gui/CFileDialogs.h"
#include "model/CParTypeQA.h"
#include "model/CParTypeQB.h"
#include "monitor/qt/CGraph.h"
#include "tables/qt/CTableFile2Dialog.h"
#include "tables/qt/CTableFileDialog.h"
#include "tests/support/TempDir.h"
#include "tests/support/qt/GuiTestSupport.h"

#include <QApplication>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace {
const char kXYFile[] = "// four pairs\n{\n0.0, 0.0\n25.0, 10.0\n75.0, 90.0\n100.0, 100.0\n}\n";
const char kTempFile[] = "Minimum Temperature = -50.0000\nStep = 10\n{\n80.3063\n84.2707\n"
                         "88.2217\n92.1603\n}\n";

// Runs action on the dialog of type D once it is the active modal window (the caller's exec is
// running). The action ends the dialog with OK or Cancel; a dialog it leaves open is rejected
// and the test fails, so that a broken action can not hang the run.
template <typename D> void WhenModal(std::function<void(D*)> action, int triesLeft = 400) {
    QTimer::singleShot(triesLeft == 400 ? 0 : 5, [action, triesLeft] {
        if (D* dialog = qobject_cast<D*>(QApplication::activeModalWidget())) {
            action(dialog);
            if (dialog->isVisible()) {
                ADD_FAILURE() << "the dialog was left open";
                dialog->reject();
            }
            return;
        }
        if (triesLeft > 0)
            WhenModal<D>(action, triesLeft - 1);
    });
}

void Click(QPushButton* button) {
    QTest::mouseClick(button, Qt::LeftButton);
}

class TableDialogs : public ::testing::Test {
protected:
    void SetUp() override {
        CGraphView::resetTimeLowerBoundForTest();
        WriteWholeFile(dir.File("xy.tbl"), kXYFile);
        WriteWholeFile(dir.File("rtd.tbl"), kTempFile);
        WriteWholeFile(dir.File("broken.tbl"), "{\n1.0, 2.0\n");
        SetFileDialogHook([this](QWidget*, bool save, const QString& title,
                                 const QStringList& filters, const QString&) {
            asked << (save ? "save:" : "open:") + title;
            EXPECT_TRUE(filters.isEmpty()) << "no file-type filter";
            return QString::fromStdString(dir.File(nextFile));
        });
    }
    void TearDown() override {
        SetFileDialogHook(nullptr);
        // The program's own editor, as the assembly installed it, for the tests after this.
        InstallTableDialogs();
    }

    TempDir dir;
    MessageRecorder messages;
    std::string nextFile;
    QStringList asked;
    CTableDialogEditor editor;
};
} // namespace

TEST_F(TableDialogs, XYCancelAfterOpeningLeavesTheCallersTable) {
    XYTable table{{0, 50, 100}, {0, 40, 100}};
    nextFile = "xy.tbl";
    WhenModal<CTableFileDialog>([](CTableFileDialog* dialog) {
        EXPECT_EQ(QString("Linearize Table"), dialog->windowTitle());
        EXPECT_EQ(3u, dialog->graph()->view().store().points().size()) << "the caller's table";
        Click(dialog->openButton());
        EXPECT_EQ(4u, dialog->table().xValues.size());
        EXPECT_EQ(4u, dialog->graph()->view().store().points().size()) << "replotted";
        Click(dialog->cancelButton());
    });
    EXPECT_FALSE(editor.EditXYTable(nullptr, table));
    EXPECT_EQ((std::vector<double>{0, 50, 100}), table.x);
    EXPECT_EQ((std::vector<double>{0, 40, 100}), table.y);
    EXPECT_EQ(QStringList{"open:Open File"}, asked);
}

TEST_F(TableDialogs, XYViewStaysFixedWhateverTheData) {
    CTableFileDialog dialog;
    CTableFile table;
    table.xValues = {-40, 50, 140};
    table.yValues = {-30, 50, 160};
    dialog.setTable(table);
    const CGraphView& view = dialog.graph()->view();
    EXPECT_DOUBLE_EQ(-15, view.timeMin());
    EXPECT_DOUBLE_EQ(115, view.timeMax());
    EXPECT_DOUBLE_EQ(-15, view.valueMin());
    EXPECT_DOUBLE_EQ(115, view.valueMax());
    ASSERT_EQ(3u, view.store().points().size());
    EXPECT_FLOAT_EQ(-40, view.store().points()[0].time) << "x across, outside the view too";
    EXPECT_FLOAT_EQ(160, view.store().points()[2].value);
    EXPECT_TRUE(view.padTop());
    EXPECT_DOUBLE_EQ(-CGraphView::kTimeLimit, CGraphView::timeLowerBound())
        << "a table plot opens the negative time range for the whole process";
}

TEST_F(TableDialogs, OpenErrorIsShownAndTheTableStays) {
    CTableFileDialog dialog;
    CTableFile table;
    table.xValues = {0, 100};
    table.yValues = {0, 100};
    dialog.setTable(table);
    nextFile = "broken.tbl";
    Click(dialog.openButton());
    ASSERT_EQ(1, messages.texts.size());
    EXPECT_EQ(QString("Invalid the structure of table file."), messages.texts[0]);
    EXPECT_EQ(MessageIcon::Stop, messages.icons[0]);
    EXPECT_EQ((std::vector<double>{0, 100}), dialog.table().xValues);
    EXPECT_EQ(2u, dialog.graph()->view().store().points().size());

    nextFile = "missing.tbl";
    Click(dialog.openButton());
    ASSERT_EQ(2, messages.texts.size());
    EXPECT_EQ(QString("Can not open the table file."), messages.texts[1]);
}

TEST_F(TableDialogs, SaveFileWritesTheDialogsTable) {
    CTableFileDialog dialog;
    CTableFile table;
    table.xValues = {0, 33.33333};
    table.yValues = {-1.5, 100};
    dialog.setTable(table);
    nextFile = "saved.tbl";
    Click(dialog.saveButton());
    EXPECT_EQ(QStringList{"save:Save File"}, asked);
    EXPECT_EQ("{\n0.0000, -1.5000\n33.3333, 100.0000\n}\n", ReadWholeFile(dir.File("saved.tbl")));

    CTableFile2Dialog dialog2;
    CTableFile2 table2;
    table2.startTemperature = -200;
    table2.step = 25;
    table2.values = {18.52, 39.72};
    dialog2.setTable(table2, kUnitCelsius);
    nextFile = "saved2.tbl";
    Click(dialog2.saveButton());
    EXPECT_EQ("Minimum Temperature = -200.0000\nStep = 25\n{\n18.5200\n39.7200\n}\n",
              ReadWholeFile(dir.File("saved2.tbl")));

    nextFile = "missing/saved.tbl";
    Click(dialog.saveButton());
    ASSERT_EQ(1, messages.texts.size());
    EXPECT_EQ(QString("Can not open the table file."), messages.texts[0]);
}

TEST_F(TableDialogs, TemperatureCancelLeavesTheCallersTable) {
    CTableFile2 table;
    table.startTemperature = 0;
    table.step = 5;
    table.values = {100, 101.95};
    nextFile = "rtd.tbl";
    CTableFile2Dialog dialog;
    WhenModal<CTableFile2Dialog>([](CTableFile2Dialog* d) {
        Click(d->openButton());
        EXPECT_EQ(4u, d->table().values.size());
        EXPECT_EQ(10, d->table().step);
        Click(d->cancelButton());
    });
    EXPECT_EQ(CTableFile2Dialog::kCancel, dialog.edit(table, kUnitCelsius));
    EXPECT_EQ(0, table.startTemperature);
    EXPECT_EQ(5, table.step);
    EXPECT_EQ((std::vector<double>{100, 101.95}), table.values);
}

TEST_F(TableDialogs, TemperatureOkHandsTheTableBack) {
    CTableFile2 table;
    table.values = {100};
    nextFile = "rtd.tbl";
    CTableFile2Dialog dialog;
    WhenModal<CTableFile2Dialog>([](CTableFile2Dialog* d) {
        Click(d->openButton());
        Click(d->okButton());
    });
    EXPECT_EQ(CTableFile2Dialog::kOk, dialog.edit(table, kUnitFahrenheit));
    EXPECT_EQ(-50, table.startTemperature);
    EXPECT_EQ(10, table.step);
    EXPECT_EQ((std::vector<double>{80.3063, 84.2707, 88.2217, 92.1603}), table.values);
    EXPECT_EQ(kUnitFahrenheit, dialog.temperatureUnit());
}

// The whole road: the parameter set's group action opens the dialog through the installed
// editor and takes the table over on OK.
TEST_F(TableDialogs, GroupActionOfTheParameterSetOpensTheDialog) {
    InstallTableDialogs();
    CParTypeQA qa;
    const TemperatureTable before = qa.GetTemperatureTable();
    nextFile = "rtd.tbl";
    WhenModal<CTableFile2Dialog>([](CTableFile2Dialog* d) {
        Click(d->openButton());
        Click(d->cancelButton());
    });
    qa.RunGroupAction(nullptr, 2, 0);
    EXPECT_EQ(before.values, qa.GetTemperatureTable().values) << "Cancel changes nothing";

    WhenModal<CTableFile2Dialog>([](CTableFile2Dialog* d) {
        Click(d->openButton());
        Click(d->okButton());
    });
    qa.RunGroupAction(nullptr, 2, 0);
    const TemperatureTable after = qa.GetTemperatureTable();
    EXPECT_DOUBLE_EQ(-50, after.start);
    EXPECT_EQ(10, after.step);
    EXPECT_EQ((std::vector<double>{80.3063, 84.2707, 88.2217, 92.1603}), after.values);
    EXPECT_TRUE(messages.texts.isEmpty()) << "an ascending table takes no warning";
}

TEST_F(TableDialogs, TemperaturePlotInTheDisplayUnit) {
    CGraphView graph;
    graph.setAllowNegativeX(true);
    CTableFile2 table;
    table.startTemperature = -50;
    table.step = 10;
    table.values = {80.3063, 84.2707, 88.2217, 92.1603};
    CTableFile2Dialog::Plot(graph, table, kUnitFahrenheit);
    EXPECT_DOUBLE_EQ(-58, graph.timeMin());
    EXPECT_DOUBLE_EQ(-4, graph.timeMax()) << "-50 + 3 x 10 deg C = -20 deg C";
    EXPECT_DOUBLE_EQ(80.3063, graph.valueMin());
    EXPECT_DOUBLE_EQ(92.1603, graph.valueMax());
    ASSERT_EQ(4u, graph.store().points().size());
    EXPECT_FLOAT_EQ(-40, graph.store().points()[1].time);

    // Rounded on fixed-4 values: 0.00005 deg C is 0.0001 deg C, which is 32.0002 deg F.
    EXPECT_DOUBLE_EQ(32.0002, CTableFile2Dialog::DisplayTemperature(0.00005, kUnitFahrenheit));
    EXPECT_DOUBLE_EQ(273.15, CTableFile2Dialog::DisplayTemperature(0, kUnitKelvin));
}

TEST_F(TableDialogs, OneValueInKelvinSpansOneStep) {
    CGraphView graph;
    CTableFile2 table;
    table.startTemperature = 100;
    table.step = 20;
    table.values = {138.5};
    CTableFile2Dialog::Plot(graph, table, kUnitKelvin);
    EXPECT_DOUBLE_EQ(373.15, graph.timeMin());
    EXPECT_DOUBLE_EQ(393.15, graph.timeMax());
    EXPECT_EQ(1u, graph.store().points().size());
}

TEST_F(TableDialogs, ValueRangeTakesIn10000AndZero) {
    CGraphView graph;
    CTableFile2 table;
    table.step = 1;
    table.values = {12000, 15000, 18000};
    CTableFile2Dialog::Plot(graph, table, kUnitCelsius);
    EXPECT_DOUBLE_EQ(10000, graph.valueMin());
    EXPECT_DOUBLE_EQ(18000, graph.valueMax());

    table.values = {-5.5, -1.25};
    CTableFile2Dialog::Plot(graph, table, kUnitCelsius);
    EXPECT_DOUBLE_EQ(-5.5, graph.valueMin());
    EXPECT_DOUBLE_EQ(0, graph.valueMax()) << "the value range takes 0 in";

    CTableFile2 empty;
    CTableFile2Dialog::Plot(graph, empty, kUnitCelsius);
    EXPECT_TRUE(graph.store().points().empty());
    EXPECT_DOUBLE_EQ(-5.5, graph.valueMin()) << "an empty table leaves the view";
}

TEST_F(TableDialogs, GroupActionOfAnXYModelHandsThePairsBack) {
    InstallTableDialogs();
    CParTypeQB qb;
    const XYTable before = qb.GetXYTable();
    nextFile = "xy.tbl";
    WhenModal<CTableFileDialog>([before](CTableFileDialog* d) {
        EXPECT_EQ(before.x, d->table().xValues) << "the dialog shows the set's table";
        Click(d->openButton());
        Click(d->cancelButton());
    });
    qb.RunGroupAction(nullptr, 2, 0);
    EXPECT_EQ(before.x, qb.GetXYTable().x);

    WhenModal<CTableFileDialog>([](CTableFileDialog* d) {
        Click(d->openButton());
        Click(d->okButton());
    });
    qb.RunGroupAction(nullptr, 2, 0);
    EXPECT_EQ((std::vector<double>{0, 25, 75, 100}), qb.GetXYTable().x);
    EXPECT_EQ((std::vector<double>{0, 10, 90, 100}), qb.GetXYTable().y);
}
