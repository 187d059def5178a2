#include "history/CHistory.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <csignal>
#include <fstream>
#include <set>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {
HistoryEvent Event(const std::string& serial, const std::string& operation) {
    HistoryEvent e;
    e.model = "Q3VA";
    e.serial = serial;
    e.program = "q3cli";
    e.version = "1.0.0";
    e.port = "/dev/ttyUSB0";
    e.operation = operation;
    e.outcome = "ok";
    return e;
}

std::string IntegrityCheck(const std::string& path) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* statement = nullptr;
    std::string result = "(no answer)";
    if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &statement, nullptr) == SQLITE_OK &&
        sqlite3_step(statement) == SQLITE_ROW)
        result = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return result;
}

// Appends count events of its own serial from a child process; the child's exit status says
// how many failed.
pid_t AppendInChild(const std::string& path, const std::string& serial, int count) {
    pid_t pid = fork();
    if (pid == 0) {
        int failed = 0;
        for (int i = 0; i < count; ++i) {
            HistoryEvent e = Event(serial, "upload");
            failed += CHistory(path).Record(e) ? 0 : 1;
        }
        _exit(failed);
    }
    return pid;
}
} // namespace

TEST(History, RecordsAndReadsBackNewestFirstWithTheParameterSets) {
    TempDir dir;
    CHistory history(dir.File("data/q3config/history.sqlite3"));
    EXPECT_TRUE(history.List().empty()) << "no file yet: nothing, no error";
    HistoryEvent first = Event("SN-1", "upload");
    first.after = "[SETTING]\r\nP0=1\r\nP51=0.0000\r\n[HEAD]\r\nMODEL=1001\r\n";
    ASSERT_TRUE(history.Record(first));
    HistoryEvent write = Event("SN-1", "download");
    write.before = first.after;
    write.after = "[SETTING]\r\nP0=1\r\nP51=2.5000\r\n[HEAD]\r\nMODEL=1001\r\n";
    write.changed = ChangedKeys(write.before, write.after);
    ASSERT_TRUE(history.Record(write));
    HistoryEvent other = Event("SN-2", "compare");
    other.outcome = "failed";
    other.message = "No answer from the device.";
    ASSERT_TRUE(history.Record(other));

    EXPECT_EQ((std::vector<std::string>{"P51"}), write.changed);
    std::vector<HistoryEvent> all = history.List();
    ASSERT_EQ(3u, all.size());
    EXPECT_EQ(other.id, all[0].id);
    EXPECT_EQ("No answer from the device.", all[0].message);
    std::vector<HistoryEvent> one = history.List("SN-1");
    ASSERT_EQ(2u, one.size());
    EXPECT_EQ("download", one[0].operation);
    std::optional<HistoryEvent> found = history.Find(write.id);
    ASSERT_TRUE(found);
    EXPECT_EQ(write.before, found->before);
    EXPECT_EQ(write.after, found->after);
    EXPECT_EQ(write.changed, found->changed);
    EXPECT_EQ(20u, found->time.size()) << found->time;
    EXPECT_FALSE(found->user.empty());
    EXPECT_FALSE(history.Find(999));
    EXPECT_EQ("ok", IntegrityCheck(history.Path()));
}

TEST(History, RetentionDropsTheOldestEvents) {
    TempDir dir;
    CHistory history(dir.File("h.sqlite3"), 3);
    for (int i = 0; i < 5; ++i) {
        HistoryEvent e = Event("SN-" + std::to_string(i), "upload");
        ASSERT_TRUE(history.Record(e));
    }
    std::vector<HistoryEvent> kept = history.List();
    ASSERT_EQ(3u, kept.size());
    EXPECT_EQ("SN-4", kept[0].serial);
    EXPECT_EQ("SN-2", kept[2].serial);
}

TEST(History, TwoProgramsAppendingAtOnceLoseNothing) {
    TempDir dir;
    const std::string path = dir.File("h.sqlite3");
    pid_t a = AppendInChild(path, "A", 40);
    pid_t b = AppendInChild(path, "B", 40);
    for (pid_t child : {a, b}) {
        int status = 0;
        ASSERT_EQ(child, waitpid(child, &status, 0));
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(0, WEXITSTATUS(status)) << "failed appends";
    }
    CHistory history(path);
    EXPECT_EQ(40u, history.List("A").size());
    EXPECT_EQ(40u, history.List("B").size());
    EXPECT_EQ("ok", IntegrityCheck(path));
}

TEST(History, KilledWhileWritingLeavesASoundFile) {
    TempDir dir;
    const std::string path = dir.File("h.sqlite3");
    pid_t writer = AppendInChild(path, "K", 100000);
    // Killed in the middle of its appends, however slow the machine.
    for (int i = 0; i < 500 && CHistory(path).List("K", 5).size() < 5; ++i)
        usleep(10 * 1000);
    kill(writer, SIGKILL);
    int status = 0;
    waitpid(writer, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ("ok", IntegrityCheck(path));
    CHistory history(path);
    std::size_t before = history.List("K", 1000000).size();
    EXPECT_GT(before, 0u);
    HistoryEvent e = Event("K", "download");
    EXPECT_TRUE(history.Record(e));
    EXPECT_EQ(before + 1, history.List("K", 1000000).size());
}

TEST(History, AnUnusableFileFailsTheRecordWithAReasonAndStaysAsItWas) {
    TempDir dir;
    // Not a database.
    const std::string garbage = dir.File("garbage.sqlite3");
    std::ofstream(garbage) << std::string(4096, 'x');
    HistoryEvent e = Event("SN-1", "upload");
    std::string error;
    EXPECT_FALSE(CHistory(garbage).Record(e, &error));
    EXPECT_NE(std::string::npos, error.find(garbage)) << error;
    EXPECT_THROW(CHistory(garbage).List(), std::exception);

    // Written by a newer program.
    const std::string newer = dir.File("newer.sqlite3");
    sqlite3* db = nullptr;
    sqlite3_open(newer.c_str(), &db);
    sqlite3_exec(db, "PRAGMA user_version = 99", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    error.clear();
    EXPECT_FALSE(CHistory(newer).Record(e, &error));
    EXPECT_NE(std::string::npos, error.find("newer program")) << error;

    // A folder nobody may write (root may: then the record goes through).
    const std::string locked = dir.File("locked");
    mkdir(locked.c_str(), 0500);
    error.clear();
    bool recorded = CHistory(locked + "/h.sqlite3").Record(e, &error);
    EXPECT_TRUE(recorded || !error.empty());
    EXPECT_EQ(recorded, geteuid() == 0) << error;
    chmod(locked.c_str(), 0700);
}

// A file of the first schema is read as it is and brought up to date by the next write, its
// events kept; certificate points and the firmware travel with their event.
TEST(History, AFirstVersionFileMigratesAndCertificatePointsRoundTrip) {
    TempDir dir;
    const std::string path = dir.File("h.sqlite3");
    sqlite3* db = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open(path.c_str(), &db));
    ASSERT_EQ(SQLITE_OK,
              sqlite3_exec(db,
                           "CREATE TABLE events(id INTEGER PRIMARY KEY, time TEXT NOT NULL, "
                           "model TEXT NOT NULL, serial TEXT NOT NULL, tag TEXT NOT NULL DEFAULT "
                           "'', user TEXT NOT NULL DEFAULT '', host TEXT NOT NULL DEFAULT '', "
                           "program TEXT NOT NULL DEFAULT '', version TEXT NOT NULL DEFAULT '', "
                           "port TEXT NOT NULL DEFAULT '', operation TEXT NOT NULL, outcome TEXT "
                           "NOT NULL, message TEXT NOT NULL DEFAULT '', before TEXT NOT NULL "
                           "DEFAULT '', after TEXT NOT NULL DEFAULT '', changed TEXT NOT NULL "
                           "DEFAULT '');"
                           "INSERT INTO events(time, model, serial, operation, outcome) "
                           "VALUES('2026-01-02T03:04:05Z', 'Q3VD', 'OLD-1', 'upload', 'ok');"
                           "PRAGMA user_version = 1;",
                           nullptr, nullptr, nullptr));
    sqlite3_close(db);

    CHistory history(path);
    std::vector<HistoryEvent> old = history.List();
    ASSERT_EQ(1u, old.size());
    EXPECT_EQ("OLD-1", old[0].serial);
    EXPECT_EQ("", old[0].technician);

    HistoryEvent calibration = Event("SN-1", "input calibration");
    calibration.technician = "A. Engineer";
    calibration.firmware = "1.10";
    calibration.points = {{"as found", 0.0, 0.05, 100.0, 0.1, "deg C"},
                          {"as found", 100.0, 100.3, 100.0, 0.1, "deg C"},
                          {"as left", 100.0, 100.02, 100.0, 0.1, "deg C"}};
    ASSERT_TRUE(history.Record(calibration));
    EXPECT_EQ(2u, history.List().size()) << "the old event kept";
    std::optional<HistoryEvent> back = history.Find(calibration.id);
    ASSERT_TRUE(back);
    EXPECT_EQ("A. Engineer", back->technician);
    EXPECT_EQ("1.10", back->firmware);
    ASSERT_EQ(3u, back->points.size());
    EXPECT_EQ("as left", back->points[2].phase);
    EXPECT_DOUBLE_EQ(100.02, back->points[2].reading);
    EXPECT_TRUE(back->points[0].Passes());
    EXPECT_FALSE(back->points[1].Passes()) << back->points[1].ErrorPercent();
    EXPECT_TRUE(back->points[2].Passes());
    EXPECT_EQ("ok", IntegrityCheck(path));
}
