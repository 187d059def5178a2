// The Modbus client's TCP transport against a scripted server on the loopback interface.
#include "comm/CModbusInterface.h"

#include "comm/CPrivateException.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
using Clock = std::chrono::steady_clock;
using Bytes = std::vector<uint8_t>;

long ElapsedMs(Clock::time_point start) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

// Accepts one connection and answers each request with the script's frames (each element is
// sent as its own segment, 20 ms apart; nothing: no answer).
class CTcpServer {
public:
    using Script = std::function<std::vector<Bytes>(const Bytes& request, int index)>;

    explicit CTcpServer(Script script) : m_script(std::move(script)) {
        m_listen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(m_listen, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(m_listen, 1);
        socklen_t length = sizeof address;
        ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this] { Run(); });
    }
    ~CTcpServer() {
        m_stop = true;
        m_thread.join();
        ::close(m_listen);
    }
    std::string Port() const { return std::to_string(m_port); }
    int Requests() const { return m_requests; }

private:
    void Run() {
        int client = -1;
        Bytes pending;
        while (!m_stop) {
            pollfd p{client < 0 ? m_listen : client, POLLIN, 0};
            if (::poll(&p, 1, 10) <= 0)
                continue;
            if (client < 0) {
                client = ::accept(m_listen, nullptr, nullptr);
                continue;
            }
            uint8_t buffer[512];
            ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
            if (n <= 0)
                break;
            pending.insert(pending.end(), buffer, buffer + n);
            while (pending.size() >= 6 && pending.size() >= 6u + pending[5]) {
                Bytes request(pending.begin(), pending.begin() + 6 + pending[5]);
                pending.erase(pending.begin(), pending.begin() + 6 + pending[5]);
                for (const Bytes& segment : m_script(request, m_requests++)) {
                    ::send(client, segment.data(), segment.size(), MSG_NOSIGNAL);
                    std::this_thread::sleep_for(std::chrono::milliseconds(20));
                }
            }
        }
        if (client >= 0)
            ::close(client);
    }

    Script m_script;
    int m_listen = -1;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_requests{0};
    std::thread m_thread;
};

// The answer to a read: register r holds r + 1000.
Bytes ReadAnswer(const Bytes& request) {
    int start = request[8] << 8 | request[9];
    int n = request[11];
    Bytes frame(request.begin(), request.begin() + 4);
    frame.push_back(0);
    frame.push_back(static_cast<uint8_t>(3 + 2 * n));
    frame.insert(frame.end(), {request[6], 0x04, static_cast<uint8_t>(2 * n)});
    for (int i = 0; i < n; ++i) {
        frame.push_back(static_cast<uint8_t>((start + i + 1000) >> 8));
        frame.push_back(static_cast<uint8_t>((start + i + 1000) & 0xFF));
    }
    return frame;
}

CommSettings TcpSettings(const std::string& host, const std::string& service) {
    CommSettings s;
    s.mode = kModeTcp;
    s.host = host;
    s.service = service;
    return s;
}

std::string OpenError(const CommSettings& s) {
    CModbusInterface client;
    client.SetSettings(s);
    try {
        client.Open();
    } catch (const CPrivateException& e) {
        return e.Message();
    }
    return {};
}
} // namespace

TEST(ModbusTcp, ReadsAndWritesOverTheSocket) {
    CTcpServer server([](const Bytes& request, int) -> std::vector<Bytes> {
        if (request[7] == 0x10) {
            Bytes echo(request.begin(), request.begin() + 12);
            echo[5] = 6; // unit, function, address and count follow the header
            return {echo};
        }
        return {ReadAnswer(request)};
    });
    CModbusInterface client;
    client.SetSettings(TcpSettings("127.0.0.1", server.Port()));
    client.Open();
    ASSERT_NE(nullptr, client.TcpTransport().Timer());
    uint16_t values[3] = {};
    client.ReadHoldingRegisters(9600, 3, values);
    EXPECT_EQ(10600, values[0]);
    EXPECT_EQ(10602, values[2]);
    uint16_t write[2] = {1, 2};
    EXPECT_TRUE(client.WriteMultipleRegisters(1010, 2, write));
    EXPECT_EQ(2, server.Requests());
    client.Close();
    EXPECT_EQ(nullptr, client.TcpTransport().Timer());
}

TEST(ModbusTcp, AnswerSplitOverSegmentsIsReadWhole) {
    CTcpServer server([](const Bytes& request, int) -> std::vector<Bytes> {
        Bytes answer = ReadAnswer(request);
        return {Bytes(answer.begin(), answer.begin() + 4), Bytes(answer.begin() + 4, answer.end())};
    });
    CModbusInterface client;
    client.SetSettings(TcpSettings("localhost", server.Port()));
    client.Open();
    uint16_t value = 0;
    client.ReadHoldingRegisters(1, 1, &value);
    EXPECT_EQ(1001, value);
    EXPECT_EQ(1, server.Requests());
}

TEST(ModbusTcp, WatchdogCutsTheSilentReceiveAndTheRetryGetsTheNextIdentifier) {
    std::mutex idsMutex;
    std::vector<uint16_t> ids;
    CTcpServer server([&](const Bytes& request, int index) -> std::vector<Bytes> {
        {
            std::lock_guard lock(idsMutex);
            ids.push_back(static_cast<uint16_t>(request[0] << 8 | request[1]));
        }
        if (index == 0)
            return {}; // swallowed: the client waits its 5000 ms
        return {ReadAnswer(request)};
    });
    CModbusInterface client;
    client.SetSettings(TcpSettings("127.0.0.1", server.Port()));
    client.Open();
    uint16_t value = 0;
    Clock::time_point start = Clock::now();
    client.ReadHoldingRegisters(4, 1, &value);
    long elapsed = ElapsedMs(start);
    EXPECT_EQ(1004, value);
    // Cut by the watchdog at 5000 ms, not by the receive's own backstop a second later.
    EXPECT_GE(elapsed, 5000);
    EXPECT_LT(elapsed, 5600);
    EXPECT_EQ(1u, client.TcpTransport().Timer()->ExpiryCount());
    std::lock_guard lock(idsMutex);
    ASSERT_EQ(2u, ids.size());
    EXPECT_EQ(static_cast<uint16_t>(ids[0] + 1), ids[1]);
}

TEST(ModbusTcp, RefusedConnectionRaisesTheSystemReason) {
    int probe = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    ::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
    std::string port = std::to_string(ntohs(address.sin_port));
    ::close(probe); // nobody listens there now
    EXPECT_EQ("Modbus-TCP Error. Connection refused", OpenError(TcpSettings("127.0.0.1", port)));
}

TEST(ModbusTcp, UnresolvableServiceRaisesTheResolverReason) {
    std::string text = OpenError(TcpSettings("127.0.0.1", "no-such-service-q3"));
    EXPECT_EQ(0u, text.rfind("Modbus-TCP Error. ", 0));
    EXPECT_GT(text.size(), std::string("Modbus-TCP Error. ").size());
}
