#include "history/CHistory.h"

#include "comm/CPrivateException.h"
#include "model/CParBase.h"
#include "model/ParameterIds.h"
#include "platform/CSystemCalls.h"
#include "platform/UserAccount.h"

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

#include <unistd.h>

namespace {
constexpr int kBusyWaitMs = 2000; // another program's transaction, never longer

const char* const kSchema = R"(
CREATE TABLE IF NOT EXISTS events(
    id INTEGER PRIMARY KEY,
    time TEXT NOT NULL,
    model TEXT NOT NULL,
    serial TEXT NOT NULL,
    tag TEXT NOT NULL DEFAULT '',
    user TEXT NOT NULL DEFAULT '',
    host TEXT NOT NULL DEFAULT '',
    program TEXT NOT NULL DEFAULT '',
    version TEXT NOT NULL DEFAULT '',
    port TEXT NOT NULL DEFAULT '',
    operation TEXT NOT NULL,
    outcome TEXT NOT NULL,
    message TEXT NOT NULL DEFAULT '',
    before TEXT NOT NULL DEFAULT '',
    after TEXT NOT NULL DEFAULT '',
    changed TEXT NOT NULL DEFAULT '');
CREATE INDEX IF NOT EXISTS events_device ON events(serial, model, id);
)";

// Version 2: the technician and the test points of calibration certificates.
const char* const kSchema2 = R"(
ALTER TABLE events ADD COLUMN technician TEXT NOT NULL DEFAULT '';
CREATE TABLE IF NOT EXISTS points(
    event INTEGER NOT NULL REFERENCES events(id) ON DELETE CASCADE,
    position INTEGER NOT NULL,
    phase TEXT NOT NULL,
    reference REAL NOT NULL,
    reading REAL NOT NULL,
    span REAL NOT NULL,
    tolerance REAL NOT NULL,
    unit TEXT NOT NULL DEFAULT '',
    PRIMARY KEY(event, position));
)";

// Version 3: the firmware of the device, for certificates.
const char* const kSchema3 = "ALTER TABLE events ADD COLUMN firmware TEXT NOT NULL DEFAULT '';";

struct CloseDb {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using Db = std::unique_ptr<sqlite3, CloseDb>;

struct FinalizeStatement {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Statement = std::unique_ptr<sqlite3_stmt, FinalizeStatement>;

// Another program's transaction in the way where SQLite does not wait for it (switching to WAL,
// reading a schema it is changing): the write is tried again.
struct HistoryBusy : CPrivateException {
    using CPrivateException::CPrivateException;
};

[[noreturn]] void Fail(sqlite3* db, const std::string& path) {
    const std::string message = "The history " + path + " could not be used: " +
                                (db ? sqlite3_errmsg(db) : "out of memory");
    const int code = db ? sqlite3_errcode(db) & 0xff : SQLITE_NOMEM;
    if (code == SQLITE_BUSY || code == SQLITE_LOCKED)
        throw HistoryBusy(message);
    throw CPrivateException(message);
}

void Exec(sqlite3* db, const std::string& path, const char* sql) {
    if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        Fail(db, path);
}

Statement Prepare(sqlite3* db, const std::string& path, const char* sql) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) != SQLITE_OK)
        Fail(db, path);
    return Statement(statement);
}

std::string Text(sqlite3_stmt* statement, int column) {
    const unsigned char* text = sqlite3_column_text(statement, column);
    return text ? reinterpret_cast<const char*>(text) : "";
}

int UserVersion(sqlite3* db, const std::string& path) {
    Statement version = Prepare(db, path, "PRAGMA user_version");
    if (sqlite3_step(version.get()) != SQLITE_ROW)
        Fail(db, path); // not a database, or damaged
    return sqlite3_column_int(version.get(), 0);
}

// Brings the schema to kSchemaVersion inside the caller's transaction; a file of a newer
// program is left alone.
void Migrate(sqlite3* db, const std::string& path) {
    int version = UserVersion(db, path);
    if (version > CHistory::kSchemaVersion)
        throw CPrivateException("The history " + path + " was written by a newer program.");
    if (version < 1)
        Exec(db, path, kSchema);
    if (version < 2)
        Exec(db, path, kSchema2);
    if (version < 3)
        Exec(db, path, kSchema3);
    if (version != CHistory::kSchemaVersion)
        Exec(db, path,
             ("PRAGMA user_version = " + std::to_string(CHistory::kSchemaVersion)).c_str());
}

Db Open(const std::string& path, bool create) {
    if (create) // a folder that cannot be made is said by the open below
        MakeDirectories(path.substr(0, path.rfind('/')));
    sqlite3* raw = nullptr;
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | (create ? SQLITE_OPEN_CREATE : 0);
    int rc = sqlite3_open_v2(path.c_str(), &raw, flags, nullptr);
    Db db(raw);
    if (rc != SQLITE_OK)
        Fail(db.get(), path);
    sqlite3_busy_timeout(db.get(), kBusyWaitMs);
    sqlite3_extended_result_codes(db.get(), 1);
    return db;
}

std::string JoinKeys(const std::vector<std::string>& keys) {
    std::string joined;
    for (const std::string& key : keys)
        joined += (joined.empty() ? "" : " ") + key;
    return joined;
}

std::vector<std::string> SplitKeys(const std::string& joined) {
    std::vector<std::string> keys;
    for (std::size_t at = 0; at < joined.size();) {
        std::size_t end = std::min(joined.find(' ', at), joined.size());
        if (end > at)
            keys.push_back(joined.substr(at, end - at));
        at = end + 1;
    }
    return keys;
}

std::string HostName() {
    char name[256] = {};
    return gethostname(name, sizeof name - 1) == 0 ? name : "";
}

// The columns of an event; a file of an older version (not written since) lacks the later ones.
std::string Columns(int version) {
    return std::string("id, time, model, serial, tag, user, host, program, version, port, "
                       "operation, outcome, message, before, after, changed, ") +
           (version >= 2 ? "technician, " : "'' AS technician, ") +
           (version >= 3 ? "firmware" : "'' AS firmware");
}

HistoryEvent EventAt(sqlite3_stmt* row) {
    HistoryEvent e;
    e.id = sqlite3_column_int64(row, 0);
    std::string* texts[] = {&e.time,    &e.model,   &e.serial,  &e.tag,  &e.user,
                            &e.host,    &e.program, &e.version, &e.port, &e.operation,
                            &e.outcome, &e.message, &e.before,  &e.after};
    for (int i = 0; i < 14; ++i)
        *texts[i] = Text(row, i + 1);
    e.changed = SplitKeys(Text(row, 15));
    e.technician = Text(row, 16);
    e.firmware = Text(row, 17);
    return e;
}

void InsertPoints(sqlite3* db, const std::string& path, const HistoryEvent& event) {
    Statement insert = Prepare(db, path,
                               "INSERT INTO points(event, position, phase, reference, reading, "
                               "span, tolerance, unit) VALUES(?, ?, ?, ?, ?, ?, ?, ?)");
    for (std::size_t i = 0; i < event.points.size(); ++i) {
        const CalibrationPoint& p = event.points[i];
        sqlite3_reset(insert.get());
        sqlite3_bind_int64(insert.get(), 1, event.id);
        sqlite3_bind_int(insert.get(), 2, static_cast<int>(i));
        sqlite3_bind_text(insert.get(), 3, p.phase.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_double(insert.get(), 4, p.reference);
        sqlite3_bind_double(insert.get(), 5, p.reading);
        sqlite3_bind_double(insert.get(), 6, p.span);
        sqlite3_bind_double(insert.get(), 7, p.tolerance);
        sqlite3_bind_text(insert.get(), 8, p.unit.c_str(), -1, SQLITE_TRANSIENT);
        if (sqlite3_step(insert.get()) != SQLITE_DONE)
            Fail(db, path);
    }
}

std::vector<CalibrationPoint> PointsOf(sqlite3* db, const std::string& path, int64_t id) {
    Statement query = Prepare(db, path,
                              "SELECT phase, reference, reading, span, tolerance, unit FROM points "
                              "WHERE event = ? ORDER BY position");
    sqlite3_bind_int64(query.get(), 1, id);
    std::vector<CalibrationPoint> points;
    int rc;
    while ((rc = sqlite3_step(query.get())) == SQLITE_ROW)
        points.push_back({Text(query.get(), 0), sqlite3_column_double(query.get(), 1),
                          sqlite3_column_double(query.get(), 2),
                          sqlite3_column_double(query.get(), 3),
                          sqlite3_column_double(query.get(), 4), Text(query.get(), 5)});
    if (rc != SQLITE_DONE)
        Fail(db, path);
    return points;
}

// The key=value lines of the SETTING section, in file order.
std::vector<std::pair<std::string, std::string>> SettingLines(const std::string& text) {
    std::vector<std::pair<std::string, std::string>> lines;
    bool inSetting = false;
    for (std::size_t at = 0; at < text.size();) {
        std::size_t end = std::min(text.find('\n', at), text.size());
        std::string line = text.substr(at, end - at);
        at = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty() && line.front() == '[') {
            inSetting = line == "[SETTING]";
            continue;
        }
        std::size_t equals = line.find('=');
        if (inSetting && equals != std::string::npos)
            lines.emplace_back(line.substr(0, equals), line.substr(equals + 1));
    }
    return lines;
}
} // namespace

std::string CHistory::DefaultPath() {
    return XdgDirectory("XDG_DATA_HOME", ".local/share") + "/q3config/history.sqlite3";
}

CHistory::CHistory(std::string path, int retention)
    : m_path(std::move(path)), m_retention(std::max(1, retention)) {}

bool CHistory::Record(HistoryEvent& event, std::string* error) const {
    try {
        if (event.time.empty())
            event.time = HistoryTimeNow();
        if (event.user.empty())
            event.user = UserName();
        if (event.host.empty())
            event.host = HostName();
        const auto giveUp =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(kBusyWaitMs);
        for (;;) {
            try {
                Append(event);
                return true;
            } catch (const HistoryBusy&) {
                if (std::chrono::steady_clock::now() >= giveUp)
                    throw;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    } catch (const CPrivateException& e) {
        if (error)
            *error = e.Message();
    } catch (const std::exception& e) {
        if (error)
            *error = "The history " + m_path + " could not be written: " + e.what();
    }
    return false;
}

void CHistory::Append(HistoryEvent& event) const {
    {
        Db db = Open(m_path, true);
        Exec(db.get(), m_path, "PRAGMA journal_mode=WAL");
        // IMMEDIATE: the write lock is taken (or waited for) before anything is read.
        Exec(db.get(), m_path, "BEGIN IMMEDIATE");
        try {
            Migrate(db.get(), m_path);
            Statement insert = Prepare(
                db.get(), m_path,
                "INSERT INTO events(time, model, serial, tag, user, host, program, version, port, "
                "operation, outcome, message, before, after, changed, technician, firmware) "
                "VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
            const std::string changed = JoinKeys(event.changed);
            const std::string* texts[] = {
                &event.time,       &event.model,   &event.serial,  &event.tag,   &event.user,
                &event.host,       &event.program, &event.version, &event.port,  &event.operation,
                &event.outcome,    &event.message, &event.before,  &event.after, &changed,
                &event.technician, &event.firmware};
            for (int i = 0; i < 17; ++i)
                sqlite3_bind_text(insert.get(), i + 1, texts[i]->c_str(),
                                  static_cast<int>(texts[i]->size()), SQLITE_TRANSIENT);
            if (sqlite3_step(insert.get()) != SQLITE_DONE)
                Fail(db.get(), m_path);
            event.id = sqlite3_last_insert_rowid(db.get());
            InsertPoints(db.get(), m_path, event);
            Statement prune =
                Prepare(db.get(), m_path,
                        "DELETE FROM events WHERE id <= (SELECT max(id) FROM events) - ?");
            sqlite3_bind_int(prune.get(), 1, m_retention);
            if (sqlite3_step(prune.get()) != SQLITE_DONE)
                Fail(db.get(), m_path);
            Exec(db.get(), m_path, "DELETE FROM points WHERE event NOT IN (SELECT id FROM events)");
            Exec(db.get(), m_path, "COMMIT");
        } catch (...) {
            sqlite3_exec(db.get(), "ROLLBACK", nullptr, nullptr, nullptr);
            throw;
        }
    }
}

std::vector<HistoryEvent> CHistory::List(const std::string& serial, int limit) const {
    std::vector<HistoryEvent> events;
    if (CSystemCalls::Current().Access(m_path.c_str(), F_OK) != 0)
        return events; // nothing recorded yet
    Db db = Open(m_path, false);
    const int version = UserVersion(db.get(), m_path);
    if (version < 1)
        return events;
    std::string sql = "SELECT " + Columns(version) + " FROM events" +
                      (serial.empty() ? "" : " WHERE serial = ?1") + " ORDER BY id DESC LIMIT ?2";
    Statement query = Prepare(db.get(), m_path, sql.c_str());
    if (!serial.empty())
        sqlite3_bind_text(query.get(), 1, serial.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_int(query.get(), 2, limit);
    int rc;
    while ((rc = sqlite3_step(query.get())) == SQLITE_ROW)
        events.push_back(EventAt(query.get()));
    if (rc != SQLITE_DONE)
        Fail(db.get(), m_path);
    return events;
}

std::optional<HistoryEvent> CHistory::Find(int64_t id) const {
    if (CSystemCalls::Current().Access(m_path.c_str(), F_OK) != 0)
        return std::nullopt;
    Db db = Open(m_path, false);
    const int version = UserVersion(db.get(), m_path);
    if (version < 1)
        return std::nullopt;
    Statement query = Prepare(db.get(), m_path,
                              ("SELECT " + Columns(version) + " FROM events WHERE id = ?").c_str());
    sqlite3_bind_int64(query.get(), 1, id);
    int rc = sqlite3_step(query.get());
    if (rc == SQLITE_ROW) {
        HistoryEvent event = EventAt(query.get());
        if (version >= 2)
            event.points = PointsOf(db.get(), m_path, id);
        return event;
    }
    if (rc != SQLITE_DONE)
        Fail(db.get(), m_path);
    return std::nullopt;
}

bool CalibrationPoint::Passes() const {
    return std::abs(ErrorPercent()) <= tolerance;
}

std::vector<std::string> ChangedKeys(const std::string& before, const std::string& after) {
    auto a = SettingLines(before);
    auto b = SettingLines(after);
    std::vector<std::string> changed;
    auto valueIn = [](const auto& lines, const std::string& key) -> const std::string* {
        for (const auto& [k, v] : lines)
            if (k == key)
                return &v;
        return nullptr;
    };
    for (const auto& [key, value] : a) {
        const std::string* other = valueIn(b, key);
        if (!other || *other != value)
            changed.push_back(key);
    }
    for (const auto& [key, value] : b)
        if (!valueIn(a, key))
            changed.push_back(key);
    return changed;
}

HistoryEvent DeviceEvent(const CParBase& device, const std::string& program,
                         const std::string& port, const std::string& operation) {
    HistoryEvent event;
    event.model = device.ModelString();
    event.serial = device.GetValueText(kIdSerial);
    event.tag = device.GetValueText(kIdTag);
    event.firmware = device.GetValueText(kIdFirmware);
    event.program = program;
    event.version = Q3_VERSION;
    event.port = port;
    event.operation = operation;
    event.outcome = "ok";
    return event;
}

std::string HistoryTimeNow() {
    std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}
