#include "tables/CTableFile.h"

#include "tests/support/CFaultySystemCalls.h"
#include "tests/tables/TableTestSupport.h"

#include <cerrno>
#include <cmath>
#include <filesystem>
#include <sys/stat.h>

namespace {
class TableFile : public TableMessages {
protected:
    // Reads content as a table file; the message of a throw, else empty.
    std::string Read(const std::string& content) {
        std::string path = m_dir.File("t.tbl");
        WriteWholeFile(path, content);
        return ThrownMessage([&] { m_table.read(path); });
    }

    std::string Pairs(int n) {
        std::string s = "{\n";
        for (int i = 0; i < n; ++i)
            s += std::to_string(i) + ".5," + std::to_string(i * 2) + "\n";
        return s + "}\n";
    }

    CTableFile m_table;
};
} // namespace

TEST_F(TableFile, CommentsBlankAndIndentedLinesReadAsClean) {
    ASSERT_EQ("(nothing thrown)", Read("{\n1.5,2\n-3,4.25\n}\n"));
    std::vector<double> x = m_table.xValues;
    std::vector<double> y = m_table.yValues;
    ASSERT_EQ(2u, x.size());

    ASSERT_EQ("(nothing thrown)",
              Read("Linearizer of pump 3\n/ comment before\n\n  \t{\n/ inside\n\n"
                   "\t  1.5,2\n   \n  -3,  4.25\n\t}\ntrailing text\n"));
    EXPECT_EQ(x, m_table.xValues);
    EXPECT_EQ(y, m_table.yValues);
    EXPECT_EQ(std::vector<double>({1.5, -3}), x);
    EXPECT_EQ(std::vector<double>({2, 4.25}), y);
}

// A line inside the braces that is not a pair is refused with its line number, never skipped
// (every later pair would be lost or moved); numbers the device cannot hold are refused too.
TEST_F(TableFile, LinesThatAreNotPairsAreRefusedWithTheirLine) {
    ASSERT_EQ("(nothing thrown)", Read("{\n3,\t 4\n1e-999,5\n+2,.5\n0x10,1\n}\n"));
    // Underflow reads as zero, as strtod gives it; hexadecimal is a C "%lf" number.
    EXPECT_EQ(std::vector<double>({3, 0, 2, 16}), m_table.xValues);
    EXPECT_EQ(std::vector<double>({4, 5, 0.5, 1}), m_table.yValues);
    const std::string path = m_dir.File("t.tbl");
    for (const char* bad : {"1 ,2", "5;6", "7", "8,x", "1e999,1", "1,-1e999", "nan,1", "inf,2",
                            "infinity,3", "+-1,2", ".,1"})
        EXPECT_EQ("The table file " + path + " holds a value in line 3 that can not be read.",
                  Read(std::string("{\n1,2\n") + bad + "\n3,4\n}\n"))
            << bad;
    EXPECT_EQ("The table file " + path +
                  " holds a value in line 2 outside -214748.3647 to 214748.3647.",
              Read("{\n1e300,1\n}\n"));
}

TEST_F(TableFile, ExactlyMaxPairsReadAndOneMoreThrows) {
    ASSERT_EQ("(nothing thrown)", Read(Pairs(101)));
    EXPECT_EQ(101u, m_table.xValues.size());
    EXPECT_DOUBLE_EQ(100.5, m_table.xValues.back());
    EXPECT_DOUBLE_EQ(200, m_table.yValues.back());
    EXPECT_EQ(LoadStr(30003), Read(Pairs(102)));
}

TEST_F(TableFile, MissingBracesOrPairsThrowStructure) {
    EXPECT_EQ(LoadStr(30002), Read("1,2\n3,4\n"));    // never opened
    EXPECT_EQ(LoadStr(30002), Read("{\n1,2\n3,4\n")); // never closed
    EXPECT_EQ(LoadStr(30002), Read("{\n}\n"));        // no pair
    EXPECT_EQ(LoadStr(30002), Read(""));
}

TEST_F(TableFile, LastLineWithoutLineFeedCounts) {
    EXPECT_EQ("(nothing thrown)", Read("{\n1,2\n}"));
    EXPECT_EQ(LoadStr(30002), Read("{\n1,2"));
    EXPECT_EQ("(nothing thrown)", Read("{\r\n1,2\r\n\r\n3,4\r\n}\r\n")); // CR LF lines
    EXPECT_EQ(2u, m_table.xValues.size());
}

TEST_F(TableFile, OpenFailuresThrowOpenError) {
    EXPECT_EQ(LoadStr(30000), ThrownMessage([&] { m_table.read(m_dir.File("missing")); }));
    EXPECT_EQ(LoadStr(30000), ThrownMessage([&] { m_table.read(m_dir.Path()); }));
    // A FIFO without a writer would block a plain open; it is refused at once.
    std::string fifo = m_dir.File("fifo");
    ASSERT_EQ(0, mkfifo(fifo.c_str(), 0600));
    EXPECT_EQ(LoadStr(30000), ThrownMessage([&] { m_table.read(fifo); }));
    EXPECT_EQ(LoadStr(30000), ThrownMessage([&] { m_table.read("/dev/zero"); }));
}

TEST_F(TableFile, ReadErrorMidFileThrowsOpenError) {
    CFaultySystemCalls calls;
    WriteWholeFile(m_dir.File("t.tbl"), "{\n1,2\n}\n");
    calls.read = [](int, void*, std::size_t) -> ssize_t {
        errno = EIO;
        return -1;
    };
    std::string message = ThrownMessage([&] { m_table.read(m_dir.File("t.tbl")); });
    calls.Reset();
    EXPECT_EQ(LoadStr(30000), message);
}

TEST_F(TableFile, ReadClearsPreviousValues) {
    m_table.xValues = {9, 9, 9};
    m_table.yValues = {9, 9, 9};
    ASSERT_EQ("(nothing thrown)", Read("{\n1,2\n}\n"));
    EXPECT_EQ(std::vector<double>({1}), m_table.xValues);
}

TEST_F(TableFile, NulByteEndsTheLineText) {
    using namespace std::string_literals;
    ASSERT_EQ("(nothing thrown)", Read("{\n1,2\0,junk\n}\0x\n"s));
    EXPECT_EQ(std::vector<double>({1}), m_table.xValues);
    EXPECT_EQ(std::vector<double>({2}), m_table.yValues);
}

TEST_F(TableFile, OverlongLinesOutsideTheBracesAreSkippedInsideRefused) {
    // Exactly the limit is still a line; one byte more is not.
    std::string limitPair = std::string(4093, ' ') + "7,8\n";
    ASSERT_EQ(4096u, limitPair.size() - 1);
    ASSERT_EQ("(nothing thrown)", Read(std::string(5000, 'x') + "\n{\n" + limitPair + "1,2\n}\n"));
    EXPECT_EQ(std::vector<double>({7, 1}), m_table.xValues);
    EXPECT_EQ("The table file " + m_dir.File("t.tbl") +
                  " holds a value in line 2 that can not be read.",
              Read("{\n" + std::string(4094, ' ') + "9,9\n}\n"));
    EXPECT_EQ(LoadStr(30002), Read("{" + std::string(5000, ' ') + "\n1,2\n}\n"));
}

TEST_F(TableFile, BinaryGarbageNeverCrashes) {
    std::string garbage;
    unsigned seed = 12345;
    for (int i = 0; i < 200000; ++i) {
        seed = seed * 1103515245 + 12345;
        garbage += static_cast<char>(seed >> 16);
    }
    std::string message = Read(garbage);
    EXPECT_TRUE(message == LoadStr(30002) || message == LoadStr(30003) ||
                message == "(nothing thrown)")
        << message;
    for (double v : m_table.xValues)
        EXPECT_TRUE(std::isfinite(v));
    EXPECT_LE(m_table.xValues.size(), 101u);
}

TEST_F(TableFile, MillionsOfLinesStopAtTheLimitOrReadThrough) {
    std::string pairs = "{\n";
    for (int i = 0; i < 1000000; ++i)
        pairs += "1,2\n";
    EXPECT_EQ(LoadStr(30003), Read(pairs));
    EXPECT_EQ(101u, m_table.xValues.size());

    std::string comments;
    for (int i = 0; i < 2000000; ++i)
        comments += "/\n";
    EXPECT_EQ("(nothing thrown)", Read(comments + "{\n" + comments + "1,2\n}\n"));
    EXPECT_EQ(1u, m_table.xValues.size());
}

TEST_F(TableFile, WriteFormatAndRoundTrip) {
    m_table.xValues = {0, 12.345678, -15, 115.00004};
    m_table.yValues = {0.00005, -0.5, 99.99999, 1};
    std::string path = m_dir.File("out.tbl");
    ASSERT_EQ("(nothing thrown)", ThrownMessage([&] { m_table.write(path); }));
    EXPECT_EQ("{\n0.0000, 0.0001\n12.3457, -0.5000\n-15.0000, 100.0000\n115.0000, 1.0000\n}\n",
              ReadWholeFile(path));

    CTableFile back;
    back.read(path);
    ASSERT_EQ(4u, back.xValues.size());
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_NEAR(m_table.xValues[i], back.xValues[i], 0.0000501);
        EXPECT_NEAR(m_table.yValues[i], back.yValues[i], 0.0000501);
    }
    EXPECT_DOUBLE_EQ(12.3457, back.xValues[1]); // the fifth decimal is gone
}

TEST_F(TableFile, WriteFailuresKeepTheExistingFile) {
    CFaultySystemCalls calls;
    std::string path = m_dir.File("keep.tbl");
    WriteWholeFile(path, "{\n1,2\n}\n");
    m_table.xValues = {1, 2};
    m_table.yValues = {3, 4};

    calls.write = [](int, const void*, std::size_t) -> ssize_t {
        errno = ENOSPC;
        return -1;
    };
    std::string message = ThrownMessage([&] { m_table.write(path); });
    calls.Reset();
    EXPECT_EQ(LoadStr(30001), message);
    EXPECT_EQ("{\n1,2\n}\n", ReadWholeFile(path));
    EXPECT_EQ(1, std::distance(std::filesystem::directory_iterator(m_dir.Path()),
                               std::filesystem::directory_iterator()))
        << "the temporary file was left behind";

    m_table.yValues = {3, std::nan("")};
    EXPECT_EQ(LoadStr(30001), ThrownMessage([&] { m_table.write(path); }));
    m_table.yValues = {3};
    EXPECT_EQ(LoadStr(30001), ThrownMessage([&] { m_table.write(path); }));
    EXPECT_EQ("{\n1,2\n}\n", ReadWholeFile(path));
}

TEST_F(TableFile, WriteOpenFailures) {
    m_table.xValues = {1};
    m_table.yValues = {2};
    EXPECT_EQ(LoadStr(30000), ThrownMessage([&] { m_table.write(m_dir.File("no/such.tbl")); }));
    EXPECT_EQ(LoadStr(30000), ThrownMessage([&] { m_table.write(m_dir.Path()); }));
}
