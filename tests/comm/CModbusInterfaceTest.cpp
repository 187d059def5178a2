#include "comm/CModbusInterface.h"

#include "comm/CPrivateException.h"
#include "comm/DebugTrace.h"
#include "tests/comm/ScriptedTransport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

namespace {
using Bytes = std::vector<uint8_t>;
using Log = std::vector<std::string>;

Bytes WithCrc(Bytes pdu) {
    uint16_t crc = CModbusInterface::Crc16(pdu.data(), pdu.size());
    pdu.push_back(static_cast<uint8_t>(crc & 0xFF));
    pdu.push_back(static_cast<uint8_t>(crc >> 8));
    return pdu;
}

// An RTU read reply carrying the given register values.
Bytes ReadReply(const std::vector<uint16_t>& values, uint8_t slave = 1) {
    Bytes pdu = {slave, 0x04, static_cast<uint8_t>(2 * values.size())};
    for (uint16_t v : values) {
        pdu.push_back(static_cast<uint8_t>(v >> 8));
        pdu.push_back(static_cast<uint8_t>(v & 0xFF));
    }
    return WithCrc(pdu);
}

Bytes Tcp(uint16_t transaction, const Bytes& pdu) {
    // Sized up front: GCC 12 at -O2 takes an insert behind the 6-byte header for an overflow.
    Bytes frame(6 + pdu.size(), 0);
    frame[0] = static_cast<uint8_t>(transaction >> 8);
    frame[1] = static_cast<uint8_t>(transaction);
    frame[5] = static_cast<uint8_t>(pdu.size());
    std::copy(pdu.begin(), pdu.end(), frame.begin() + 6);
    return frame;
}

uint16_t TransactionOf(const Bytes& frame) {
    return static_cast<uint16_t>(frame[0] << 8 | frame[1]);
}

class ModbusClient : public ::testing::Test {
protected:
    void SetUp() override {
        SetTraceSink([this](const std::string& line) {
            std::lock_guard lock(m_traceMutex);
            trace.push_back(line);
        });
    }
    void TearDown() override { SetTraceSink(nullptr); }

    CModbusInterface& Client(int mode = kModeRtu, int baudIndex = 3) {
        settings.mode = mode;
        settings.baudIndex = baudIndex;
        client.SetSettings(settings);
        client.Open();
        transport.log.clear();
        return client;
    }

    // The message of the error a call raises, or "" when it succeeds.
    template <class Call> std::string ErrorOf(Call call) {
        try {
            call();
        } catch (const CPrivateException& e) {
            return e.Message();
        }
        return {};
    }

    CScriptedTransport transport;
    CModbusInterface client{transport};
    CommSettings settings;
    std::vector<std::string> trace;

private:
    std::mutex m_traceMutex;
};
} // namespace

TEST(ModbusCrc, KnownVectors) {
    const uint8_t abc[] = {'a', 'b', 'c'};
    EXPECT_EQ(0x5749, CModbusInterface::Crc16(abc, 3));
    const uint8_t check[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    EXPECT_EQ(0x4B37, CModbusInterface::Crc16(check, 9));
    const uint8_t request[] = {0x01, 0x04, 0x25, 0x80, 0x00, 0x01};
    EXPECT_EQ(0x2E3B, CModbusInterface::Crc16(request, 6));
    EXPECT_EQ(0xFFFF, CModbusInterface::Crc16(nullptr, 0));
}

TEST(ModbusTiming, ResponseTimeoutFormula) {
    CommSettings s;
    // Reading 10 registers at 9600: (6 + 23 + 4) x 17000 / 9600 = 58, plus 200.
    EXPECT_EQ(258u, CModbusInterface::ResponseTimeoutFor(s, false, 6, 23));
    // Writing 2 registers: (11 + 6 + 4) x 17000 / 9600 = 37, plus 4000.
    EXPECT_EQ(4037u, CModbusInterface::ResponseTimeoutFor(s, true, 11, 6));
    s.baudIndex = 5;
    EXPECT_EQ(33u * 17000 / 38400 + 200, CModbusInterface::ResponseTimeoutFor(s, false, 6, 23));
    s.baudIndex = 7; // outside the table: 1200 baud
    EXPECT_EQ(33u * 17000 / 1200 + 200, CModbusInterface::ResponseTimeoutFor(s, false, 6, 23));
    s.baudIndex = 3;
    s.mode = kModeRtuFixed; // always 1200 baud
    EXPECT_EQ(33u * 17000 / 1200 + 200, CModbusInterface::ResponseTimeoutFor(s, false, 6, 23));
    s.mode = kModeTcp;
    EXPECT_EQ(5000u, CModbusInterface::ResponseTimeoutFor(s, true, 11, 6));
}

TEST(ModbusTiming, SilentIntervalFollowsTheBaudIndexInEveryMode) {
    CommSettings s;
    EXPECT_EQ(13u, CModbusInterface::SilentInterval(s));
    s.baudIndex = 5;
    EXPECT_EQ(4u, CModbusInterface::SilentInterval(s));
    s.baudIndex = 0;
    EXPECT_EQ(101u, CModbusInterface::SilentInterval(s));
    s.baudIndex = 3;
    s.mode = kModeRtuFixed;
    EXPECT_EQ(13u, CModbusInterface::SilentInterval(s));
}

TEST_F(ModbusClient, ReadOfModelRegisterSendsExactFrameAndSequence) {
    Client();
    transport.replies.push_back(ReadReply({1001}));
    uint16_t value = 0;
    EXPECT_TRUE(client.ReadHoldingRegisters(9600, 1, &value));
    EXPECT_EQ(1001, value);
    // (6 + 5 + 4) x 17000 / 9600 = 26, plus 200; 5 protocol bytes and the CRC expected.
    EXPECT_EQ(
        (Log{"discard", "send 01 04 25 80 00 01 3B 2E", "timeout 226", "receive 7", "pause 13"}),
        transport.log);
    EXPECT_EQ((std::vector<std::string>{"ReadHoldingRegisters: adrs=9601 size=1\n"}), trace);
}

TEST_F(ModbusClient, WriteSendsRegistersHighByteFirst) {
    Client();
    transport.replies.push_back(WithCrc({0x01, 0x10, 0x75, 0x30, 0x00, 0x01}));
    uint16_t value = 99;
    EXPECT_TRUE(client.WriteMultipleRegisters(30000, 1, &value));
    EXPECT_EQ((Log{"discard", "send 01 10 75 30 00 01 02 00 63 C7 4E", "timeout 4033", "receive 8",
                   "pause 13"}),
              transport.log);
    EXPECT_EQ((std::vector<std::string>{"WriteMultipleRegisters: adrs=30001 size=1\n"}), trace);
}

TEST_F(ModbusClient, ReadAssemblesRegistersHighByteFirst) {
    Client();
    transport.replies.push_back(ReadReply({0x86A0, 0x0001, 0xFFFF}));
    uint16_t values[3] = {};
    client.ReadHoldingRegisters(1010, 3, values);
    EXPECT_EQ(0x86A0, values[0]);
    EXPECT_EQ(0x0001, values[1]);
    EXPECT_EQ(0xFFFF, values[2]);
}

TEST_F(ModbusClient, CountZeroSendsNothing) {
    Client();
    EXPECT_TRUE(client.ReadHoldingRegisters(0, 0, nullptr));
    EXPECT_TRUE(client.WriteMultipleRegisters(0, 0, nullptr));
    EXPECT_TRUE(transport.log.empty());
    EXPECT_TRUE(trace.empty());
}

TEST_F(ModbusClient, SlaveAddressSendsItsLowByte) {
    settings.slaveAddress = 0x105;
    Client();
    transport.replies.push_back(ReadReply({7}, 5));
    uint16_t value = 0;
    client.ReadHoldingRegisters(0, 1, &value);
    EXPECT_EQ(0x05, transport.sent[0][0]);
}

TEST_F(ModbusClient, NoAnswerCostsThreeAttemptsEachWithSilentInterval) {
    Client();
    uint16_t value = 0;
    EXPECT_EQ("Modbus command failed. command=ReadHoldingRegister address=9601 size=1 "
              "reason=timeout.",
              ErrorOf([&] { client.ReadHoldingRegisters(9600, 1, &value); }));
    Log attempt = {"discard", "send 01 04 25 80 00 01 3B 2E", "timeout 226", "receive 7",
                   "pause 13"};
    // Before each retry the line must stay quiet for the failed attempt's time-out.
    Log expected;
    for (int i = 0; i < 3; ++i) {
        if (i > 0)
            expected.push_back("quiet 226");
        expected.insert(expected.end(), attempt.begin(), attempt.end());
    }
    EXPECT_EQ(expected, transport.log);
    // The request line once, then one line per failed attempt and per quiet wait.
    EXPECT_EQ((std::vector<std::string>{"ReadHoldingRegisters: adrs=9601 size=1\n", "Timeout\n",
                                        "Waiting for a quiet line\n", "Timeout\n",
                                        "Waiting for a quiet line\n", "Timeout\n"}),
              trace);
}

TEST_F(ModbusClient, FailedAttemptIsRetriedWithTheSameBytes) {
    Client();
    transport.replies = {{}, ReadReply({42})};
    uint16_t value = 0;
    EXPECT_TRUE(client.ReadHoldingRegisters(100, 1, &value));
    EXPECT_EQ(42, value);
    ASSERT_EQ(2u, transport.sent.size());
    EXPECT_EQ(transport.sent[0], transport.sent[1]);
}

TEST_F(ModbusClient, CrcErrorRaisesWithoutSilentInterval) {
    Client();
    Bytes bad = ReadReply({1001});
    bad.back() ^= 0x01;
    transport.replies = {bad, bad, bad};
    uint16_t value = 0;
    EXPECT_EQ("Modbus command failed. command=ReadHoldingRegister address=9601 size=1 "
              "reason=crc error.",
              ErrorOf([&] { client.ReadHoldingRegisters(9600, 1, &value); }));
    for (const std::string& entry : transport.log)
        EXPECT_NE(0u, entry.rfind("pause", 0)) << "no silent interval after a CRC error";
    EXPECT_EQ(0, value);
}

TEST_F(ModbusClient, ShortAnswerIsInvalidAfterTheSilentInterval) {
    Client();
    Bytes reply = ReadReply({1, 2});
    reply.pop_back(); // one byte short
    transport.replies = {reply, reply, reply};
    uint16_t values[2] = {};
    EXPECT_EQ("Modbus command failed. command=ReadHoldingRegister address=11 size=2 "
              "reason=invalid response.",
              ErrorOf([&] { client.ReadHoldingRegisters(10, 2, values); }));
    EXPECT_EQ("pause 13", transport.log.back());
    EXPECT_EQ("Invalid response\n", trace.back());
}

TEST_F(ModbusClient, ExceptionAnswerNamesItsCode) {
    Client();
    Bytes exception = WithCrc({0x01, 0x84, 0x02});
    transport.replies = {exception, exception, exception};
    uint16_t value = 0;
    EXPECT_EQ("Modbus command failed. command=ReadHoldingRegister address=9601 size=1 "
              "reason=receive exception 2.",
              ErrorOf([&] { client.ReadHoldingRegisters(9600, 1, &value); }));
    EXPECT_EQ("Exception 2\n", trace.back());
    EXPECT_EQ(3, std::count(transport.log.begin(), transport.log.end(), "pause 13"));
}

TEST_F(ModbusClient, WriteFailureNamesTheWriteCommand) {
    Client();
    uint16_t values[2] = {1, 2};
    EXPECT_EQ("Modbus command failed. command=WriteMultipleRegisters address=1011 size=2 "
              "reason=timeout.",
              ErrorOf([&] { client.WriteMultipleRegisters(1010, 2, values); }));
}

TEST_F(ModbusClient, PortFailureInsideRequestIsRetried) {
    Client();
    transport.failTimeoutAt = 0;
    transport.replies.push_back(ReadReply({5}));
    uint16_t value = 0;
    EXPECT_TRUE(client.ReadHoldingRegisters(0, 1, &value));
    EXPECT_EQ(5, value);
    EXPECT_EQ(2u, transport.sent.size());
}

TEST_F(ModbusClient, FixedLineSplitsIntoEightRegisterRequests) {
    settings.slaveAddress = 7; // mode 2 always talks to slave 1
    Client(kModeRtuFixed);
    transport.responder = [](const Bytes& request) {
        std::vector<uint16_t> values(request[5]);
        for (std::size_t i = 0; i < values.size(); ++i)
            values[i] = static_cast<uint16_t>((request[2] << 8 | request[3]) + i);
        return ReadReply(values);
    };
    std::vector<uint16_t> values(20);
    client.ReadHoldingRegisters(4000, 20, values.data());
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(4000 + i, values[i]);
    ASSERT_EQ(3u, transport.sent.size());
    EXPECT_EQ("01 04 0F A0 00 08", CScriptedTransport::Hex(Bytes(transport.sent[0].begin(),
                                                                 transport.sent[0].begin() + 6)));
    EXPECT_EQ("01 04 0F A8 00 08", CScriptedTransport::Hex(Bytes(transport.sent[1].begin(),
                                                                 transport.sent[1].begin() + 6)));
    EXPECT_EQ("01 04 0F B0 00 04", CScriptedTransport::Hex(Bytes(transport.sent[2].begin(),
                                                                 transport.sent[2].begin() + 6)));
    EXPECT_EQ((std::vector<std::string>{"ReadHoldingRegisters: adrs=4001 size=8\n",
                                        "ReadHoldingRegisters: adrs=4009 size=8\n",
                                        "ReadHoldingRegisters: adrs=4017 size=4\n"}),
              trace);
    // 1200 baud for the time-out: (6 + 19 + 4) x 17000 / 1200 + 200.
    EXPECT_NE(transport.log.end(),
              std::find(transport.log.begin(), transport.log.end(), "timeout 610"));
}

TEST_F(ModbusClient, FixedLineRetriesEachRequestTenTimes) {
    Client(kModeRtuFixed);
    // The first request succeeds; the second never gets an answer.
    transport.replies.push_back(ReadReply({1, 2, 3, 4, 5, 6, 7, 8}));
    std::vector<uint16_t> values(12);
    EXPECT_EQ("Modbus command failed. command=ReadHoldingRegister address=9 size=4 "
              "reason=timeout.",
              ErrorOf([&] { client.ReadHoldingRegisters(0, 12, values.data()); }));
    EXPECT_EQ(11u, transport.sent.size());
    EXPECT_EQ(8, values[7]);
}

TEST_F(ModbusClient, FixedLineSplitsWritesToo) {
    Client(kModeRtuFixed);
    transport.responder = [](const Bytes& request) {
        return WithCrc(Bytes(request.begin(), request.begin() + 6));
    };
    std::vector<uint16_t> values(10, 0x1234);
    client.WriteMultipleRegisters(2010, 10, values.data());
    ASSERT_EQ(2u, transport.sent.size());
    EXPECT_EQ(7u + 16 + 2, transport.sent[0].size());
    EXPECT_EQ(7u + 4 + 2, transport.sent[1].size());
    EXPECT_EQ(2018, transport.sent[1][2] << 8 | transport.sent[1][3]);
    EXPECT_EQ(2, transport.sent[1][5]);
    EXPECT_EQ(4, transport.sent[1][6]);
}

TEST_F(ModbusClient, TcpFrameCarriesTransactionHeaderWithoutCrc) {
    Client(kModeTcp);
    transport.responder = [](const Bytes& request) {
        return Tcp(TransactionOf(request), {0x01, 0x04, 0x02, 0x03, 0xE9});
    };
    uint16_t value = 0;
    client.ReadHoldingRegisters(9600, 1, &value);
    EXPECT_EQ(1001, value);
    ASSERT_EQ(1u, transport.sent.size());
    const Bytes& frame = transport.sent[0];
    uint16_t id = TransactionOf(frame);
    EXPECT_EQ(id, CModbusInterface::LastTransactionId());
    EXPECT_EQ(Tcp(id, {0x01, 0x04, 0x25, 0x80, 0x00, 0x01}), frame);
    // No drain read and no silent interval on TCP; 5000 ms, R + 6 bytes asked for.
    EXPECT_EQ((Log{"send " + CScriptedTransport::Hex(frame), "timeout 5000", "receive 11"}),
              transport.log);
}

TEST_F(ModbusClient, TcpWrongTransactionIsRetriedWithTheNextIdentifier) {
    Client(kModeTcp);
    int calls = 0;
    transport.responder = [&calls](const Bytes& request) {
        uint16_t id = TransactionOf(request);
        return Tcp(calls++ == 0 ? static_cast<uint16_t>(id - 1) : id,
                   {0x01, 0x04, 0x02, 0x00, 0x07});
    };
    uint16_t value = 0;
    client.ReadHoldingRegisters(0, 1, &value);
    EXPECT_EQ(7, value);
    ASSERT_EQ(2u, transport.sent.size());
    EXPECT_EQ(static_cast<uint16_t>(TransactionOf(transport.sent[0]) + 1),
              TransactionOf(transport.sent[1]));
    EXPECT_EQ("Invalid transaction\n", trace[1]);
}

TEST_F(ModbusClient, TcpHeaderOnlyAnswerIsTimeout) {
    Client(kModeTcp);
    transport.responder = [](const Bytes& request) { return Tcp(TransactionOf(request), {}); };
    uint16_t value = 0;
    EXPECT_EQ("Modbus command failed. command=ReadHoldingRegister address=1 size=1 "
              "reason=timeout.",
              ErrorOf([&] { client.ReadHoldingRegisters(0, 1, &value); }));
}

TEST_F(ModbusClient, TcpTransactionIdentifierWrapsAfter65535) {
    Client(kModeTcp);
    transport.responder = [](const Bytes& request) {
        return Tcp(TransactionOf(request), {0x01, 0x04, 0x02, 0x00, 0x00});
    };
    // The counter is process-wide: run requests until it has passed 65535 once.
    uint16_t value = 0;
    std::vector<uint16_t> ids;
    for (int i = 0; i < 65537; ++i) {
        client.ReadHoldingRegisters(0, 1, &value);
        ids.push_back(TransactionOf(transport.sent.back()));
        transport.sent.clear();
        transport.log.clear();
        if (ids.size() >= 2 && ids[ids.size() - 2] == 65535)
            break;
    }
    ASSERT_GE(ids.size(), 2u);
    EXPECT_EQ(65535, ids[ids.size() - 2]);
    EXPECT_EQ(0, ids.back());
    for (std::size_t i = 1; i < ids.size(); ++i)
        ASSERT_EQ(static_cast<uint16_t>(ids[i - 1] + 1), ids[i]);
}

TEST_F(ModbusClient, OpenAndCloseReachTheTransport) {
    settings.portName = "/dev/null-port";
    client.SetSettings(settings);
    client.Open();
    EXPECT_TRUE(client.IsOpen());
    EXPECT_EQ("/dev/null-port", transport.opened.portName);
    client.Close();
    EXPECT_FALSE(client.IsOpen());
    // Open closes whatever was open first.
    EXPECT_EQ((Log{"close", "open", "close"}), transport.log);
}

// An answer that belongs to another request is refused like a corrupted one: retried, and after
// the attempts the composed message. Taking it would store another register's value.
TEST_F(ModbusClient, AnswersThatDoNotMatchTheRequestAreRefused) {
    const Bytes good = ReadReply({7, 8});
    const std::vector<std::pair<const char*, Bytes>> rtu = {
        {"another slave", ReadReply({7, 8}, 2)},
        {"function 0x03", WithCrc({0x01, 0x03, 0x04, 0x00, 0x07, 0x00, 0x08})},
        {"byte count 16", WithCrc({0x01, 0x04, 0x10, 0x00, 0x07, 0x00, 0x08})},
    };
    for (const auto& [what, bad] : rtu) {
        Client();
        transport.replies = {bad, good};
        uint16_t values[2] = {};
        EXPECT_TRUE(client.ReadHoldingRegisters(10, 2, values)) << what;
        EXPECT_EQ(7, values[0]) << what;
        EXPECT_EQ(8, values[1]) << what;
        transport.replies = {bad, bad, bad};
        EXPECT_EQ("Modbus command failed. command=ReadHoldingRegister address=11 size=2 "
                  "reason=unexpected response.",
                  ErrorOf([&] { client.ReadHoldingRegisters(10, 2, values); }))
            << what;
    }
    // A write's echo must name the address and count written.
    Client();
    transport.replies = {WithCrc({0x01, 0x10, 0x03, 0xF3, 0x00, 0x03}),
                         WithCrc({0x01, 0x10, 0x03, 0xF2, 0x00, 0x02})};
    uint16_t write[2] = {1, 2};
    std::size_t before = transport.sent.size();
    EXPECT_TRUE(client.WriteMultipleRegisters(1010, 2, write));
    EXPECT_EQ(2u, transport.sent.size() - before);

    // TCP: unit, function, byte count, protocol id and the length field.
    auto tcpCases = [](uint16_t id) -> std::vector<Bytes> {
        Bytes protocol = Tcp(id, {0x01, 0x04, 0x02, 0x00, 0x07});
        protocol[3] = 1;
        Bytes length = Tcp(id, {0x01, 0x04, 0x02, 0x00, 0x07});
        length[5] = 9;
        return {Tcp(id, {0x02, 0x04, 0x02, 0x00, 0x07}), Tcp(id, {0x01, 0x03, 0x02, 0x00, 0x07}),
                Tcp(id, {0x01, 0x04, 0x04, 0x00, 0x07}), protocol, length};
    };
    for (std::size_t k = 0; k < 5; ++k) {
        Client(kModeTcp);
        int answers = 0;
        transport.responder = [&](const Bytes& request) {
            uint16_t id = TransactionOf(request);
            return answers++ == 0 ? tcpCases(id)[k] : Tcp(id, {0x01, 0x04, 0x02, 0x00, 0x07});
        };
        uint16_t value = 0;
        EXPECT_TRUE(client.ReadHoldingRegisters(0, 1, &value)) << "TCP case " << k;
        EXPECT_EQ(7, value);
        EXPECT_EQ(2, answers) << "TCP case " << k;
    }
}

// The answers to a request that failed arrive after its time-out (a slow line): they are let
// in and dropped before the next request goes out, never taken for its answer.
TEST_F(ModbusClient, LateAnswerToAFailedRequestIsNeverTakenForTheNext) {
    Client();
    int calls = 0;
    transport.responder = [&](const Bytes&) -> Bytes {
        if (calls++ < 3) {
            transport.late.push_back(ReadReply({111}));
            return {};
        }
        return ReadReply({222});
    };
    uint16_t a = 0;
    uint16_t b = 0;
    EXPECT_THROW(client.ReadHoldingRegisters(100, 1, &a), CPrivateException);
    EXPECT_TRUE(client.ReadHoldingRegisters(200, 1, &b));
    EXPECT_EQ(222, b);
    EXPECT_EQ(3u, transport.lateDropped);
}

// TCP: a repeated or late frame of an earlier request is read and dropped; the answer that
// follows is taken without a retry, and the stream stays in step for the requests after it.
TEST_F(ModbusClient, TcpFrameOfAnEarlierRequestIsDropped) {
    Client(kModeTcp);
    transport.responder = [](const Bytes& request) {
        return Tcp(TransactionOf(request), {0x01, 0x04, 0x02, 0x00, request[9]});
    };
    uint16_t value = 0;
    client.ReadHoldingRegisters(5, 1, &value);
    EXPECT_EQ(5, value);
    transport.late.push_back(Tcp(TransactionOf(transport.sent.back()), {0x01, 0x04, 0x02, 0, 5}));
    for (int address : {6, 7}) {
        client.ReadHoldingRegisters(address, 1, &value);
        EXPECT_EQ(address, value);
    }
    EXPECT_EQ(3u, transport.sent.size()) << "no retry";
}
