#include "cli/CliMain.h"
#include "tests/support/ModelFixture.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

namespace {
class Cli : public ModelFixture {
protected:
    TempDir dir;
    std::string file = dir.File("dev.cfg");
    std::string out, err;

    int Run(std::vector<std::string> args) {
        args.insert(args.begin(), "q3cli");
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        std::ostringstream o, e;
        int rc = RunCli(static_cast<int>(argv.size()), argv.data(), o, e);
        out = o.str();
        err = e.str();
        return rc;
    }
};
} // namespace

TEST_F(Cli, NewWritesDefaultsAndRefusesToOverwrite) {
    ASSERT_EQ(0, Run({"new", "q3va1", file}));
    EXPECT_NE(std::string::npos, ReadWholeFile(file).find("MODEL=1002\r\n"));
    EXPECT_EQ(1, Run({"new", "1001", file}));
    EXPECT_NE(std::string::npos, err.find("exists already"));
    EXPECT_EQ(0, Run({"new", "1001", file, "--force"}));
    EXPECT_NE(std::string::npos, ReadWholeFile(file).find("MODEL=1001\r\n"));
    EXPECT_EQ(2, Run({"new", "Q3XX", file}));
    EXPECT_EQ("q3cli: unknown model: Q3XX\n", err);
}

TEST_F(Cli, ShowListsNameAndDisplayTextInTheChosenUnit) {
    ASSERT_EQ(0, Run({"new", "Q3VA", file}));
    ASSERT_EQ(0, Run({"show", file, "--group", "0", "--unit", "F"}));
    EXPECT_EQ(0u, out.find("65000\tInput\t\n0\tInput type\tRTD JPt100 (JIS'89)\n"
                           "1\t0% input\t32.0000 (deg F)\n2\t100% input\t212.0000 (deg F)\n"));
    ASSERT_EQ(0, Run({"show", file}));
    EXPECT_NE(std::string::npos, out.find("21307\tR[299]\t0.0000 (Ohm)\n"));
    EXPECT_EQ(std::string::npos, out.find("60000"));
}

TEST_F(Cli, SetAppliesCheckedEditsAndSaves) {
    ASSERT_EQ(0, Run({"new", "Q3VA", file}));
    ASSERT_EQ(0, Run({"set", file, "0", "RTD Cu10 (25 deg C)"}));
    ASSERT_EQ(0, Run({"get", file, "2"}));
    EXPECT_EQ("250.0000\n", out);
    ASSERT_EQ(0, Run({"set", file, "2", "212", "--unit", "F"}));
    ASSERT_EQ(0, Run({"get", file, "2"}));
    EXPECT_EQ("100.0000\n", out);
    ASSERT_EQ(0, Run({"set", file, "100", "2"}));
    ASSERT_EQ(0, Run({"get", file, "103"}));
    EXPECT_EQ("-12.0000\n", out);
}

TEST_F(Cli, RejectedValueLeavesTheFileByteForByte) {
    ASSERT_EQ(0, Run({"new", "Q3VA", file}));
    ASSERT_EQ(0, Run({"set", file, "0", "5"}));
    std::string before = ReadWholeFile(file);
    EXPECT_EQ(1, Run({"set", file, "1", "250"}));
    EXPECT_EQ("q3cli: 0% input should be a from -65.0000 to 249.9999. \n", err);
    EXPECT_EQ(1, Run({"set", file, "51", "abc"}));
    EXPECT_EQ("q3cli: This parameter must set the numerical value. \n", err);
    EXPECT_EQ(1, Run({"set", file, "63", "5 wires"}));
    EXPECT_NE(std::string::npos, err.find("0 \"2 wires\""));
    EXPECT_EQ(1, Run({"set", file, "66", "10"}));
    EXPECT_NE(std::string::npos, err.find("cannot be edited"));
    EXPECT_EQ(1, Run({"set", file, "65000", "1"}));
    EXPECT_EQ(1, Run({"set", file, "60000", "1"}));
    EXPECT_NE(std::string::npos, err.find("does not exist"));
    EXPECT_EQ(before, ReadWholeFile(file));
}

TEST_F(Cli, UsageErrorsExitTwoWithOneLine) {
    EXPECT_EQ(2, Run({}));
    EXPECT_EQ(2, Run({"show"}));
    EXPECT_EQ(2, Run({"show", file, "--group"}));
    EXPECT_EQ(2, Run({"get", file, "x1"}));
    EXPECT_EQ(2, Run({"--unit", "R", "show", file}));
    EXPECT_EQ(2, Run({"--bogus"}));
    EXPECT_EQ(1, std::count(err.begin(), err.end(), '\n'));
    EXPECT_EQ(0, Run({"--help"}));
    EXPECT_NE(std::string::npos, out.find("import-table"));
}

TEST_F(Cli, UnreadableFileIsOneClearError) {
    EXPECT_EQ(3, Run({"show", dir.File("missing.cfg")}));
    EXPECT_NE(std::string::npos, err.find("missing.cfg"));
    WriteWholeFile(file, "[HEAD]\r\nMODEL=4711\r\n");
    EXPECT_EQ(3, Run({"get", file, "0"}));
    EXPECT_EQ("q3cli: This parameter file is not match this model.\n", err);
}

// The command line as engineers type it: a 0 % input below zero, "--opt=value", "--" before
// arguments, and --version.
TEST_F(Cli, NegativeValuesOptionEqualsValueAndDoubleDash) {
    ASSERT_EQ(0, Run({"new", "Q3VA", file}));
    ASSERT_EQ(0, Run({"set", file, "1", "-50"})) << err;
    ASSERT_EQ(0, Run({"get", file, "1"}));
    EXPECT_EQ("-50.0000\n", out);
    ASSERT_EQ(0, Run({"set", "--unit=F", file, "--", "1", "-40"})) << err;
    ASSERT_EQ(0, Run({"get", file, "1"}));
    EXPECT_EQ("-40.0000\n", out); // -40 deg F is -40 deg C
    EXPECT_EQ(2, Run({"set", file, "1", "-x"}));
    EXPECT_EQ("q3cli: unknown option: -x\n", err);
    EXPECT_EQ(0, Run({"--version"}));
    EXPECT_EQ("q3cli (Q3 Configurator) 1.0.0\n", out);
}
