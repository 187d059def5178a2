// CSimServer on its transports: pseudo-terminal, existing device, TCP; framing on the line,
// line-rate delay and prompt stopping.
#include "sim/CSimServer.h"

#include "sim/CSimDevice.h"

#include "tests/sim/SimTestSupport.h"

#include <chrono>
#include <cstring>
#include <thread>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

const Bytes kModelRead = ReadFrame(9600, 1);
const Bytes kModelAnswer = WithCrc({0x01, 0x04, 0x02, 0x03, 0xE9});

class CFd {
public:
    explicit CFd(int fd = -1) : m_fd(fd) {}
    ~CFd() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    CFd(const CFd&) = delete;
    CFd& operator=(const CFd&) = delete;
    int Get() const { return m_fd; }

private:
    int m_fd;
};

// A client end of a serial line in raw mode, as the program opens it.
int OpenRaw(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        ADD_FAILURE() << "open " << path << ": " << std::strerror(errno);
        return -1;
    }
    termios tio{};
    ::tcgetattr(fd, &tio);
    termios raw = tio;
    ::cfmakeraw(&raw);
    if (std::memcmp(&raw, &tio, sizeof tio) != 0) {
        ::tcsetattr(fd, TCSANOW, &raw);
    }
    return fd;
}

void Send(int fd, const Bytes& bytes) {
    ASSERT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
}

// Reads until `expected` bytes arrived or `timeout` passed.
Bytes Receive(int fd, size_t expected, std::chrono::milliseconds timeout = 2000ms) {
    Bytes bytes;
    const auto until = Clock::now() + timeout;
    while (bytes.size() < expected) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now()).count();
        if (left <= 0) {
            break;
        }
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left)) <= 0) {
            break;
        }
        uint8_t chunk[256];
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n > 0) {
            bytes.insert(bytes.end(), chunk, chunk + n);
        } else if (n == 0 || errno != EAGAIN) {
            break;
        }
    }
    return bytes;
}

int ConnectTcp(uint16_t port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ADD_FAILURE() << "connect: " << std::strerror(errno);
    }
    return fd;
}

} // namespace

TEST(CSimServer, PtyRoundTripAnswersTheModelNumber) {
    CSimDevice device(1001);
    CSimServer server(device);
    const std::string path = server.StartPty();
    EXPECT_EQ(path.rfind("/dev/pts/", 0), 0u) << path;
    EXPECT_EQ(server.GetPath(), path);
    EXPECT_TRUE(server.IsRunning());
    CFd line(OpenRaw(path));
    Send(line.Get(), kModelRead);
    EXPECT_EQ(HexText(Receive(line.Get(), 7)), HexText(kModelAnswer));
    // Again after the client closed and reopened the port.
    {
        CFd again(OpenRaw(path));
        Send(again.Get(), ReadFrame(9601, 2));
        EXPECT_EQ(ReadAnswerValues(Receive(again.Get(), 9)), (std::vector<uint16_t>{100, 110}));
    }
    CFd third(OpenRaw(path));
    Send(third.Get(), WriteFrame(1000, {3}));
    EXPECT_EQ(Receive(third.Get(), 8), WithCrc({0x01, 0x10, 0x03, 0xE8, 0x00, 0x01}));
    EXPECT_EQ(device.GetRegister(1000), 3);
}

TEST(CSimServer, FramesSplitAcrossWritesAndBackToBackAreAnswered) {
    CSimDevice device(1001);
    CSimServer server(device);
    CFd line(OpenRaw(server.StartPty()));
    const Bytes write = WriteFrame(9629, {'a', 'b', 'c'});
    Send(line.Get(), Bytes(write.begin(), write.begin() + 5));
    std::this_thread::sleep_for(1ms);
    Send(line.Get(), Bytes(write.begin() + 5, write.end()));
    EXPECT_EQ(Receive(line.Get(), 8).size(), 8u);
    EXPECT_EQ(device.GetText16(9629, 16), "abc");

    Bytes two = kModelRead;
    two.insert(two.end(), kModelRead.begin(), kModelRead.end());
    Send(line.Get(), two);
    Bytes both = kModelAnswer;
    both.insert(both.end(), kModelAnswer.begin(), kModelAnswer.end());
    EXPECT_EQ(Receive(line.Get(), 14), both);
}

TEST(CSimServer, LineResynchronisesAfterGarbageAndSilence) {
    CSimDevice device(1001);
    CSimServer server(device);
    CFd line(OpenRaw(server.StartPty()));
    // A frame with a bad CRC followed at once by a good one: everything up to the silence is
    // dropped, as on a real line.
    Bytes bad = kModelRead;
    bad[7] ^= 0xFF;
    Bytes burst = bad;
    burst.insert(burst.end(), kModelRead.begin(), kModelRead.end());
    Send(line.Get(), burst);
    EXPECT_TRUE(Receive(line.Get(), 1, 100ms).empty());
    // Noise that fits no frame, then silence, then a request.
    Send(line.Get(), {0x01, 0x55});
    std::this_thread::sleep_for(20ms);
    Send(line.Get(), kModelRead);
    EXPECT_EQ(Receive(line.Get(), 7), kModelAnswer);
    // An unknown function is known only at the silence; it gets exception 1.
    Send(line.Get(), WithCrc({0x01, 0x2B, 0x0E, 0x01, 0x00}));
    EXPECT_EQ(Receive(line.Get(), 5), WithCrc({0x01, 0xAB, 0x01}));
}

TEST(CSimServer, StopIsPromptEvenDuringAStall) {
    CSimDevice device(1001);
    CSimFaults faults;
    faults.stallMs = 20000;
    device.SetFaults(faults);
    device.ForceFault(CSimFault::Stall);
    CSimServer server(device);
    const std::string link = "/tmp/q3simtest-link-" + std::to_string(::getpid());
    const std::string path = server.StartPty(link);
    char target[128] = {};
    ASSERT_GT(::readlink(link.c_str(), target, sizeof target - 1), 0);
    EXPECT_EQ(path, target);
    EXPECT_EQ(server.GetLinkPath(), link);
    CFd line(OpenRaw(link));
    Send(line.Get(), kModelRead);
    std::this_thread::sleep_for(50ms);
    const auto start = Clock::now();
    server.Stop();
    EXPECT_LT(Clock::now() - start, 500ms);
    EXPECT_FALSE(server.IsRunning());
    struct stat st {};
    EXPECT_NE(::lstat(link.c_str(), &st), 0);
    EXPECT_THROW(server.StartDevice("/nonexistent/tty"), std::runtime_error);
    EXPECT_NO_THROW(server.StartTcp());
    EXPECT_THROW(server.StartTcp(), std::logic_error);
}

TEST(CSimServer, ExistingDevicePathIsServed) {
    // A pty pair stands in for a serial cable: the server takes the slave, the test the master.
    CFd master(::posix_openpt(O_RDWR | O_NOCTTY));
    ASSERT_GE(master.Get(), 0);
    ASSERT_EQ(::grantpt(master.Get()), 0);
    ASSERT_EQ(::unlockpt(master.Get()), 0);
    char name[128];
    ASSERT_EQ(::ptsname_r(master.Get(), name, sizeof name), 0);
    termios raw{};
    ::tcgetattr(master.Get(), &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(master.Get(), TCSANOW, &raw);

    CSimDevice device(1032);
    CSimServer server(device);
    server.StartDevice(name, 9600);
    EXPECT_EQ(server.GetPath(), name);
    Send(master.Get(), kModelRead);
    EXPECT_EQ(Receive(master.Get(), 7), WithCrc({0x01, 0x04, 0x02, 0x04, 0x08}));
    // The device's line settings: 8 data bits, 1 stop bit, odd parity (a pty keeps no parity
    // enable bit, so only the rest is visible here).
    CFd probe(::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK));
    termios line{};
    ASSERT_EQ(::tcgetattr(probe.Get(), &line), 0);
    EXPECT_EQ(line.c_cflag & (CSIZE | PARODD | CSTOPB), static_cast<tcflag_t>(CS8 | PARODD));
    EXPECT_THROW(CSimServer(device).StartDevice(name, 12345), std::runtime_error);
}

TEST(CSimServer, TcpRoundTripWithMbapHeader) {
    CSimDevice device(1011);
    CSimServer server(device);
    const uint16_t port = server.StartTcp(0);
    EXPECT_GT(port, 0);
    EXPECT_EQ(server.GetTcpPort(), port);
    EXPECT_EQ(server.GetPath(), "127.0.0.1:" + std::to_string(port));
    CFd socket(ConnectTcp(port));
    Send(socket.Get(), {0xAB, 0xCD, 0x00, 0x00, 0x00, 0x06, 0x01, 0x04, 0x25, 0x80, 0x00, 0x01});
    EXPECT_EQ(HexText(Receive(socket.Get(), 11)), "AB CD 00 00 00 05 01 04 02 03 F3");
    // A write, sent in two pieces.
    const Bytes write = {0x00, 0x02, 0x00, 0x00, 0x00, 0x09, 0x01, 0x10,
                         0x03, 0xE8, 0x00, 0x01, 0x02, 0x00, 0x04};
    Send(socket.Get(), Bytes(write.begin(), write.begin() + 4));
    std::this_thread::sleep_for(5ms);
    Send(socket.Get(), Bytes(write.begin() + 4, write.end()));
    EXPECT_EQ(HexText(Receive(socket.Get(), 12)), "00 02 00 00 00 06 01 10 03 E8 00 01");
    EXPECT_EQ(device.GetRegister(1000), 4);
    // A second client at the same time.
    CFd other(ConnectTcp(port));
    Send(other.Get(), {0x00, 0x03, 0x00, 0x00, 0x00, 0x06, 0x01, 0x04, 0x03, 0xE8, 0x00, 0x01});
    EXPECT_EQ(HexText(Receive(other.Get(), 11)), "00 03 00 00 00 05 01 04 02 00 04");
    server.Stop();
    EXPECT_TRUE(Receive(socket.Get(), 1, 200ms).empty());
}

TEST(CSimServer, BaudEmulationDelaysEachAnswerByItsLineTime) {
    CSimDevice device(1001);
    CSimServer server(device);
    server.SetLineTiming(9600, 20);
    CFd line(OpenRaw(server.StartPty()));
    // 8 request + 7 answer bytes at 11 bits each: 17.2 ms, plus the 20 ms turnaround.
    const auto start = Clock::now();
    Send(line.Get(), kModelRead);
    EXPECT_EQ(Receive(line.Get(), 7), kModelAnswer);
    EXPECT_GE(Clock::now() - start, 37ms);

    // 125 registers: 8 + 255 bytes, 301 ms at 9600 baud.
    CSimServer slow(device);
    slow.SetLineTiming(9600, 0);
    CFd line2(OpenRaw(slow.StartPty()));
    const auto start2 = Clock::now();
    Send(line2.Get(), ReadFrame(4013, 125));
    EXPECT_EQ(Receive(line2.Get(), 255).size(), 255u);
    EXPECT_GE(Clock::now() - start2, 300ms);
}

TEST(CSimServer, AutoTickAdvancesTheInputWithWallTime) {
    CSimDevice device(1011);
    CSimInput ramp;
    ramp.shape = CSimInput::Shape::Ramp;
    ramp.a = 0;
    ramp.b = 1000; // 1000 % per second: a visible change within milliseconds
    ramp.periodS = 1;
    device.SetInput(ramp);
    CSimServer server(device);
    CFd line(OpenRaw(server.StartPty()));
    Send(line.Get(), ReadFrame(2, 2));
    const std::vector<uint16_t> first = ReadAnswerValues(Receive(line.Get(), 9));
    std::this_thread::sleep_for(30ms);
    Send(line.Get(), ReadFrame(2, 2));
    const std::vector<uint16_t> second = ReadAnswerValues(Receive(line.Get(), 9));
    ASSERT_EQ(first.size(), 2u);
    ASSERT_EQ(second.size(), 2u);
    EXPECT_NE(first, second);

    CSimDevice still(1011);
    still.SetInput(ramp);
    CSimServer manual(still);
    manual.SetAutoTick(false);
    CFd line2(OpenRaw(manual.StartPty()));
    std::this_thread::sleep_for(30ms);
    Send(line2.Get(), ReadFrame(2, 2));
    EXPECT_EQ(ReadAnswerValues(Receive(line2.Get(), 9)), (std::vector<uint16_t>{0, 0}));
}
