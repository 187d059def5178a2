// The Modbus client over a real serial port object on a pseudo-terminal, the device played by a
// scripted responder on the master side.
#include "comm/CModbusInterface.h"

#include "comm/CPrivateException.h"
#include "tests/comm/PtyPair.h"

#include <gtest/gtest.h>

#include <chrono>

namespace {
using Clock = std::chrono::steady_clock;
using Bytes = std::vector<uint8_t>;

Bytes WithCrc(Bytes pdu) {
    uint16_t crc = CModbusInterface::Crc16(pdu.data(), pdu.size());
    pdu.push_back(static_cast<uint8_t>(crc & 0xFF));
    pdu.push_back(static_cast<uint8_t>(crc >> 8));
    return pdu;
}

// Answers a read of n registers with register r holding r.
Bytes Echo(const Bytes& request) {
    int start = request[2] << 8 | request[3];
    int n = request[5];
    Bytes pdu = {request[0], 0x04, static_cast<uint8_t>(2 * n)};
    for (int i = 0; i < n; ++i) {
        pdu.push_back(static_cast<uint8_t>((start + i) >> 8));
        pdu.push_back(static_cast<uint8_t>((start + i) & 0xFF));
    }
    return WithCrc(pdu);
}

long ElapsedMs(Clock::time_point start) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

class ModbusOverPty : public ::testing::Test {
protected:
    void SetUp() override {
        CommSettings s;
        s.portName = pty.SlavePath();
        client.SetSettings(s);
        client.Open();
    }
    CPtyPair pty;
    CModbusInterface client;
};
} // namespace

TEST_F(ModbusOverPty, RequestFrameOnTheWire) {
    uint16_t value = 0;
    Clock::time_point start = Clock::now();
    EXPECT_THROW(client.ReadHoldingRegisters(9600, 1, &value), CPrivateException);
    // Three identical requests: one per attempt.
    Bytes one = {0x01, 0x04, 0x25, 0x80, 0x00, 0x01, 0x3B, 0x2E};
    Bytes all;
    for (int i = 0; i < 3; ++i)
        all.insert(all.end(), one.begin(), one.end());
    EXPECT_EQ(all, pty.ReadFor(std::chrono::milliseconds(20)));
    // Each attempt waits its time-out of 226 ms, then the 13 ms silent interval.
    long elapsed = ElapsedMs(start);
    EXPECT_GE(elapsed, 3 * (226 + 13));
    EXPECT_LT(elapsed, 3 * (226 + 13) + 150);
}

TEST_F(ModbusOverPty, StaleBytesAfterAFrameAreDrainedBeforeTheNextRequest) {
    CPtyResponder device(pty, [](const Bytes& request) {
        Bytes reply = Echo(request);
        // Garbage after the complete frame, left in the port by the read of R + 2 bytes.
        reply.insert(reply.end(), {0x01, 0x04, 0x02});
        return reply;
    });
    uint16_t values[2] = {};
    client.ReadHoldingRegisters(100, 2, values);
    EXPECT_EQ(100, values[0]);
    EXPECT_EQ(101, values[1]);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    client.ReadHoldingRegisters(200, 1, values);
    EXPECT_EQ(200, values[0]);
    EXPECT_EQ(2, device.Requests()) << "no retry: the stale bytes never reached the response";
}

TEST_F(ModbusOverPty, CrcErrorSkipsTheSilentInterval) {
    CPtyResponder device(pty, [](const Bytes& request) {
        Bytes reply = Echo(request);
        reply.back() ^= 0xFF;
        return reply;
    });
    uint16_t value = 0;
    Clock::time_point start = Clock::now();
    try {
        client.ReadHoldingRegisters(5, 1, &value);
        FAIL() << "no error";
    } catch (const CPrivateException& e) {
        EXPECT_EQ("Modbus command failed. command=ReadHoldingRegister address=6 size=1 "
                  "reason=crc error.",
                  e.Message());
    }
    // Three attempts answered at once, with no 13 ms pause after any of them.
    EXPECT_LT(ElapsedMs(start), 3 * 13);
    EXPECT_EQ(3, device.Requests());
}

TEST_F(ModbusOverPty, ExceptionAnswerWaitsForTheTimeoutThenReports) {
    CPtyResponder device(pty, [](const Bytes& request) {
        return WithCrc({request[0], static_cast<uint8_t>(request[1] | 0x80), 0x02});
    });
    uint16_t value = 0;
    try {
        client.ReadHoldingRegisters(5, 1, &value);
        FAIL() << "no error";
    } catch (const CPrivateException& e) {
        EXPECT_EQ("Modbus command failed. command=ReadHoldingRegister address=6 size=1 "
                  "reason=receive exception 2.",
                  e.Message());
    }
    EXPECT_EQ(3, device.Requests());
}

TEST_F(ModbusOverPty, ReopenKeepsWorking) {
    CPtyResponder device(pty, Echo);
    uint16_t value = 0;
    client.ReadHoldingRegisters(7, 1, &value);
    client.Close();
    EXPECT_FALSE(client.IsOpen());
    client.Open();
    client.ReadHoldingRegisters(8, 1, &value);
    EXPECT_EQ(8, value);
}
