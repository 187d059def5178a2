#include "views/qt/CParameterListCtrl.h"

#include "comm/CCommInterface.h"
#include "comm/CObserver.h"
#include "gui/QtText.h"
#include "model/CParTypeQA.h"
#include "model/ParameterIds.h"
#include "resources/StringIds.h"
#include "tests/support/CRegisterBank.h"
#include "tests/support/qt/GuiTestSupport.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QScrollBar>
#include <QSignalSpy>

#include <memory>
#include <thread>

namespace {

// Q3VA whose first row (the "Input" header) can be edited as text, so that the first row of a
// group can be reached by the editors.
class CEditableHeaderQA : public CParTypeQA {
public:
    CParBase* Clone() const override { return new CEditableHeaderQA(*this); }
    int GetParameterKind(int id) const override {
        return id == kIdHeaderInput ? kKindText : CParTypeQA::GetParameterKind(id);
    }
    void SetFromEditor(int id, const CEditResult& edit) override {
        if (id == kIdHeaderInput) {
            headerEdits.push_back(edit.text);
            return;
        }
        CParTypeQA::SetFromEditor(id, edit);
    }
    std::vector<std::string> headerEdits;
};

class CountingObserver : public CObserver {
public:
    void Update(CObservable*) override { ++count; }
    int count = 0;
};

class ParameterListTest : public ::testing::Test {
protected:
    void SetUp() override {
        set.SetTypeCode(9);
        list = std::make_unique<CParameterListCtrl>();
        list->resize(420, 360);
        list->SetUp();
        list->SetParameterSet(&set);
        list->SetGroup(kGroupSettings);
        list->SetReadOnly(false);
        list->AddObserver(&observer);
        list->show();
        list->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(list.get()));
        list->Refresh();
    }

    int RowOf(int id) const {
        for (int r = 0; r < list->rowCount(); ++r)
            if (list->RowId(r) == id)
                return r;
        return -1;
    }
    QString ValueText(int id) const {
        return list->item(RowOf(id), CParameterListCtrl::kValueColumn)->text();
    }
    void ClickValue(int row, int column = CParameterListCtrl::kValueColumn) {
        QRect cell = list->visualItemRect(list->item(row, column));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
    }
    CEditText* Text() { return list->Editor().TextEditor(); }
    CEditComboBox* Combo() { return list->Editor().ListEditor(); }
    void Type(const QString& text) { QTest::keyClicks(Text(), text); }

    MessageRecorder messages;
    CEditableHeaderQA set;
    CountingObserver observer;
    std::unique_ptr<CParameterListCtrl> list;
};

TEST_F(ParameterListTest, RefreshBuildsOneRowPerParameterWithNameValueAndId) {
    ASSERT_EQ(set.GetParameterCount(kGroupSettings), list->rowCount());
    for (int r = 0; r < list->rowCount(); ++r) {
        int id = set.GetParameterId(kGroupSettings, r);
        EXPECT_EQ(id, list->RowId(r));
        EXPECT_EQ(QString::fromStdString(set.GetParameterName(id)),
                  list->item(r, CParameterListCtrl::kNameColumn)->text());
        EXPECT_EQ(QString::fromStdString(set.FormatValue(id, set.GetValue(id), true)),
                  list->item(r, CParameterListCtrl::kValueColumn)->text());
    }
    EXPECT_TRUE(list->isColumnHidden(0));
    int w = list->viewport()->width();
    EXPECT_EQ(w / 2, list->columnWidth(1));
    EXPECT_EQ(w - w / 2, list->columnWidth(2));
}

TEST_F(ParameterListTest, RefreshWritesOnlyChangedTextsAndRewriteAllWritesEveryTextOnce) {
    QSignalSpy changed(list->model(), &QAbstractItemModel::dataChanged);
    list->Refresh();
    EXPECT_EQ(0, changed.count());
    EXPECT_EQ(0, list->LastRefreshWrites());

    set.SetValue(kIdFilterTime, 25000, false);
    list->Refresh();
    EXPECT_EQ(1, changed.count());
    EXPECT_EQ(1, list->LastRefreshWrites());
    EXPECT_EQ("2.5000 (sec)", ValueText(kIdFilterTime));

    list->SetRewriteAll(true);
    list->Refresh();
    EXPECT_EQ(2 * list->rowCount(), list->LastRefreshWrites());
    EXPECT_FALSE(list->RewriteAll());
    list->Refresh();
    EXPECT_EQ(0, list->LastRefreshWrites());
}

TEST_F(ParameterListTest, SwitchingToASmallerGroupLeavesExactlyItsRowsInOrder) {
    int settingsRows = list->rowCount();
    list->SetGroup(kGroupAdjust);
    list->Refresh();
    int n = set.GetParameterCount(kGroupAdjust);
    ASSERT_LT(n, settingsRows);
    ASSERT_EQ(n, list->rowCount());
    for (int r = 0; r < n; ++r)
        EXPECT_EQ(set.GetParameterId(kGroupAdjust, r), list->RowId(r));
    list->SetGroup(kGroupSettings);
    list->Refresh();
    EXPECT_EQ(settingsRows, list->rowCount());
}

TEST_F(ParameterListTest, ClickOnValueStartsEditNameColumnAndReadOnlyDoNot) {
    int row = RowOf(kIdFilterTime);
    ClickValue(row, CParameterListCtrl::kNameColumn);
    EXPECT_FALSE(Text()->isVisible());

    list->SetReadOnly(true);
    ClickValue(row);
    EXPECT_FALSE(Text()->isVisible());

    list->SetReadOnly(false);
    ClickValue(row);
    ASSERT_TRUE(Text()->isVisible());
    EXPECT_EQ("0.0000", Text()->text());
    EXPECT_EQ("0.0000", Text()->selectedText());
    EXPECT_EQ(list->visualItemRect(list->item(row, 2)), Text()->geometry());
    EXPECT_EQ(kIdFilterTime, list->EditedId());
}

TEST_F(ParameterListTest, EnterCommitsAppliesRefreshesAndNotifies) {
    ClickValue(RowOf(kIdFilterTime));
    Text()->selectAll();
    Type("12.5");
    QTest::keyClick(Text(), Qt::Key_Return);
    EXPECT_EQ(125000, set.GetValue(kIdFilterTime));
    EXPECT_EQ("12.5000 (sec)", ValueText(kIdFilterTime));
    EXPECT_EQ(1, observer.count);
    EXPECT_TRUE(messages.texts.isEmpty());
    // The list has the focus back; the second, cancelling end of the editor changed nothing.
    EXPECT_FALSE(Text()->isVisible());
    EXPECT_TRUE(list->hasFocus());
    EXPECT_TRUE(list->RewriteAll());
    EXPECT_EQ(RowOf(kIdFilterTime), list->currentRow());
}

TEST_F(ParameterListTest, RejectedValueShowsTheMessageAndKeepsTheOldValue) {
    ClickValue(RowOf(kIdFilterTime));
    Type("abc");
    QTest::keyClick(Text(), Qt::Key_Return);
    ASSERT_EQ(1, messages.texts.size());
    EXPECT_EQ(Tr(kMsgNotNumeric), messages.texts[0]);
    EXPECT_EQ(0, set.GetValue(kIdFilterTime));
    EXPECT_EQ("0.0000 (sec)", ValueText(kIdFilterTime));
    // Observers hear of the edit all the same.
    EXPECT_EQ(1, observer.count);

    ClickValue(RowOf(kIdFilterTime));
    Type("0.2");
    QTest::keyClick(Text(), Qt::Key_Return);
    ASSERT_EQ(2, messages.texts.size());
    EXPECT_EQ(Tr(kMsgFilterTimeConstant), messages.texts[1]);
    EXPECT_EQ("0.0000 (sec)", ValueText(kIdFilterTime));
}

TEST_F(ParameterListTest, FocusLossCancelsTheEdit) {
    QLineEdit other(list.get());
    other.show();
    ClickValue(RowOf(kIdFilterTime));
    Type("7");
    other.setFocus();
    QCoreApplication::processEvents();
    EXPECT_FALSE(Text()->isVisible());
    EXPECT_EQ(0, set.GetValue(kIdFilterTime));
    EXPECT_EQ(0, observer.count);
}

TEST_F(ParameterListTest, ScrollingAbandonsTheEditWithoutResult) {
    list->resize(420, 120);
    list->Refresh();
    ASSERT_GT(list->verticalScrollBar()->maximum(), 0);
    ClickValue(RowOf(kIdZeroInput));
    ASSERT_TRUE(Text()->isVisible());
    Type("5");
    list->verticalScrollBar()->setValue(list->verticalScrollBar()->maximum());
    EXPECT_FALSE(Text()->isVisible());
    EXPECT_FALSE(Text()->IsOpen());
    EXPECT_EQ(0, set.GetValue(kIdZeroInput));
    EXPECT_EQ(0, observer.count);
}

TEST_F(ParameterListTest, TypedCharacterOnSelectedRowOpensTheEditorWithIt) {
    int row = RowOf(kIdFilterTime);
    list->setCurrentCell(row, 1);
    list->setFocus();
    QTest::keyClick(list.get(), '7');
    ASSERT_TRUE(Text()->isVisible());
    EXPECT_EQ("7", Text()->text());
    QTest::keyClick(Text(), Qt::Key_Return);
    EXPECT_EQ(70000, set.GetValue(kIdFilterTime));

    // Nothing selected: no editor.
    list->clearSelection();
    list->setFocus();
    QTest::keyClick(list.get(), '3');
    EXPECT_FALSE(Text()->isVisible());
}

TEST_F(ParameterListTest, DownCommitsAndMovesOnUpGoesBack) {
    int zero = RowOf(kIdZeroInput);
    ClickValue(zero);
    Type("10");
    QTest::keyClick(Text(), Qt::Key_Down);
    EXPECT_EQ(100000, set.GetValue(kIdZeroInput));
    ASSERT_TRUE(Text()->isVisible());
    EXPECT_EQ(zero + 1, list->currentRow());
    EXPECT_EQ(kIdFullInput, list->EditedId());
    QTest::keyClick(Text(), Qt::Key_Up);
    EXPECT_EQ(zero, list->currentRow());
    EXPECT_EQ(kIdZeroInput, list->EditedId());
    EXPECT_TRUE(Text()->isVisible());
    EXPECT_EQ("10.0000", Text()->text());
    EXPECT_EQ(2, observer.count);
}

TEST_F(ParameterListTest, DownOnTheLastRowAndUpOnTheFirstStayWhereTheyAre) {
    set.SetValue(kIdBurnout2, 3, false); // the burnout value is editable with burnout 3 only
    list->Refresh();
    int last = list->rowCount() - 1;
    ASSERT_EQ(kIdBurnoutValue2, list->RowId(last));
    ClickValue(last);
    ASSERT_TRUE(Text()->isVisible());
    Type("4");
    QTest::keyClick(Text(), Qt::Key_Down);
    EXPECT_EQ(last, list->currentRow());
    EXPECT_TRUE(Text()->isVisible());
    EXPECT_EQ(kIdBurnoutValue2, list->EditedId());
    EXPECT_EQ(40000, set.GetValue(kIdBurnoutValue2));

    list->scrollToTop();
    ClickValue(0);
    ASSERT_TRUE(Text()->isVisible());
    Type("first");
    QTest::keyClick(Text(), Qt::Key_Up);
    EXPECT_EQ(0, list->currentRow());
    EXPECT_TRUE(Text()->isVisible());
    EXPECT_EQ(kIdHeaderInput, list->EditedId());
    EXPECT_EQ(std::vector<std::string>{"first"}, set.headerEdits);
}

TEST_F(ParameterListTest, NavigationIntoAChoiceRowOpensTheListEditor) {
    ClickValue(RowOf(kIdFullInput));
    QTest::keyClick(Text(), Qt::Key_Down); // full input -> filter time
    QTest::keyClick(Text(), Qt::Key_Down); // filter time -> sensor wires (choice)
    EXPECT_EQ(kIdSensorWires, list->EditedId());
    EXPECT_FALSE(Text()->isVisible());
    ASSERT_TRUE(Combo()->isVisible());
    EXPECT_TRUE(Combo()->view()->isVisible());
}

TEST_F(ParameterListTest, ChoiceFromTheListEditorIsApplied) {
    int row = RowOf(kIdSensorWires);
    ClickValue(row);
    ASSERT_TRUE(Combo()->isVisible());
    ASSERT_TRUE(WaitUntil([&] { return Combo()->view()->isVisible(); }));
    int before = set.GetValue(kIdSensorWires);
    ASSERT_EQ(before, Combo()->currentIndex());
    int target = before == 0 ? 1 : before - 1;
    QTest::keyClick(Combo()->view(), before == 0 ? Qt::Key_Down : Qt::Key_Up);
    QTest::keyClick(Combo()->view(), Qt::Key_Return);
    EXPECT_EQ(target, set.GetValue(kIdSensorWires));
    EXPECT_EQ(QString::fromStdString(set.FormatValue(kIdSensorWires, target, true)),
              ValueText(kIdSensorWires));
    EXPECT_FALSE(Combo()->isVisible());
    EXPECT_EQ(1, observer.count);
}

// A choice made with the mouse leaves the selection on the row it was made in.
TEST_F(ParameterListTest, AChoiceByMouseKeepsTheRowSelected) {
    int row = RowOf(kIdSensorWires);
    ClickValue(row);
    ASSERT_TRUE(WaitUntil([&] { return Combo()->view()->isVisible(); }));
    QAbstractItemView* view = Combo()->view();
    int target = set.GetValue(kIdSensorWires) == 0 ? 1 : 0;
    QRect item = view->visualRect(view->model()->index(target, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, item.center());
    ASSERT_TRUE(WaitUntil([&] { return !Combo()->isVisible(); }));
    QTest::qWait(50);
    EXPECT_EQ(target, set.GetValue(kIdSensorWires));
    EXPECT_EQ(row, list->currentRow());
    EXPECT_EQ(QList<QTableWidgetItem*>({list->item(row, 1), list->item(row, 2)}),
              list->selectedItems());
}

TEST_F(ParameterListTest, EscapeInTheListEditorCancels) {
    ClickValue(RowOf(kIdSensorWires));
    ASSERT_TRUE(WaitUntil([&] { return Combo()->view()->isVisible(); }));
    int before = set.GetValue(kIdSensorWires);
    QTest::keyClick(Combo()->view(), before == 0 ? Qt::Key_Down : Qt::Key_Up);
    QTest::keyClick(Combo()->view(), Qt::Key_Escape);
    ASSERT_TRUE(WaitUntil([&] { return !Combo()->isVisible(); }));
    EXPECT_EQ(before, set.GetValue(kIdSensorWires));
    EXPECT_EQ(0, observer.count);
}

TEST_F(ParameterListTest, ColoursOfHeaderNameEditableAndReadOnlyCells) {
    const QColor green(100, 255, 150), yellow(255, 255, 180);
    const QColor window = list->palette().color(QPalette::Base);
    int header = RowOf(kIdHeaderOutput1);
    int value = RowOf(kIdFilterTime);
    int readOnly = RowOf(kIdBurnoutValue1); // read-only while burnout is not 3
    ASSERT_EQ(kKindReadOnly, set.GetParameterKind(kIdBurnoutValue1));
    EXPECT_EQ(green, list->CellBackground(header, 1));
    EXPECT_EQ(green, list->CellBackground(header, 2));
    EXPECT_EQ(green, list->CellBackground(value, 1));
    EXPECT_EQ(yellow, list->CellBackground(value, 2));
    EXPECT_EQ(window, list->CellBackground(readOnly, 2));
    list->SetReadOnly(true);
    EXPECT_EQ(window, list->CellBackground(value, 2));
    EXPECT_EQ(green, list->CellBackground(value, 1));

    // The delegate paints them: sample the rendered value cell away from its text.
    list->SetReadOnly(false);
    list->clearSelection();
    list->setCurrentItem(nullptr);
    QImage image = list->viewport()->grab().toImage();
    QRect cell = list->visualItemRect(list->item(value, 2));
    EXPECT_EQ(yellow, image.pixelColor(cell.right() - 3, cell.center().y()));
    QRect name = list->visualItemRect(list->item(value, 1));
    EXPECT_EQ(green, image.pixelColor(name.right() - 3, name.center().y()));
}

TEST_F(ParameterListTest, ToolTipIsTheCellTextCutTo79Characters) {
    int row = RowOf(kIdFilterTime);
    QRect cell = list->visualItemRect(list->item(row, 2));
    EXPECT_EQ(ValueText(kIdFilterTime), list->ToolTipAt(cell.center()));
    list->item(row, 1)->setText(QString(100, 'x'));
    QRect name = list->visualItemRect(list->item(row, 1));
    EXPECT_EQ(QString(79, 'x'), list->ToolTipAt(name.center()));
    // Below the last row of a short group there is no cell and no tip.
    list->SetGroup(kGroupAdjust);
    list->Refresh();
    QRect last = list->visualItemRect(list->item(list->rowCount() - 1, 1));
    ASSERT_LT(last.bottom() + 20, list->viewport()->height());
    EXPECT_TRUE(list->ToolTipAt(QPoint(last.center().x(), last.bottom() + 10)).isEmpty());
}

TEST_F(ParameterListTest, DeviceLinkedEditWritesUnderTheLockWithAWaitCursor) {
    CRegisterBank bank;
    CCommInterface comm(&bank);
    comm.Connect();
    list->SetDeviceLink(&comm);
    bool waitCursor = false;
    bool lockHeld = false;
    bank.onRequest = [&](const CRegisterBank::Request& request) {
        if (!request.write)
            return;
        waitCursor = QApplication::overrideCursor() &&
                     QApplication::overrideCursor()->shape() == Qt::WaitCursor;
        // The recursive lock is held by this (the window) thread: another thread cannot take it.
        std::thread probe([&] {
            lockHeld = !comm.Lock().try_lock();
            if (!lockHeld)
                comm.Lock().unlock();
        });
        probe.join();
    };
    ClickValue(RowOf(kIdFilterTime));
    Type("2");
    QTest::keyClick(Text(), Qt::Key_Return);
    EXPECT_EQ(20000, bank.GetInt32(1020));
    EXPECT_TRUE(waitCursor);
    EXPECT_TRUE(lockHeld);
    EXPECT_EQ(nullptr, QApplication::overrideCursor());
    EXPECT_EQ("2.0000 (sec)", ValueText(kIdFilterTime));
}

TEST_F(ParameterListTest, FailedDeviceWriteIsShownAndTheCursorRestored) {
    CRegisterBank bank;
    CCommInterface comm(&bank);
    comm.Connect();
    list->SetDeviceLink(&comm);
    bank.onRequest = [](const CRegisterBank::Request& request) {
        if (request.write && request.start == 1020)
            throw CPrivateException("write refused");
    };
    ClickValue(RowOf(kIdFilterTime));
    Type("2");
    QTest::keyClick(Text(), Qt::Key_Return);
    ASSERT_EQ(1, messages.texts.size());
    EXPECT_EQ("write refused", messages.texts[0]);
    EXPECT_EQ(nullptr, QApplication::overrideCursor());
    EXPECT_EQ(0, set.GetValue(kIdFilterTime));
    EXPECT_EQ("0.0000 (sec)", ValueText(kIdFilterTime));
    EXPECT_EQ(1, observer.count);
}

} // namespace
