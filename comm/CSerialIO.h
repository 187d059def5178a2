#pragma once

#include "comm/CommSettings.h"
#include "platform/CSystemCalls.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

// The read and write time-outs of the port, handed over whole (milliseconds). The read bound is
// a deadline on one whole Read, not a per-byte timer.
struct SerialTimeouts {
    uint32_t readInterval = 0;         // longest gap between two received bytes; 0 = unused
    uint32_t readTotalMultiplier = 0;  // per byte asked for
    uint32_t readTotalConstant = 3000; // the Modbus client rewrites it before each exchange
    uint32_t writeTotalMultiplier = 0; // writes never time out
    uint32_t writeTotalConstant = 0;
    bool operator==(const SerialTimeouts&) const = default;
};

// The line the port is configured with (all zero until the first Open).
struct SerialLine {
    uint32_t baudRate = 0;
    int dataBits = 0;
    int parity = 0; // 0 none, 1 odd, 2 even, 3 mark, 4 space
    int stopBits = 0;
    bool operator==(const SerialLine&) const = default;
};

// One serial port for Modbus RTU on POSIX termios: exclusive open (flock and TIOCEXCL, so no
// second program or instance shares the line), raw bytes, no flow control, DTR and RTS off.
// Used only by the Modbus client inside the connection lock; no locking of its own.
class CSerialIO {
public:
    explicit CSerialIO(CSystemCalls& sys = CSystemCalls::Real());
    virtual ~CSerialIO();
    CSerialIO(const CSerialIO&) = delete;
    CSerialIO& operator=(const CSerialIO&) = delete;

    void SetSettings(const CommSettings& settings) { m_settings = settings; }
    const CommSettings& Settings() const { return m_settings; }

    // Opens the port named by the settings (closing an open one first), configures the line
    // and drops stale input. Raises message 305 (port name, and the reason on a second line)
    // when the port cannot be opened, 306 when the line cannot be set; after a 306 the port
    // stays open and the caller closes it.
    void Open();
    // A closed port is left alone.
    void Close();
    bool IsOpen() const { return m_fd >= 0; }
    int Handle() const { return m_fd; }
    const std::string& DevicePath() const { return m_devicePath; }

    // Writes the whole frame; raises 306 when the port is closed or refuses the bytes. The next
    // Read's bound counts from when the frame will have left the line at the configured speed.
    void Write(const uint8_t* data, std::size_t size);
    // Sets the read bound of the following reads; raises 306 when the port is closed.
    void SetReadTimeout(uint32_t ms);
    // Read bound 1 ms, no interval: the next Read only collects what is already there.
    void PrepareDrainRead();
    // One read: ends when size bytes have arrived or the time-out has run out. Returns the
    // number of bytes read; a failed read or a closed port count as 0.
    std::size_t Read(uint8_t* buffer, std::size_t size);
    // Collects what has already arrived, up to size bytes, without waiting.
    std::size_t ReadAvailable(uint8_t* buffer, std::size_t size);
    // Waits until end, dropping whatever arrives meanwhile; a quiet line costs one wake-up.
    // False when the line could not be watched to the end (closed, hung up, failing).
    bool DropInputUntil(std::chrono::steady_clock::time_point end);

    const SerialTimeouts& Timeouts() const { return m_timeouts; }
    const SerialLine& Line() const { return m_line; }
    // Whether another program holds the port at path open (its lock or exclusive mode).
    static bool IsBusy(const std::string& path);
    // The line the settings ask for (mode 2 forces 1200 baud, 8-O-1).
    static SerialLine LineFor(const CommSettings& settings);

private:
    void Configure();
    void ApplyTimeouts();
    [[noreturn]] void ThrowOpenError(int error) const;
    // How long size bytes take on the line: start, data, parity and stop bits each.
    std::chrono::steady_clock::duration LineTime(std::size_t bytes) const;

    CSystemCalls& m_sys;
    int m_fd = -1;
    SerialTimeouts m_timeouts;
    SerialLine m_line;
    std::string m_devicePath;
    CommSettings m_settings;
    std::chrono::steady_clock::time_point m_lineFreeAt; // the last frame written is out
};
