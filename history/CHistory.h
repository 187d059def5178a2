#pragma once

#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// A test point of a calibration certificate: what the technician's reference said and what the
// device read, in the unit of the channel, with the span the error is a percentage of.
struct CalibrationPoint {
    std::string phase; // "as found" or "as left"
    double reference = 0;
    double reading = 0;
    double span = 100;    // of the channel's range, in its unit
    double tolerance = 0; // allowed error, % of span
    std::string unit;

    // Without a span there is no error to give: NaN, which no tolerance passes.
    double ErrorPercent() const {
        return span != 0 ? (reading - reference) / span * 100.0 : std::nan("");
    }
    bool Passes() const;
};

// One operation against a device, as the history keeps it.
struct HistoryEvent {
    int64_t id = 0;
    std::string time; // UTC, "2026-12-08T19:01:06Z"
    std::string model;
    std::string serial;
    std::string tag;
    std::string firmware;
    std::string user;
    std::string host;
    std::string program; // "q3config", "q3cli"
    std::string version;
    std::string port;
    std::string operation; // "upload", "download", "compare", "write", "adjust", ...
    std::string outcome;   // "ok", "failed", "cancelled"
    std::string message;   // the failure's message
    std::string before;    // parameter-file texts of a write ("" when none)
    std::string after;
    std::vector<std::string> changed; // the file keys ("P51") whose values differ
    std::string technician;           // calibrations: who did it
    std::vector<CalibrationPoint> points;
};

// The local history of device operations: an SQLite database in WAL mode, keyed by model and
// serial number. Every call opens the file afresh, so two programs append at once (a writer
// waits up to a short time for the other's transaction) and a damaged file never outlives a
// call. Recording never throws: a locked, full, read-only or corrupt database only makes
// Record return false with the reason, and the device operation goes on.
class CHistory {
public:
    static constexpr int kSchemaVersion = 3;
    static constexpr int kDefaultRetention = 20000; // events kept, the oldest dropped first

    // $XDG_DATA_HOME/q3config/history.sqlite3, or ~/.local/share/q3config/history.sqlite3.
    static std::string DefaultPath();

    explicit CHistory(std::string path = DefaultPath(), int retention = kDefaultRetention);

    const std::string& Path() const { return m_path; }

    // Appends the event (its id and, when empty, its time, user, host are filled in) in one
    // transaction, then drops the oldest events beyond the retention. False and the reason in
    // error when the history could not be written.
    bool Record(HistoryEvent& event, std::string* error = nullptr) const;

    // Newest first; an empty serial lists every device. Throws CPrivateException when the
    // history cannot be read.
    std::vector<HistoryEvent> List(const std::string& serial = {}, int limit = 1000) const;
    // The event with its parameter sets; nothing when there is no such event.
    std::optional<HistoryEvent> Find(int64_t id) const;

private:
    // One try of Record: throws, a transaction in the way included.
    void Append(HistoryEvent& event) const;

    std::string m_path;
    int m_retention;
};

// The keys of the SETTING section whose values differ between two parameter-file texts, in the
// order of the first (then the keys only the second has).
std::vector<std::string> ChangedKeys(const std::string& before, const std::string& after);

class CParBase;

// An event of operation on the device whose parameter set (identity read) is given: model,
// serial, tag and this program's version filled in, outcome "ok".
HistoryEvent DeviceEvent(const CParBase& device, const std::string& program,
                         const std::string& port, const std::string& operation);

// Now in UTC as the history writes it.
std::string HistoryTimeNow();
