#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

class CSimDevice;

// Serves one CSimDevice on one transport from its own thread: RTU on a pseudo-terminal it
// creates, RTU on an existing serial device, or Modbus TCP on 127.0.0.1. The device must outlive
// the server. Start* throw std::runtime_error (std::logic_error when already running); Stop is
// prompt and joins the thread; the destructor stops.
class CSimServer {
public:
    explicit CSimServer(CSimDevice& device);
    ~CSimServer();
    CSimServer(const CSimServer&) = delete;
    CSimServer& operator=(const CSimServer&) = delete;

    // Line-rate emulation, before Start: each answer goes out after the transmission time of the
    // request and the answer at 11 bits per character (baud 0: no delay) plus turnaroundMs.
    void SetLineTiming(int baud, int turnaroundMs);
    // Whether the server advances the device's clock by the wall time before each request
    // (default on). Tests that drive Tick themselves switch it off.
    void SetAutoTick(bool on) { m_autoTick = on; }

    // Creates a pseudo-terminal in raw mode and returns its slave path (what a client opens).
    // linkPath: also a symlink to it there (an existing symlink is replaced), removed by Stop.
    std::string StartPty(const std::string& linkPath = {});
    // Opens an existing serial device at baud, 8 data bits, odd parity, 1 stop bit.
    void StartDevice(const std::string& path, int baud = 9600);
    // Listens on 127.0.0.1:port (0: a free port) and returns the port.
    uint16_t StartTcp(uint16_t port = 0);
    void Stop();

    bool IsRunning() const { return m_thread.joinable(); }
    // The pty slave path, the device path or "127.0.0.1:<port>".
    const std::string& GetPath() const { return m_path; }
    const std::string& GetLinkPath() const { return m_linkPath; }
    uint16_t GetTcpPort() const { return m_tcpPort; }

private:
    void Launch(void (CSimServer::*body)());
    void CloseAll();
    void RunSerial();
    void RunTcp();
    // Answers one RTU frame on the serial fd once its line time, counted from start (the
    // request's arrival), is up; false when stopped meanwhile.
    bool ServeRtu(const std::vector<uint8_t>& frame, std::chrono::steady_clock::time_point start);
    bool ServeTcp(int fd, const std::vector<uint8_t>& adu);
    void AdvanceClock();
    // Sleeps unless stopped meanwhile; false when stopped.
    bool Pause(std::chrono::microseconds duration);
    std::chrono::microseconds LineDelay(size_t requestBytes, size_t answerBytes) const;
    bool WriteAll(int fd, const std::vector<uint8_t>& bytes);

    CSimDevice& m_device;
    int m_baud = 0;
    int m_turnaroundMs = 0;
    int m_lineBaud = 9600; // what the 3.5-character silence is measured at
    std::atomic<bool> m_autoTick{true};
    std::chrono::steady_clock::time_point m_lastTick;

    int m_wakeFd = -1;
    int m_fd = -1;       // pty master, serial device or listening socket
    int m_holderFd = -1; // our own handle on the pty slave: the master never sees a hangup
    std::string m_path;
    std::string m_linkPath;
    uint16_t m_tcpPort = 0;
    std::thread m_thread;
};
