#include "comm/CSerialIO.h"

#include "comm/CPrivateException.h"
#include "tests/comm/PtyPair.h"
#include "tests/support/CFaultySystemCalls.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
using Bytes = std::vector<uint8_t>;

CommSettings PortSettings(const std::string& path, const std::string& display = "Test port") {
    CommSettings s;
    s.portName = path;
    s.portDisplayName = display;
    return s;
}

long ElapsedMs(Clock::time_point start) {
    return static_cast<long>(
        std::chrono::duration_cast<milliseconds>(Clock::now() - start).count());
}

template <class Call> std::string ErrorOf(Call call) {
    try {
        call();
    } catch (const CPrivateException& e) {
        return e.Message();
    }
    return {};
}

// System calls that fail on request.
class CFaultySystem : public CFaultySystemCalls {
public:
    int openError = 0;           // errno of a failing open
    int writeLimit = -1;         // bytes the first write accepts (-1: all)
    int writeErrorAfter = 0;     // errno of the write after the limited one (0: none)
    int readInterrupts = 0;      // reads that report EINTR first
    bool setattrIgnored = false; // tcsetattr changes nothing and reports EINVAL
    bool setattrEinval = false;  // tcsetattr applies, then reports EINVAL

    CFaultySystem() {
        open = [this](const char* path, int flags, mode_t mode) {
            if (openError) {
                errno = openError;
                return -1;
            }
            return RealOpen(path, flags, mode);
        };
        write = [this](int fd, const void* data, std::size_t size) -> ssize_t {
            if (writeLimit >= 0 && writes == 1)
                return RealWrite(fd, data, std::min<std::size_t>(size, writeLimit));
            if (writeErrorAfter && writes == 2) {
                errno = writeErrorAfter;
                return -1;
            }
            return RealWrite(fd, data, size);
        };
        read = [this](int fd, void* buffer, std::size_t size) -> ssize_t {
            if (readInterrupts > 0) {
                --readInterrupts;
                errno = EINTR;
                return -1;
            }
            return RealRead(fd, buffer, size);
        };
        tcsetattr = [this](int fd, int when, const termios* t) {
            if (setattrIgnored) {
                errno = EINVAL;
                return -1;
            }
            int result = RealTcSetAttr(fd, when, t);
            if (setattrEinval) {
                errno = EINVAL;
                return -1;
            }
            return result;
        };
    }
};
} // namespace

TEST(SerialLine, IndexesMapThroughTheFixedTables) {
    CommSettings s;
    EXPECT_EQ((SerialLine{9600, 8, 1, 1}), CSerialIO::LineFor(s));
    s.baudIndex = 7;
    s.dataBitsIndex = 5;
    s.stopBitsIndex = 9;
    s.parity = 2;
    EXPECT_EQ((SerialLine{1200, 7, 2, 1}), CSerialIO::LineFor(s));
    s.baudIndex = 5;
    s.stopBitsIndex = 1;
    EXPECT_EQ((SerialLine{38400, 7, 2, 2}), CSerialIO::LineFor(s));
    // The fixed line ignores the four line fields.
    s.mode = kModeRtuFixed;
    EXPECT_EQ((SerialLine{1200, 8, 1, 1}), CSerialIO::LineFor(s));
}

TEST(SerialPort, OpensPseudoTerminalRawWithTheLineSettings) {
    CPtyPair pty;
    CSerialIO port;
    port.SetSettings(PortSettings(pty.SlavePath()));
    port.Open();
    ASSERT_TRUE(port.IsOpen());
    EXPECT_EQ(pty.SlavePath(), port.DevicePath());
    EXPECT_EQ((SerialLine{9600, 8, 1, 1}), port.Line());
    EXPECT_EQ(3000u, port.Timeouts().readTotalConstant);
    termios t{};
    ASSERT_EQ(0, tcgetattr(port.Handle(), &t));
    EXPECT_EQ(B9600, cfgetospeed(&t));
    EXPECT_EQ(0u, t.c_lflag & (ICANON | ECHO | ISIG));
    EXPECT_EQ(0u, t.c_oflag & OPOST);
    EXPECT_EQ(0u, t.c_iflag & (IXON | IXOFF | ICRNL));
    EXPECT_EQ(0u, t.c_cflag & CRTSCTS);
    EXPECT_EQ(CLOCAL | CREAD, t.c_cflag & (CLOCAL | CREAD));
}

TEST(SerialPort, FixedLineModeConfiguresTwelveHundredBaud) {
    CPtyPair pty;
    CSerialIO port;
    CommSettings s = PortSettings(pty.SlavePath());
    s.mode = kModeRtuFixed;
    s.baudIndex = 5;
    port.SetSettings(s);
    port.Open();
    termios t{};
    ASSERT_EQ(0, tcgetattr(port.Handle(), &t));
    EXPECT_EQ(B1200, cfgetospeed(&t));
}

TEST(SerialPort, ReopensOnThePseudoTerminalDespiteEinvalFromTcsetattr) {
    // The kernel drops the parity flags on a pty, and glibc then reports EINVAL for a repeated
    // identical request: the port must open all the same, and again.
    CPtyPair pty;
    CSerialIO port;
    port.SetSettings(PortSettings(pty.SlavePath()));
    port.Open();
    port.Open();
    EXPECT_TRUE(port.IsOpen());
    CFaultySystem sys;
    sys.setattrEinval = true;
    CSerialIO other(sys);
    port.Close();
    other.SetSettings(PortSettings(pty.SlavePath()));
    EXPECT_NO_THROW(other.Open());
}

TEST(SerialPort, LineThatDidNotTakeEffectRaises306) {
    CPtyPair pty;
    // Put the line back to cooked mode, which a refused request would leave in place.
    {
        int fd = ::open(pty.SlavePath().c_str(), O_RDWR | O_NOCTTY);
        termios t{};
        tcgetattr(fd, &t);
        t.c_lflag |= ICANON | ECHO;
        tcsetattr(fd, TCSANOW, &t);
        ::close(fd);
    }
    CFaultySystem sys;
    sys.setattrIgnored = true;
    CSerialIO port(sys);
    port.SetSettings(PortSettings(pty.SlavePath()));
    EXPECT_EQ("Communication port can not be change settings.", ErrorOf([&] { port.Open(); }));
    EXPECT_TRUE(port.IsOpen()) << "the caller closes the port after a configuration failure";
}

TEST(SerialPort, MissingPortNamesTheDisplayNameAndTheReason) {
    CSerialIO port;
    port.SetSettings(PortSettings("/dev/ttyq3-missing", "USB adapter (ttyUSB9)"));
    EXPECT_EQ("Communication port USB adapter (ttyUSB9) can not be opened.\n"
              "No such file or directory.",
              ErrorOf([&] { port.Open(); }));
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(-1, port.Handle());
}

TEST(SerialPort, EmptyDisplayNameFallsBackToThePath) {
    CSerialIO port;
    port.SetSettings(PortSettings("/dev/ttyq3-missing", ""));
    EXPECT_EQ(0u, ErrorOf([&] {
                      port.Open();
                  }).rfind("Communication port /dev/ttyq3-missing can not be opened.\n", 0));
}

TEST(SerialPort, PermissionFailureTellsWhichGroupTheUserNeeds) {
    CPtyPair pty;
    CFaultySystem sys;
    sys.openError = EACCES;
    CSerialIO port(sys);
    port.SetSettings(PortSettings("/dev/ttyq3-missing", "ttyS0"));
    EXPECT_EQ("Communication port ttyS0 can not be opened.\n"
              "Permission denied: the user must belong to the group that owns the device "
              "(usually dialout), for example with \"sudo usermod -aG dialout $USER\", and log "
              "in again.",
              ErrorOf([&] { port.Open(); }));
    // A device owned by a named group names that group.
    port.SetSettings(PortSettings("/dev/null", "null"));
    std::string text = ErrorOf([&] { port.Open(); });
    EXPECT_NE(std::string::npos, text.find("\nPermission denied: the user must belong to the"));
}

TEST(SerialPort, SecondOpenerIsRefused) {
    CPtyPair pty;
    CSerialIO first;
    first.SetSettings(PortSettings(pty.SlavePath(), "sim"));
    first.Open();
    CSerialIO second;
    second.SetSettings(PortSettings(pty.SlavePath(), "sim"));
    EXPECT_EQ("Communication port sim can not be opened.\nThe port is in use by another program.",
              ErrorOf([&] { second.Open(); }));
    EXPECT_FALSE(second.IsOpen());
    first.Close();
    EXPECT_NO_THROW(second.Open());
}

TEST(SerialPort, StaleInputIsFlushedOnOpen) {
    CPtyPair pty;
    pty.Write({0xDE, 0xAD, 0xBE, 0xEF});
    std::this_thread::sleep_for(milliseconds(20));
    CSerialIO port;
    port.SetSettings(PortSettings(pty.SlavePath()));
    port.Open();
    port.SetReadTimeout(50);
    uint8_t buffer[8];
    EXPECT_EQ(0u, port.Read(buffer, sizeof buffer));
}

TEST(SerialPort, WriteDeliversTheWholeFrame) {
    CPtyPair pty;
    CSerialIO port;
    port.SetSettings(PortSettings(pty.SlavePath()));
    port.Open();
    Bytes frame = {0x01, 0x04, 0x25, 0x80, 0x00, 0x01, 0x3B, 0x2E};
    port.Write(frame.data(), frame.size());
    EXPECT_EQ(frame, pty.ReadFor(milliseconds(50)));
}

TEST(SerialPort, PartialWriteIsContinuedAndRefusedWriteRaises306) {
    CPtyPair pty;
    CFaultySystem sys;
    sys.writeLimit = 3;
    CSerialIO port(sys);
    port.SetSettings(PortSettings(pty.SlavePath()));
    port.Open();
    Bytes frame = {1, 2, 3, 4, 5, 6, 7, 8};
    port.Write(frame.data(), frame.size());
    EXPECT_EQ(frame, pty.ReadFor(milliseconds(50)));
    EXPECT_EQ(2, sys.writes);

    sys.writes = 0;
    sys.writeErrorAfter = EIO;
    EXPECT_EQ("Communication port can not be change settings.",
              ErrorOf([&] { port.Write(frame.data(), frame.size()); }));
    EXPECT_TRUE(port.IsOpen());
}

TEST(SerialPort, ClosedPortRefusesWritesAndTimeouts) {
    CSerialIO port;
    uint8_t byte = 0;
    EXPECT_EQ("Communication port can not be change settings.",
              ErrorOf([&] { port.Write(&byte, 1); }));
    EXPECT_EQ("Communication port can not be change settings.",
              ErrorOf([&] { port.SetReadTimeout(100); }));
    EXPECT_EQ(0u, port.Read(&byte, 1));
    port.Close(); // closing a closed port does nothing
}

TEST(SerialPort, ReadIsBoundedByOneDeadlineNotPerByte) {
    CPtyPair pty;
    CSerialIO port;
    port.SetSettings(PortSettings(pty.SlavePath()));
    port.Open();
    // One byte every 40 ms: a per-byte timer of 150 ms would collect all ten.
    std::thread trickle([&pty] {
        for (uint8_t i = 0; i < 10; ++i) {
            pty.Write({i});
            std::this_thread::sleep_for(milliseconds(40));
        }
    });
    port.SetReadTimeout(150);
    uint8_t buffer[10];
    auto start = Clock::now();
    std::size_t got = port.Read(buffer, sizeof buffer);
    long elapsed = ElapsedMs(start);
    trickle.join();
    EXPECT_GE(elapsed, 150);
    EXPECT_LT(elapsed, 250);
    EXPECT_GE(got, 3u);
    EXPECT_LE(got, 5u);
    EXPECT_EQ(0, buffer[0]);
}

TEST(SerialPort, ReadEndsAsSoonAsTheBufferIsFull) {
    CPtyPair pty;
    CSerialIO port;
    port.SetSettings(PortSettings(pty.SlavePath()));
    port.Open();
    port.SetReadTimeout(2000);
    pty.Write({1, 2, 3, 4, 5, 6, 7});
    uint8_t buffer[5];
    auto start = Clock::now();
    EXPECT_EQ(5u, port.Read(buffer, sizeof buffer));
    EXPECT_LT(ElapsedMs(start), 100);
    // The rest stays in the port for the next read.
    port.PrepareDrainRead();
    EXPECT_EQ(1u, port.Timeouts().readTotalConstant);
    EXPECT_EQ(2u, port.Read(buffer, sizeof buffer));
}

TEST(SerialPort, NothingToReadTakesTheWholeTimeout) {
    CPtyPair pty;
    CSerialIO port;
    port.SetSettings(PortSettings(pty.SlavePath()));
    port.Open();
    port.SetReadTimeout(120);
    uint8_t buffer[4];
    auto start = Clock::now();
    EXPECT_EQ(0u, port.Read(buffer, sizeof buffer));
    long elapsed = ElapsedMs(start);
    EXPECT_GE(elapsed, 120);
    EXPECT_LT(elapsed, 200);
}

TEST(SerialPort, InterruptedReadIsResumed) {
    CPtyPair pty;
    CFaultySystem sys;
    CSerialIO port(sys);
    port.SetSettings(PortSettings(pty.SlavePath()));
    port.Open();
    pty.Write({9, 8, 7});
    std::this_thread::sleep_for(milliseconds(10));
    sys.readInterrupts = 2;
    sys.reads = 0;
    port.SetReadTimeout(200);
    uint8_t buffer[3];
    EXPECT_EQ(3u, port.Read(buffer, sizeof buffer));
    EXPECT_EQ(7, buffer[2]);
    EXPECT_EQ(3, sys.reads);
}
