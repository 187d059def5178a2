#pragma once

#include <string>
#include <vector>

// One serial port the user can choose: the path to open (setting "COMPortName") and the name
// to show (setting "COMPortDisplayName").
struct PortEntry {
    std::string path;
    std::string displayName;
    bool operator==(const PortEntry&) const = default;
};

// The ports the Preferences dialog and "q3cli ports" offer, built once on construction:
//  1. the serial ports that really exist (/sys/class/tty/*/device; a platform UART whose type
//     is 0 has no hardware behind it) in name order. USB adapters show maker and product, other
//     ports "Serial port (<name>)"; where /dev/serial/by-id holds a link to the port, that
//     stable name is the path, so the setting survives replugging;
//  2. running simulators registered by q3sim (one "<pid>.port" or "<pid>-<n>.port" file each,
//     holding "<path>\t<display name>\n"; files of ended processes and malformed ones are
//     skipped).
// Never fails: a source that cannot be read is skipped.
class CPortList {
public:
    // This machine's ports and simulators.
    CPortList();
    // Discovery with the system tree under root ("" for "/"; tests pass a fake sysfs and dev
    // tree) and the simulator registrations in simulatorDir ("" for none).
    CPortList(const std::string& root, const std::string& simulatorDir);

    int Count() const { return static_cast<int>(m_entries.size()); }
    // The entry's texts; empty for a position outside 0 .. Count() - 1.
    std::string Path(int index) const;
    std::string DisplayName(int index) const;
    const std::vector<PortEntry>& Entries() const { return m_entries; }

    // Where q3sim registers: $XDG_RUNTIME_DIR/q3sim, or /tmp/q3sim-<uid> when XDG_RUNTIME_DIR
    // is unset or not writable.
    static std::string SimulatorDirectory();

private:
    void Build(const std::string& root, const std::string& simulatorDir);

    std::vector<PortEntry> m_entries;
};
