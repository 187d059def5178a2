#include "cli/CliMain.h"
#include "resources/CStringTable.h"
#include "tests/support/ModelFixture.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {
// The two table formats share their English open and structure texts; tell them apart here.
constexpr StringEntry kTableTexts[] = {
    {30000, "xy: can not open"},       {30002, "xy: structure"},
    {30003, "xy: too many"},           {30300, "temperature: can not open"},
    {30302, "temperature: structure"}, {30303, "temperature: too many"},
};

class TableCommands : public ModelFixture {
protected:
    TempDir dir;
    std::string cfg = dir.File("set.cfg");
    std::string table = dir.File("table.txt");
    std::string out, err;

    void SetUp() override {
        ModelFixture::SetUp();
        CStringTable::UseTable(kTableTexts, std::size(kTableTexts));
    }
    void TearDown() override {
        CStringTable::UseTable(nullptr, 0);
        ModelFixture::TearDown();
    }

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
    static std::string Replace(std::string s, const std::string& from, const std::string& to) {
        auto pos = s.find(from);
        EXPECT_NE(std::string::npos, pos) << from;
        if (pos != std::string::npos)
            s.replace(pos, from.size(), to);
        return s;
    }
    std::string Get(const std::string& id) {
        EXPECT_EQ(0, Run({"get", cfg, id})) << err;
        return out.substr(0, out.size() - 1);
    }
    void New(const std::string& model) { ASSERT_EQ(0, Run({"new", model, cfg, "--force"})) << err; }
};
} // namespace

TEST_F(TableCommands, NewAcceptsEveryModelByNameAndNumber) {
    struct {
        const char* name;
        const char* number;
        const char* inputType; // the model's default
        const char* tableKey;  // first key of its table
    } const models[] = {
        {"Q3VA", "1001", "0", "P21000="},  {"Q3VA1", "1002", "0", "P21000="},
        {"q3vb", "1011", "2", "P20001=2"}, {"Q3VB1", "1012", "2", "P20001=2"},
        {"Q3VC", "1021", "0", "P20001=2"}, {"Q3VC1", "1022", "0", "P20001=2"},
        {"Q3VD", "1031", "0", "P21005="},  {"Q3VD1", "1032", "0", "P21005="},
    };
    for (const auto& m : models) {
        for (const char* given : {m.name, m.number}) {
            New(given);
            std::string text = ReadWholeFile(cfg);
            EXPECT_NE(std::string::npos, text.find(std::string("MODEL=") + m.number)) << given;
            EXPECT_NE(std::string::npos, text.find(m.tableKey)) << given;
            EXPECT_EQ(m.inputType, Get("0")) << given;
        }
    }
}

TEST_F(TableCommands, TemperatureTableIntoTheCustomRtdTable) {
    New("Q3VA");
    WriteWholeFile(table, "// Pt200 copy\nMinimum RTD Temperature = -50\n  Step = 10\n{\n"
                          "80.31\n\t84.27\n88.22\n}\n");
    ASSERT_EQ(0, Run({"import-table", cfg, table})) << err;
    EXPECT_EQ("", err);
    EXPECT_EQ("3", Get("21007"));
    EXPECT_EQ("-50.0000", Get("21005"));
    EXPECT_EQ("10", Get("21006"));
    EXPECT_EQ("84.2700", Get("21009"));
    EXPECT_EQ("88.2200", Get("21010"));
    EXPECT_EQ("0.0000", Get("21011"));
}

TEST_F(TableCommands, OrderFaultIsAWarningAndTheValuesAreStored) {
    New("Q3VD");
    WriteWholeFile(table, "Minimum TC Temperature = 0\nStep = 50\n{\n0\n2.023\n1.5\n8.138\n}\n");
    ASSERT_EQ(0, Run({"import-table", cfg, table}));
    EXPECT_EQ("q3cli: warning: Invalid resistance value order in the table file.(line 2)\n", err);
    EXPECT_EQ("4", Get("21007"));
    EXPECT_EQ("1.5000", Get("21010"));
    EXPECT_EQ("8.1380", Get("21011"));
    WriteWholeFile(table, "Minimum Temperature = 0\nStep = 1\n{\n5\n5\n}\n");
    ASSERT_EQ(0, Run({"import-table", cfg, table}));
    EXPECT_EQ("q3cli: warning: Invalid resistance value order in the table file.(line 1)\n", err);
}

TEST_F(TableCommands, XYTableIntoThePotentiometerAndDcModels) {
    for (const char* model : {"Q3VB", "Q3VC1"}) {
        New(model);
        WriteWholeFile(table, "header text\n{\n100, 0\n50.00006,12.34564\n-0.00007, 99.99996\n}\n");
        ASSERT_EQ(0, Run({"import-table", cfg, table})) << err;
        // No order check on take-over: the falling X values are stored without a word.
        EXPECT_EQ("", err);
        EXPECT_EQ("3", Get("20001"));
        EXPECT_EQ("100.0000", Get("20002"));
        EXPECT_EQ("50.0001", Get("20004"));
        EXPECT_EQ("12.3456", Get("20005"));
        EXPECT_EQ("-0.0001", Get("20006"));
        EXPECT_EQ("100.0000", Get("20007"));
        EXPECT_EQ("0.0000", Get("20008"));
    }
}

TEST_F(TableCommands, ReadErrorsPrintTheTableMessageAndChangeNothing) {
    New("Q3VA");
    std::string before = ReadWholeFile(cfg);
    EXPECT_EQ(3, Run({"import-table", cfg, dir.File("missing.txt")}));
    EXPECT_EQ("q3cli: temperature: can not open\n", err);
    // An XY file has no start and step before its "{".
    WriteWholeFile(table, "{\n1, 2\n3, 4\n}\n");
    EXPECT_EQ(3, Run({"import-table", cfg, table}));
    EXPECT_EQ("q3cli: temperature: structure\n", err);
    std::string many = "Minimum Temperature = 0\nStep = 1\n{\n";
    for (int i = 0; i < 301; ++i)
        many += std::to_string(i) + "\n";
    WriteWholeFile(table, many + "}\n");
    EXPECT_EQ(3, Run({"import-table", cfg, table}));
    EXPECT_EQ("q3cli: temperature: too many\n", err);
    WriteWholeFile(table, "Minimum Temperature = -300.0001\nStep = 1\n{\n1\n}\n");
    EXPECT_EQ(3, Run({"import-table", cfg, table}));
    EXPECT_EQ("q3cli: Invalid start temperature in the table file.\n", err);
    EXPECT_EQ(before, ReadWholeFile(cfg));

    New("Q3VB");
    before = ReadWholeFile(cfg);
    // A temperature file holds no pair for the XY reader: refused at its first value.
    WriteWholeFile(table, "Minimum Temperature = 0\nStep = 1\n{\n1\n2\n}\n");
    EXPECT_EQ(3, Run({"import-table", cfg, table}));
    EXPECT_EQ("q3cli: The table file " + table + " holds a value in line 4 that can not be read.\n",
              err);
    EXPECT_EQ(3, Run({"import-table", cfg, dir.Path()}));
    EXPECT_EQ("q3cli: xy: can not open\n", err);
    EXPECT_EQ(before, ReadWholeFile(cfg));
}

TEST_F(TableCommands, MaximumTablesFitAndTheCountIsKept) {
    New("Q3VC");
    std::string pairs = "{\n";
    for (int i = 0; i < 101; ++i)
        pairs += std::to_string(i) + ", " + std::to_string(100 - i) + "\n";
    WriteWholeFile(table, pairs + "}\n");
    ASSERT_EQ(0, Run({"import-table", cfg, table})) << err;
    EXPECT_EQ("101", Get("20001"));
    EXPECT_EQ("100.0000", Get("20202"));
    EXPECT_EQ("0.0000", Get("20203"));
    WriteWholeFile(table, pairs + "101, 0\n}\n");
    EXPECT_EQ(3, Run({"import-table", cfg, table}));
    EXPECT_EQ("q3cli: xy: too many\n", err);
}

TEST_F(TableCommands, ExportWritesThePointsInUse) {
    New("Q3VA");
    ASSERT_EQ(0, Run({"export-table", cfg, table})) << err;
    EXPECT_EQ("Minimum Temperature = 0.0000\nStep = 1\n{\n0.0000\n0.0001\n}\n",
              ReadWholeFile(table));
    New("Q3VB1");
    ASSERT_EQ(0, Run({"export-table", cfg, table})) << err;
    EXPECT_EQ("{\n-15.0000, -15.0000\n115.0000, 115.0000\n}\n", ReadWholeFile(table));
    ASSERT_EQ(0, Run({"set", cfg, "20001", "3"}));
    ASSERT_EQ(0, Run({"set", cfg, "20006", "115"}));
    ASSERT_EQ(0, Run({"export-table", cfg, table}));
    EXPECT_EQ("{\n-15.0000, -15.0000\n115.0000, 115.0000\n115.0000, 0.0000\n}\n",
              ReadWholeFile(table));
}

TEST_F(TableCommands, ExportThenImportLeavesTheParameterFileByteForByte) {
    New("Q3VD1");
    WriteWholeFile(table,
                   "Minimum Temperature = -270.5\nStep = 25\n{\n-6.458\n-6.441\n-6.404\n}\n");
    ASSERT_EQ(0, Run({"import-table", cfg, table}));
    std::string before = ReadWholeFile(cfg);
    std::string exported = dir.File("exported.txt");
    ASSERT_EQ(0, Run({"export-table", cfg, exported}));
    EXPECT_EQ("Minimum Temperature = -270.5000\nStep = 25\n{\n-6.4580\n-6.4410\n-6.4040\n}\n",
              ReadWholeFile(exported));
    ASSERT_EQ(0, Run({"import-table", cfg, exported}));
    EXPECT_EQ(before, ReadWholeFile(cfg));
}

TEST_F(TableCommands, ExportRefusesAnEmptyTableAndReportsWriteErrors) {
    New("Q3VA");
    WriteWholeFile(cfg, Replace(ReadWholeFile(cfg), "P21007=2", "P21007=0"));
    EXPECT_EQ(1, Run({"export-table", cfg, table}));
    EXPECT_NE(std::string::npos, err.find("holds no table points"));
    New("Q3VC");
    EXPECT_EQ(3, Run({"export-table", cfg, dir.File("no/such/dir.txt")}));
    EXPECT_EQ("q3cli: xy: can not open\n", err);
}

TEST_F(TableCommands, WrongArgumentsAreUsageErrors) {
    New("Q3VA");
    EXPECT_EQ(2, Run({"import-table", cfg}));
    EXPECT_EQ("q3cli: usage: q3cli import-table CFG TABLEFILE\n", err);
    EXPECT_EQ(2, Run({"export-table", cfg, table, "extra"}));
    EXPECT_EQ(3, Run({"export-table", dir.File("none.cfg"), table}));
    EXPECT_NE(std::string::npos, err.find("none.cfg"));
}
