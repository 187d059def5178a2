#include "app/qt/CVELKApp.h"

#include "gui/QtText.h"
#include "resources/CStringTable.h"
#include "resources/CaptionIds.h"
#include "resources/StringIds.h"
#include "tests/support/TempDir.h"
#include "tests/support/qt/GuiTestSupport.h"

#include <QDir>
#include <QFile>

namespace {

class LanguageTest : public ::testing::Test {
protected:
    void TearDown() override { CStringTable::UnloadModule(); }

    MessageRecorder messages;
    ScopedConfigHome home;
};

TEST_F(LanguageTest, JapaneseLoadsTheModuleBesideTheProgram) {
    CVELKApp app(std::string(Q3_BIN_DIR) + "/q3config");
    EXPECT_EQ(std::string(Q3_BIN_DIR) + "/q3config_jpn.so", app.LanguageModulePath(1));
    app.LoadLanguageModule(1);
    EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join("|").toStdString();
    EXPECT_TRUE(CStringTable::ModuleLoaded());
    EXPECT_EQ(1, app.LanguageInUse());
    EXPECT_EQ("環境設定", Tr(kCapPreferences));
    EXPECT_NE("Searching device...", Tr(kMsgStatusSearching));
    EXPECT_FALSE(Tr(kMsgStatusSearching).isEmpty());
    // The factory dialogs' captions are Japanese in both languages.
    QString factory = Tr(kCapFactoryInputTitle);
    app.LoadLanguageModule(0);
    EXPECT_FALSE(CStringTable::ModuleLoaded());
    EXPECT_EQ(0, app.LanguageInUse());
    EXPECT_EQ("Preferences", Tr(kCapPreferences));
    EXPECT_EQ(factory, Tr(kCapFactoryInputTitle));
    EXPECT_EQ("入力調整", factory);
}

TEST_F(LanguageTest, TheModuleCoversEveryStringIdOfTheProgram) {
    CVELKApp app(std::string(Q3_BIN_DIR) + "/q3config");
    app.LoadLanguageModule(1);
    ASSERT_TRUE(CStringTable::ModuleLoaded());
    std::size_t count = 0;
    const StringEntry* english = CStringTable::English(&count);
    int untranslated = 0;
    for (std::size_t i = 0; i < count; ++i) {
        // Has() answers for the current table; English() is the compiled-in one.
        std::string text = CStringTable::Get(english[i].id);
        EXPECT_FALSE(text.empty()) << english[i].id;
        untranslated += text == english[i].text ? 1 : 0;
    }
    // Names of models, units and numbers stay as they are; the bulk is translated.
    EXPECT_LT(untranslated, static_cast<int>(count) / 2);
}

TEST_F(LanguageTest, AMissingModuleGivesOneMessageAndEnglish) {
    TempDir dir;
    CVELKApp app(dir.File("q3config"));
    app.LoadLanguageModule(1);
    ASSERT_EQ(1, messages.texts.size());
    EXPECT_EQ("Can't load language module", messages.texts[0]);
    EXPECT_EQ(MessageIcon::Stop, messages.icons[0]);
    EXPECT_FALSE(CStringTable::ModuleLoaded());
    EXPECT_EQ("Preferences", Tr(kCapPreferences));
    // Still the chosen language, so that Preferences shows it selected.
    EXPECT_EQ(1, app.LanguageInUse());
}

TEST_F(LanguageTest, ABrokenModuleIsRefusedLikeAMissingOne) {
    TempDir dir;
    WriteWholeFile(dir.File("Y_jpn.so"), "not a shared object");
    CVELKApp app(dir.File("Y.exe"));
    EXPECT_EQ(dir.File("Y_jpn.so"), app.LanguageModulePath(1));
    EXPECT_EQ("Y", app.ApplicationName());
    app.LoadLanguageModule(1);
    ASSERT_EQ(1, messages.texts.size());
    EXPECT_EQ("Can't load language module", messages.texts[0]);
    EXPECT_EQ("Preferences", Tr(kCapPreferences));
}

TEST_F(LanguageTest, AutomaticFollowsTheLocale) {
    EXPECT_EQ(1, CVELKApp::LanguageForLocale("ja_JP.UTF-8"));
    EXPECT_EQ(1, CVELKApp::LanguageForLocale("ja_JP"));
    EXPECT_EQ(0, CVELKApp::LanguageForLocale("en_US.UTF-8"));
    EXPECT_EQ(0, CVELKApp::LanguageForLocale("de_DE"));
    EXPECT_EQ(0, CVELKApp::LanguageForLocale("C"));
    // The test process runs in the C locale: automatic is English, without a module.
    CVELKApp app(std::string(Q3_BIN_DIR) + "/q3config");
    app.LoadLanguageModule(-1);
    EXPECT_EQ(0, app.LanguageInUse());
    EXPECT_FALSE(CStringTable::ModuleLoaded());
    EXPECT_TRUE(messages.texts.isEmpty());
}

TEST_F(LanguageTest, LanguageNamesEndAfterTheTable) {
    EXPECT_EQ("English", CVELKApp::LanguageDisplayName(0));
    EXPECT_EQ("Japanese", CVELKApp::LanguageDisplayName(1));
    EXPECT_EQ("", CVELKApp::LanguageDisplayName(2));
    EXPECT_EQ("", CVELKApp::LanguageDisplayName(-1));
}

TEST_F(LanguageTest, TheInitialFileSetFollowsDeviceIdOrFallsBackToTypeCode9) {
    CVELKApp app(std::string(Q3_BIN_DIR) + "/q3config");
    app.Settings().DeviceId = 10;
    app.CreateInitialFileSet();
    std::unique_ptr<CParBase> set = app.TakeFileSet();
    ASSERT_TRUE(set);
    EXPECT_EQ(10, set->TypeCode());
    app.Settings().DeviceId = 99;
    app.CreateInitialFileSet();
    set = app.TakeFileSet();
    ASSERT_TRUE(set);
    EXPECT_EQ(9, set->TypeCode());
}

} // namespace
