#include "comm/CPrivateException.h"
#include "model/CIniFile.h"

#include <gtest/gtest.h>

TEST(IniFile, ProfileRulesForNamesValuesAndIntegers) {
    CIniFile ini = CIniFile::Parse("; comment\n[Settings]\r\nTempUnit = 2 \r\nName= ' quoted '\n"
                                   "Num=12abc\nBad=abc\nTempUnit=9\n[settings]\nLater=1\n");
    EXPECT_EQ(2, ini.GetInt("SETTINGS", "tempunit", 0));
    EXPECT_EQ(" quoted ", ini.GetString("settings", "NAME"));
    EXPECT_EQ(12, ini.GetInt("Settings", "Num", 5));
    EXPECT_EQ(0, ini.GetInt("Settings", "Bad", 5));
    EXPECT_EQ(5, ini.GetInt("Settings", "Missing", 5));
    EXPECT_EQ("1", ini.GetString("Settings", "Later"));
    EXPECT_EQ("dflt", ini.GetString("Nope", "x", "dflt"));
}

TEST(IniFile, SetKeepsOrderAndSerializesCrlf) {
    CIniFile ini;
    ini.SetString("B", "k1", "v1");
    ini.SetInt("A", "n", -3);
    ini.SetString("b", "K1", "v2");
    ini.SetString("B", "k2", "line\nbreak");
    EXPECT_EQ("[B]\r\nk1=v2\r\nk2=line break\r\n[A]\r\nn=-3\r\n", ini.Serialize());
    EXPECT_EQ(ini.Serialize(), CIniFile::Parse(ini.Serialize()).Serialize());
}
