#include "views/qt/CDeviceSummaryPage.h"
#include "views/qt/CInputSettingPage.h"

#include "model/CParTypeQA.h"
#include "model/CTableEditHook.h"
#include "model/ParameterIds.h"
#include "tests/support/qt/GuiTestSupport.h"
#include "views/qt/CParameterListCtrl.h"

#include <QPushButton>

namespace {

class RecordingTableEditor : public ITableEditor {
public:
    bool EditTemperatureTable(void* parent, TemperatureTable&, int) override {
        parents.push_back(parent);
        return false;
    }
    bool EditXYTable(void* parent, XYTable&) override {
        parents.push_back(parent);
        return false;
    }
    std::vector<void*> parents;
};

class InputSettingPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        set.SetTypeCode(9);
        page.resize(400, 420);
        page.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
        m_programEditor = GetTableEditor();
        SetTableEditor(&editor);
    }
    void TearDown() override { SetTableEditor(m_programEditor); }
    ITableEditor* m_programEditor = nullptr;

    QRect ListRect() const { return page.List()->geometry(); }
    QRect ButtonRect() const { return page.ActionButton()->geometry(); }
    int RowHeight() const { return page.List()->rowHeight(0); }

    MessageRecorder messages;
    CParTypeQA set;
    RecordingTableEditor editor;
    CInputSettingPage page;
};

TEST_F(InputSettingPageTest, AGroupWithAnActionShrinksTheListAboveItsButton) {
    page.SetGroup(0, &set);
    EXPECT_FALSE(page.ActionButton()->isVisible());
    EXPECT_EQ(set.GetParameterCount(0), page.List()->rowCount());

    page.SetGroup(2, &set);
    ASSERT_TRUE(page.ActionButton()->isVisible());
    EXPECT_EQ("Table File", page.ActionButton()->text());
    EXPECT_EQ(set.GetParameterCount(2), page.List()->rowCount());
    // The list ends 4 pixels above the button, trimmed to whole rows.
    int bottomLimit = ButtonRect().top() - 4;
    EXPECT_LE(ListRect().bottom() + 1, bottomLimit);
    EXPECT_GT(ListRect().bottom() + 1, bottomLimit - RowHeight());
    int viewport = page.List()->viewport()->height();
    EXPECT_EQ(0, viewport % RowHeight());

    page.SetGroup(1, &set);
    EXPECT_FALSE(page.ActionButton()->isVisible());
    EXPECT_LE(ListRect().bottom(), ButtonRect().bottom());
    EXPECT_GT(ListRect().bottom(), ButtonRect().bottom() - RowHeight());
}

TEST_F(InputSettingPageTest, TheButtonRunsTheGroupActionOfTheCurrentSet) {
    page.SetGroup(2, &set);
    QTest::mouseClick(page.ActionButton(), Qt::LeftButton);
    ASSERT_EQ(1u, editor.parents.size());
    EXPECT_EQ(static_cast<void*>(static_cast<QWidget*>(&page)), editor.parents[0]);

    // Another model on the same tab: the layout stays, the click goes to the new set.
    CParTypeQA1 other;
    other.SetTypeCode(10);
    page.SetGroup(2, &other);
    EXPECT_TRUE(page.ActionButton()->isVisible());
    EXPECT_EQ(&other, page.ParameterSet());
    EXPECT_EQ(&other, page.List()->ParameterSet());
    QTest::mouseClick(page.ActionButton(), Qt::LeftButton);
    EXPECT_EQ(2u, editor.parents.size());
}

TEST_F(InputSettingPageTest, ChangingTheGroupAbandonsARunningEdit) {
    page.SetGroup(1, &set);
    CParameterListCtrl* list = page.List();
    list->SetReadOnly(false);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(1, 2)).center());
    ASSERT_TRUE(list->Editor().IsEditing());
    page.SetGroup(0, &set);
    EXPECT_FALSE(list->Editor().IsEditing());
}

TEST(DeviceSummaryPageTest, HidingThePageRemovesTheEditorAndKeepsTheValue) {
    MessageRecorder messages;
    CParTypeQA set;
    CDeviceSummaryPage page;
    page.resize(400, 300);
    page.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
    CParameterListCtrl* list = page.List();
    list->SetParameterSet(&set);
    list->SetGroup(kGroupSettings);
    list->SetReadOnly(false);
    list->Refresh();
    int row = -1;
    for (int r = 0; r < list->rowCount(); ++r)
        if (list->RowId(r) == kIdFilterTime)
            row = r;
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(row, 2)).center());
    ASSERT_TRUE(list->Editor().TextEditor()->isVisible());
    QTest::keyClicks(list->Editor().TextEditor(), "9");
    page.hide();
    EXPECT_FALSE(list->Editor().IsEditing());
    EXPECT_EQ(0, set.GetValue(kIdFilterTime));

    // Escape on the page (its cancel action) abandons an edit as well.
    page.show();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(row, 2)).center());
    ASSERT_TRUE(list->Editor().IsEditing());
    QTest::keyClick(list->Editor().TextEditor(), Qt::Key_Escape);
    EXPECT_FALSE(list->Editor().IsEditing());
    EXPECT_EQ(0, set.GetValue(kIdFilterTime));
}

} // namespace
