// What the parameter-file fuzzer found in the profile reader and writer (parameter files and the
// settings store): a large file of many keys took minutes to open (every key was looked up
// linearly), and values the reader trims or unquotes came back changed after a save.
#include "app/CSettingsStore.h"
#include "comm/CPrivateException.h"
#include "model/CIniFile.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

namespace {
using Clock = std::chrono::steady_clock;
}

TEST(IniFileScale, ManyKeysAndSectionsOpenInLinearTime) {
    // 100000 keys took the linear lookup about 15 s; indexed it is a fraction of a second even
    // under the sanitizers.
    std::string text = "[Big]\n";
    for (int i = 0; i < 100000; ++i)
        text += "Key" + std::to_string(i) + "=" + std::to_string(i) + "\n";
    text += "KEY5=duplicate\n";
    for (int i = 0; i < 10000; ++i)
        text += "[S" + std::to_string(i) + "]\nk=" + std::to_string(i) + "\n";
    text += "[big]\nLater=1\n";
    Clock::time_point start = Clock::now();
    CIniFile file = CIniFile::Parse(text);
    EXPECT_EQ("0", file.GetString("BIG", "key0"));
    EXPECT_EQ("99999", file.GetString("big", "KEY99999"));
    EXPECT_EQ("5", file.GetString("Big", "key5")) << "the first occurrence wins";
    EXPECT_EQ("1", file.GetString("Big", "later")) << "a repeated section continues the first";
    EXPECT_EQ("9999", file.GetString("s9999", "K"));
    file.SetString("BIG", "key7", "seven");
    file.SetString("New", "x", "1");
    EXPECT_EQ("seven", file.GetString("big", "Key7"));
    EXPECT_EQ("1", file.GetString("NEW", "X"));
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    EXPECT_LT(ms, 5000);
}

TEST(IniFileQuoting, ValuesTheReaderWouldChangeGoOutInOneMorePairOfQuotes) {
    CIniFile file;
    file.SetString("S", "single", "'x'");
    file.SetString("S", "double", "\"y\"");
    file.SetString("S", "blanks", " padded ");
    file.SetString("S", "tab", "\tlead");
    file.SetString("S", "quote", "\"");
    file.SetString("S", "empty", "''");
    file.SetString("S", "inner", "a \"b\"");
    file.SetString("S", "plain", "plain");
    EXPECT_EQ("[S]\r\nsingle=\"'x'\"\r\ndouble=\"\"y\"\"\r\nblanks=\" padded \"\r\n"
              "tab=\"\tlead\"\r\nquote=\"\r\nempty=\"''\"\r\ninner=a \"b\"\r\nplain=plain\r\n",
              file.Serialize());
    CIniFile back = CIniFile::Parse(file.Serialize());
    for (const char* key :
         {"single", "double", "blanks", "tab", "quote", "empty", "inner", "plain"})
        EXPECT_EQ(file.GetString("S", key), back.GetString("S", key)) << key;
}

TEST(IniFileQuoting, QuotedPortDisplayNameSurvivesTheSettingsStore) {
    TempDir dir;
    CSettingsStore store = CSettingsStore::AtPath(dir.File("q3config.ini"));
    store.SetString(kComSettingsSection, kPortDisplayNameValue, "\"Bench rig\" ");
    EXPECT_EQ("\"Bench rig\" ", store.GetString(kComSettingsSection, kPortDisplayNameValue));
}
