// The Modbus client over a real serial port object on a pseudo-terminal with nothing answering:
// the bytes on the wire and the cost of the attempts. Faults of a device that answers are
// tested against the simulator (SimDeviceTest).
#include "comm/CModbusInterface.h"

#include "comm/CPrivateException.h"
#include "tests/comm/PtyPair.h"

#include <gtest/gtest.h>

#include <chrono>

namespace {
using Clock = std::chrono::steady_clock;
using Bytes = std::vector<uint8_t>;

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
    // Each attempt waits its time-out of 226 ms, then the 13 ms silent interval; before each
    // retry the line must stay quiet for another time-out (a late answer would cross it).
    long elapsed = ElapsedMs(start);
    EXPECT_GE(elapsed, 3 * (226 + 13) + 2 * 226);
    EXPECT_LT(elapsed, 3 * (226 + 13) + 2 * 226 + 150);
}
