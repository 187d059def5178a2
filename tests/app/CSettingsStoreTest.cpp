#include "app/CSettingsStore.h"

#include "comm/CPrivateException.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <sys/stat.h>

TEST(SettingsStore, PathFollowsXdgConfigHomeThenHome) {
    {
        CScopedEnv config("XDG_CONFIG_HOME", "/xdg/config");
        EXPECT_EQ("/xdg/config/Drennic/q3config.ini", CSettingsStore::DefaultPath("q3config"));
        EXPECT_EQ("/xdg/config/Drennic/q3config.ini", CSettingsStore().Path());
        EXPECT_EQ("/xdg/config/Drennic/other.ini", CSettingsStore("other").Path());
    }
    {
        CScopedEnv config("XDG_CONFIG_HOME", nullptr);
        CScopedEnv home("HOME", "/home/engineer");
        EXPECT_EQ("/home/engineer/.config/Drennic/q3config.ini",
                  CSettingsStore::DefaultPath("q3config"));
    }
    {
        // A relative XDG_CONFIG_HOME is to be ignored.
        CScopedEnv config("XDG_CONFIG_HOME", "relative/dir");
        CScopedEnv home("HOME", "/home/engineer");
        EXPECT_EQ("/home/engineer/.config/Drennic/q3config.ini",
                  CSettingsStore::DefaultPath("q3config"));
    }
}

TEST(SettingsStore, MissingFileGivesDefaults) {
    TempDir dir;
    CSettingsStore store = CSettingsStore::AtPath(dir.File("none/q3config.ini"));
    EXPECT_EQ("COM1", store.GetString("ComSettings", "COMPortName", "COM1"));
    EXPECT_EQ(-1, store.GetInt("Settings", "DisplayLanguage", -1));
}

TEST(SettingsStore, WritesCreateTheDirectoryAndKeepOtherValues) {
    TempDir dir;
    CScopedEnv config("XDG_CONFIG_HOME", dir.Path().c_str());
    CSettingsStore store;
    store.SetInt(kSettingsSection, kTempUnitValue, 2);
    store.SetInt(kSettingsSection, kDeviceIdValue, 10);
    store.SetString(kComSettingsSection, kPortNameValue, "/dev/ttyUSB0");
    store.SetString(kComSettingsSection, kPortDisplayNameValue, "USB Serial (ttyUSB0)");
    store.SetInt(kSettingsSection, kTempUnitValue, 1);
    CSettingsStore reader; // another process reads the same file
    EXPECT_EQ(1, reader.GetInt("Settings", "TempUnit", 0));
    EXPECT_EQ(10, reader.GetInt("Settings", "DeviceId", 9));
    EXPECT_EQ("/dev/ttyUSB0", reader.GetString("ComSettings", "COMPortName"));
    EXPECT_EQ("USB Serial (ttyUSB0)", reader.GetString("ComSettings", "COMPortDisplayName"));
    std::string text = ReadWholeFile(dir.Path() + "/Drennic/q3config.ini");
    EXPECT_NE(std::string::npos, text.find("[Settings]"));
    EXPECT_NE(std::string::npos, text.find("[ComSettings]"));
}

TEST(SettingsStore, UnwritableLocationRaisesNamingIt) {
    TempDir dir;
    WriteWholeFile(dir.File("file"), "x");
    CSettingsStore store = CSettingsStore::AtPath(dir.File("file/sub/q3config.ini"));
    try {
        store.SetInt("Settings", "TempUnit", 1);
        FAIL() << "no error";
    } catch (const CPrivateException& e) {
        EXPECT_NE(std::string::npos, e.Message().find(dir.File("file")));
    }
    EXPECT_EQ(0, store.GetInt("Settings", "TempUnit", 0));
}

// A settings file that exists but cannot be read (not text, a FIFO) reads as defaults, yet is
// never replaced by a file of defaults: a write raises and leaves it as it was.
TEST(SettingsStore, AnUnreadableFileIsNeverReplacedByDefaults) {
    TempDir dir;
    const std::string path = dir.File("q3config.ini");
    const std::string binary("[Settings]\r\nTempUnit=2\r\n\0\x01", 26);
    WriteWholeFile(path, binary);
    CSettingsStore store = CSettingsStore::AtPath(path);
    EXPECT_EQ(0, store.GetInt("Settings", "TempUnit", 0));
    EXPECT_THROW(store.SetInt("Settings", "DeviceId", 10), CPrivateException);
    EXPECT_EQ(binary, ReadWholeFile(path));

    const std::string fifo = dir.File("fifo.ini");
    ASSERT_EQ(0, ::mkfifo(fifo.c_str(), 0600));
    CSettingsStore piped = CSettingsStore::AtPath(fifo);
    EXPECT_EQ(7, piped.GetInt("Settings", "TempUnit", 7)); // at once: never waits for a writer
    EXPECT_THROW(piped.SetInt("Settings", "TempUnit", 1), CPrivateException);
}
