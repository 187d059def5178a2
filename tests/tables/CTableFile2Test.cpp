#include "tables/CTableFile2.h"

#include "tests/support/CFaultySystemCalls.h"
#include "tests/tables/TableTestSupport.h"

#include <cerrno>
#include <cmath>

namespace {
class TableFile2 : public TableMessages {
protected:
    std::string Read(const std::string& content) {
        std::string path = m_dir.File("t.tbl");
        WriteWholeFile(path, content);
        return ThrownMessage([&] { m_table.read(path); });
    }

    static std::string Header(const std::string& start = "-200", const std::string& step = "10") {
        return "Minimum Temperature = " + start + "\nStep = " + step + "\n";
    }

    static std::string Values(int n) {
        std::string s = "{\n";
        for (int i = 0; i < n; ++i)
            s += std::to_string(100 + i) + ".25\n";
        return s + "}\n";
    }

    CTableFile2 m_table;
};
} // namespace

TEST_F(TableFile2, CleanAndDecoratedFilesReadTheSame) {
    ASSERT_EQ("(nothing thrown)", Read(Header() + "{\n18.52\n100\n175.86\n}\n"));
    EXPECT_DOUBLE_EQ(-200, m_table.startTemperature);
    EXPECT_EQ(10, m_table.step);
    std::vector<double> clean = m_table.values;
    EXPECT_EQ(std::vector<double>({18.52, 100, 175.86}), clean);

    CTableFile2 other;
    m_table = other;
    ASSERT_EQ("(nothing thrown)",
              Read("/ Pt100 spare probe\n\n  Minimum RTD Temperature\t=  -200\n"
                   "Unrelated = 7\n\t Step   =10\n/ values\n  {\n\n  18.52\n/ x\n\t100  ohm\n"
                   " 175.86\n  }\n"));
    EXPECT_DOUBLE_EQ(-200, m_table.startTemperature);
    EXPECT_EQ(10, m_table.step);
    EXPECT_EQ(clean, m_table.values);
}

TEST_F(TableFile2, AllThreeStartCaptionsAreAccepted) {
    for (const char* caption :
         {"Minimum Temperature", "Minimum RTD Temperature", "Minimum TC Temperature"}) {
        ASSERT_EQ("(nothing thrown)", Read(std::string(caption) + " = 12.5\nStep = 5\n{\n1\n}\n"));
        EXPECT_DOUBLE_EQ(12.5, m_table.startTemperature) << caption;
    }
}

TEST_F(TableFile2, ExactlyMaxValuesReadAndOneMoreThrows) {
    ASSERT_EQ("(nothing thrown)", Read(Header() + Values(300)));
    EXPECT_EQ(300u, m_table.values.size());
    EXPECT_DOUBLE_EQ(399.25, m_table.values.back());
    EXPECT_EQ(LoadStr(30303), Read(Header() + Values(301)));
}

TEST_F(TableFile2, StartTemperatureLimits) {
    EXPECT_EQ("(nothing thrown)", Read("Minimum Temperature =-300\nStep = 1\n{\n1\n}\n"));
    EXPECT_DOUBLE_EQ(-300, m_table.startTemperature);
    EXPECT_EQ("(nothing thrown)", Read(Header("1000") + "{\n1\n}\n"));
    EXPECT_EQ(LoadStr(30304), Read("Minimum Temperature =-300.0001\nStep = 1\n{\n1\n}\n"));
    EXPECT_EQ(LoadStr(30304), Read(Header("1000.0001") + "{\n1\n}\n"));
    EXPECT_EQ(LoadStr(30304), Read(Header("1e999") + "{\n1\n}\n"));
    EXPECT_EQ(LoadStr(30304), Read(Header("-1e999") + "{\n1\n}\n"));
}

TEST_F(TableFile2, StartLinesWithoutANumberAreIgnored) {
    // Without any usable start line the table can not open.
    EXPECT_EQ(LoadStr(30302), Read(Header("nan") + "{\n1\n}\n"));
    EXPECT_EQ(LoadStr(30302), Read(Header("inf") + "{\n1\n}\n"));
    EXPECT_EQ(LoadStr(30302), Read(Header("") + "{\n1\n}\n"));
    EXPECT_EQ(LoadStr(30302), Read("Minimum Temperature 20\nStep = 1\n{\n1\n}\n"));
    // An ignored line does not replace an earlier start.
    ASSERT_EQ("(nothing thrown)",
              Read("Minimum Temperature = 20\nMinimum TC Temperature = nan\nStep = 1\n{\n1\n}\n"));
    EXPECT_DOUBLE_EQ(20, m_table.startTemperature);
}

TEST_F(TableFile2, StepLimits) {
    EXPECT_EQ(LoadStr(30305), Read(Header("0", "0") + "{\n1\n}\n"));
    EXPECT_EQ(LoadStr(30305), Read(Header("0", "51") + "{\n1\n}\n"));
    EXPECT_EQ(LoadStr(30305), Read(Header("0", "-5") + "{\n1\n}\n"));
    EXPECT_EQ(LoadStr(30305), Read(Header("0", "99999999999999999999") + "{\n1\n}\n"));
    EXPECT_EQ("(nothing thrown)", Read(Header("0", "50") + "{\n1\n}\n"));
    EXPECT_EQ(50, m_table.step);
    // "%d" stops at the period.
    EXPECT_EQ("(nothing thrown)", Read(Header("0", "7.9") + "{\n1\n}\n"));
    EXPECT_EQ(7, m_table.step);
    EXPECT_EQ(LoadStr(30302), Read(Header("0", "five") + "{\n1\n}\n"));
}

TEST_F(TableFile2, StructureErrors) {
    EXPECT_EQ(LoadStr(30302), Read("Minimum Temperature = 0\n{\nStep = 5\n1\n}\n"));
    EXPECT_EQ(LoadStr(30302), Read("Step = 5\n{\n1\n}\n"));
    EXPECT_EQ(LoadStr(30302), Read(Header() + "{\n1\n2\n"));
    EXPECT_EQ(LoadStr(30302), Read(Header()));
    EXPECT_EQ("(nothing thrown)", Read(Header() + "{\n1\n2\n}")); // no final line feed
    EXPECT_EQ(2u, m_table.values.size());
}

// A value line that does not scan is never skipped (every later temperature would move one
// step): the file is refused, naming the line. So is a value the device cannot hold.
TEST_F(TableFile2, ValueLinesThatDoNotScanAreRefusedWithTheirLine) {
    using namespace std::string_literals;
    const std::string path = m_dir.File("t.tbl");
    auto unreadable = [&](int line) {
        return "The table file " + path + " holds a value in line " + std::to_string(line) +
               " that can not be read.";
    };
    // The header takes two lines, "{" the third.
    for (const std::string& bad : {"1e999"s, "nan"s, "-inf"s, "x"s, std::string(6000, '5')})
        EXPECT_EQ(unreadable(5), Read(Header() + "{\n1\n" + bad + "\n6\n}\n"s));
    EXPECT_EQ("The table file " + path +
                  " holds a value in line 4 outside -214748.3647 to 214748.3647.",
              Read(Header() + "{\n1e300\n}\n"));
    ASSERT_EQ("(nothing thrown)", Read(Header() + "{\n3\0 4\n6\n}\n"s));
    EXPECT_EQ(std::vector<double>({3, 6}), m_table.values);
}

TEST_F(TableFile2, OpenFailuresUseTheTemperatureIds) {
    EXPECT_EQ(LoadStr(30300), ThrownMessage([&] { m_table.read(m_dir.File("missing")); }));
    EXPECT_EQ(LoadStr(30300), ThrownMessage([&] { m_table.read(m_dir.Path()); }));
}

TEST_F(TableFile2, WriteFormatAndRoundTrip) {
    m_table.startTemperature = -50.123456;
    m_table.step = 25;
    m_table.values = {18.52001, 100.00005, 2000};
    std::string path = m_dir.File("out.tbl");
    ASSERT_EQ("(nothing thrown)", ThrownMessage([&] { m_table.write(path); }));
    EXPECT_EQ("Minimum Temperature = -50.1235\nStep = 25\n{\n18.5200\n100.0001\n2000.0000\n}\n",
              ReadWholeFile(path));

    CTableFile2 back;
    back.read(path);
    EXPECT_NEAR(m_table.startTemperature, back.startTemperature, 0.0000501);
    EXPECT_EQ(25, back.step);
    ASSERT_EQ(3u, back.values.size());
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_NEAR(m_table.values[i], back.values[i], 0.0000501);
}

TEST_F(TableFile2, WriteFailures) {
    CFaultySystemCalls calls;
    std::string path = m_dir.File("keep.tbl");
    WriteWholeFile(path, "old");
    m_table.values = {1};
    calls.fsync = [](int) {
        errno = EIO;
        return -1;
    };
    std::string message = ThrownMessage([&] { m_table.write(path); });
    calls.Reset();
    EXPECT_EQ(LoadStr(30301), message);
    EXPECT_EQ("old", ReadWholeFile(path));

    m_table.startTemperature = std::nan("");
    EXPECT_EQ(LoadStr(30301), ThrownMessage([&] { m_table.write(path); }));
    m_table.startTemperature = 0;
    m_table.values = {1, INFINITY};
    EXPECT_EQ(LoadStr(30301), ThrownMessage([&] { m_table.write(path); }));
    EXPECT_EQ("old", ReadWholeFile(path));

    m_table.values = {1};
    EXPECT_EQ(LoadStr(30300), ThrownMessage([&] { m_table.write(m_dir.File("no/x.tbl")); }));
}
