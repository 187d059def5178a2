#include "model/ParameterFile.h"
#include "model/CDeviceType.h"
#include "model/CIniFile.h"
#include "model/CParTypeQA.h"
#include "model/ParameterIds.h"
#include "tests/support/ModelFixture.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
class ParameterFile : public ModelFixture {
protected:
    TempDir dir;
    std::string path = dir.File("set.cfg");
};

std::string Replace(std::string s, const std::string& from, const std::string& to) {
    auto pos = s.find(from);
    EXPECT_NE(std::string::npos, pos) << from;
    if (pos != std::string::npos)
        s.replace(pos, from.size(), to);
    return s;
}
} // namespace

TEST_F(ParameterFile, DefaultFileHasTheKnownBeginningAndEnd) {
    CParTypeQA qa;
    qa.SaveFile(path);
    std::string text = ReadWholeFile(path);
    EXPECT_EQ(0u,
              text.find("[SETTING]\r\nP65000=\r\nP0=0\r\nP1=0.0000\r\nP2=100.0000\r\n"
                        "P51=0.0000\r\nP63=2\r\nP69=0\r\nP65010=\r\nP100=0\r\nP101=4.0000\r\n"));
    EXPECT_NE(std::string::npos, text.find("\r\nP21307=0.0000\r\n[HEAD]\r\nMODEL=1001\r\n"));
    EXPECT_EQ(text.size() - std::string("MODEL=1001\r\n").size(), text.rfind("MODEL=1001"));
    EXPECT_EQ(std::string::npos, text.find("P60000"));
    EXPECT_NE(std::string::npos, text.find("P21001=0\r\n"));
}

TEST_F(ParameterFile, SaveLoadSaveGivesTheSameBytes) {
    CParTypeQA qa;
    qa.SetValue(kIdInputType, 2, true);
    qa.SetValue(100, 1, true);
    qa.SetValue(21002, CParBase::FloatBits(0.00390802f), true);
    qa.SetValue(kIdCustomFirst + 7, 1234567, true);
    qa.SaveFile(path);
    std::string first = ReadWholeFile(path);
    CParTypeQA loaded;
    loaded.LoadFile(path);
    loaded.SaveFile(path);
    EXPECT_EQ(first, ReadWholeFile(path));
    EXPECT_EQ(1234567, loaded.GetValue(kIdCustomFirst + 7));
    EXPECT_EQ(-60000, loaded.GetValue(103));
}

TEST_F(ParameterFile, StoredValuesWinOverDerivedOnes) {
    CParTypeQA qa;
    qa.SetValue(100, 1, true);
    qa.SetValue(103, -60000, true);
    qa.SetValue(60, 3, true);
    qa.SetValue(66, 12345, true);
    qa.SaveFile(path);
    CParTypeQA loaded;
    loaded.LoadFile(path);
    EXPECT_EQ(-60000, loaded.GetValue(103));
    EXPECT_EQ(12345, loaded.GetValue(66));
}

TEST_F(ParameterFile, LfLinesMixedCaseAndBlanksAreRead) {
    CParTypeQA qa;
    qa.SetValue(2, 2000000, true);
    qa.SaveFile(path);
    std::string text = ReadWholeFile(path);
    std::string lf;
    for (char c : text)
        if (c != '\r')
            lf += c;
    lf = Replace(lf, "[SETTING]", "[setting]");
    lf = Replace(lf, "P2=200.0000", "  p2 =  \"150.5\"  ");
    lf = Replace(lf, "MODEL=1001", "model = 1001");
    WriteWholeFile(path, lf);
    CParTypeQA loaded;
    loaded.LoadFile(path);
    EXPECT_EQ(1505000, loaded.GetValue(2));
}

TEST_F(ParameterFile, OtherModelIsRejectedWithoutChanges) {
    CParTypeQA1 qa1;
    qa1.SaveFile(path);
    CParTypeQA qa;
    qa.SetValue(2, 2000000, true);
    EXPECT_EQ("This parameter file is not match this model.",
              ThrownMessage([&] { qa.LoadFile(path); }));
    EXPECT_EQ(2000000, qa.GetValue(2));
}

TEST_F(ParameterFile, MissingAndGarbageKeysKeepDefaultsMissingResponseIsStandard) {
    WriteWholeFile(path, "[SETTING]\r\nP1=-300\r\nP2=abc\r\nP51=1e300\r\nP63=0x10\r\n"
                         "P69=\r\n[HEAD]\r\nMODEL=1001\r\n");
    CParTypeQA qa;
    qa.SetValue(kIdResponseProperty, 1, true);
    qa.LoadFile(path);
    // What did not scan is said (and keeps its default); a missing key is not.
    EXPECT_EQ((std::vector<std::string>{"P2", "P51", "P63"}), qa.IgnoredKeys());
    // Below the setting minimum of the type, yet accepted: checks are off for files.
    EXPECT_EQ(-3000000, qa.GetValue(1));
    EXPECT_EQ(1000000, qa.GetValue(2));
    EXPECT_EQ(0, qa.GetValue(kIdResponseProperty));
    EXPECT_EQ(2, qa.GetValue(kIdSensorWires));
}

TEST_F(ParameterFile, FileWithoutHeadMatchesNoModel) {
    WriteWholeFile(path, "[SETTING]\r\nP0=1\r\n");
    auto set = OpenParameterFile(path);
    EXPECT_EQ(nullptr, set.set);
    EXPECT_EQ("This parameter file is not match this model.", set.error);
}

TEST_F(ParameterFile, OpenPicksTheClassFromModel) {
    CParTypeQA1 qa1;
    qa1.SetValue(101, 10000, true);
    qa1.SaveFile(path);
    auto opened = OpenParameterFile(path);
    ASSERT_NE(nullptr, opened.set);
    EXPECT_EQ(10, opened.set->TypeCode());
    EXPECT_EQ(10000, opened.set->GetValue(101));
}

TEST_F(ParameterFile, BinaryHugeMissingAndDirectoryGiveClearErrors) {
    WriteWholeFile(path, std::string("[HEAD]\r\nMODEL=1001\0\x01\x02", 21));
    EXPECT_NE(std::string::npos, OpenParameterFile(path).error.find("not a text file"));
    WriteWholeFile(path, std::string(CIniFile::kMaxFileSize + 1, 'x'));
    EXPECT_NE(std::string::npos, OpenParameterFile(path).error.find("too large"));
    EXPECT_NE(std::string::npos, OpenParameterFile(dir.File("none.cfg")).error.find("No such"));
    EXPECT_NE(std::string::npos, OpenParameterFile(dir.Path()).error.find("directory"));
}

// Files from editors and other people: a byte-order mark, a FIFO, a file of this model without
// its settings.
TEST_F(ParameterFile, FilesFromElsewhereLoadOrAreRefusedClearly) {
    CParTypeQA qa;
    qa.SetValue(kIdFilterTime, 25000, true);
    qa.SaveFile(path);
    WriteWholeFile(path, "\xEF\xBB\xBF" + ReadWholeFile(path));
    auto withMark = OpenParameterFile(path);
    ASSERT_NE(nullptr, withMark.set) << withMark.error;
    EXPECT_EQ(25000, withMark.set->GetValue(kIdFilterTime));

    std::string fifo = dir.File("fifo.cfg");
    ASSERT_EQ(0, ::mkfifo(fifo.c_str(), 0600));
    EXPECT_EQ("The file " + fifo + " is not a regular file.", OpenParameterFile(fifo).error);

    WriteWholeFile(path, "[HEAD]\r\nMODEL=1001\r\n");
    EXPECT_EQ("This parameter file is not match this model.", OpenParameterFile(path).error);
}

// Saving: through a symbolic link (which stays one), keeping the file's mode, never over a
// write-protected file, and clearing a temporary file that a killed save left behind.
TEST_F(ParameterFile, SaveKeepsLinksAndModesAndRefusesProtectedFiles) {
    CParTypeQA qa;
    std::string real = dir.File("real.cfg");
    qa.SaveFile(real);
    ASSERT_EQ(0, ::chmod(real.c_str(), 0600));
    ASSERT_EQ(0, ::symlink(real.c_str(), path.c_str()));
    qa.SetValue(kIdFilterTime, 35000, true);
    qa.SaveFile(path);
    struct stat st {};
    ASSERT_EQ(0, ::lstat(path.c_str(), &st));
    EXPECT_TRUE(S_ISLNK(st.st_mode)) << "the link was replaced by a file";
    ASSERT_EQ(0, ::stat(real.c_str(), &st));
    EXPECT_EQ(0600u, st.st_mode & 0777);
    EXPECT_NE(std::string::npos, ReadWholeFile(real).find("P51=3.5000"));

    ASSERT_EQ(0, ::chmod(real.c_str(), 0444));
    const std::string before = ReadWholeFile(real);
    qa.SetValue(kIdFilterTime, 45000, true);
    EXPECT_EQ("Can not write the file " + path + ": Permission denied",
              ThrownMessage([&] { qa.SaveFile(path); }));
    EXPECT_EQ(before, ReadWholeFile(real));

    // A save killed half-way (pid 999999999 is no process) leaves its temporary file; the next
    // save of the same target removes it.
    std::string stale = dir.File(".real.cfg.tmp-999999999-0");
    WriteWholeFile(stale, "half");
    ASSERT_EQ(0, ::chmod(real.c_str(), 0644));
    qa.SaveFile(path);
    EXPECT_NE(0, ::access(stale.c_str(), F_OK));
}

TEST_F(ParameterFile, SaveOverAnotherModelLeavesNoOldKeys) {
    WriteWholeFile(path, "[SETTING]\r\nP999=1\r\n[OTHER]\r\nX=1\r\n[HEAD]\r\nMODEL=1031\r\n");
    CParTypeQA qa;
    qa.SaveFile(path);
    std::string text = ReadWholeFile(path);
    EXPECT_EQ(std::string::npos, text.find("P999"));
    EXPECT_EQ(std::string::npos, text.find("OTHER"));
}

TEST_F(ParameterFile, FailedSaveKeepsTheOldFile) {
    CParTypeQA qa;
    qa.SaveFile(path);
    std::string before = ReadWholeFile(path);
    std::string sub = dir.File("ro");
    ASSERT_EQ(0, ::mkdir(sub.c_str(), 0500));
    std::string roPath = sub + "/x.cfg";
    if (::geteuid() != 0) {
        EXPECT_NE("", ThrownMessage([&] { qa.SaveFile(roPath); }));
    }
    EXPECT_NE("", ThrownMessage([&] { qa.SaveFile(dir.File("missing/dir/x.cfg")); }));
    EXPECT_EQ(before, ReadWholeFile(path));
}

TEST_F(ParameterFile, TemperaturesAreWrittenInCelsiusWhateverTheDisplayUnit) {
    CModelContext::SetTempUnit(kUnitFahrenheit);
    CParTypeQA qa;
    CEditResult edit{2, 0, "212", 0};
    qa.SetFromEditor(2, edit);
    qa.SaveFile(path);
    EXPECT_NE(std::string::npos, ReadWholeFile(path).find("P2=100.0000\r\n"));
    CModelContext::SetTempUnit(kUnitCelsius);
    CParTypeQA loaded;
    loaded.LoadFile(path);
    EXPECT_EQ("100.0000", loaded.GetDisplayText(2, false));
}

TEST(DeviceType, RegistryKeepsOrReplacesTheSet) {
    CDeviceType registry;
    EXPECT_EQ(9, registry.Current()->TypeCode());
    registry.Current()->SetValue(2, 2000000, true);
    EXPECT_EQ(2000000, registry.CreateParameterSet(9)->GetValue(2));
    CParBase* fresh = registry.CreateParameterSet(10);
    EXPECT_EQ(10, fresh->TypeCode());
    EXPECT_EQ(1000000, fresh->GetValue(2));
    EXPECT_EQ(fresh, registry.CreateParameterSet(99));
    EXPECT_EQ("", CDeviceType::GetTypeName(8));
    EXPECT_EQ("", CDeviceType::GetTypeName(17));
    EXPECT_EQ("Q3VA-*** (2 outputs)", CDeviceType::GetTypeName(9));
    EXPECT_EQ("Q3VD-**Y (1 outputs)", CDeviceType::GetTypeName(16));
    EXPECT_EQ(0, CDeviceType::TypeCodeFromModelNumber(1033));
    EXPECT_EQ(16, CDeviceType::TypeCodeFromModelNumber(1032));
    EXPECT_EQ(14, CDeviceType::TypeCodeFromModelNumber(1022));
}
