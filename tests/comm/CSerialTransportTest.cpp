#include "comm/CSerialTransport.h"
#include "tests/support/CFaultySystemCalls.h"

#include "tests/comm/PtyPair.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

namespace {
using Clock = std::chrono::steady_clock;

double ElapsedMs(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

class SerialTransport : public ::testing::Test {
protected:
    void SetUp() override {
        CommSettings s;
        s.portName = pty.SlavePath();
        transport.Open(s);
    }
    // What is left in the port after the drain.
    std::size_t Leftover() {
        transport.SetResponseTimeout(30);
        uint8_t buffer[64];
        return transport.Receive(buffer, sizeof buffer);
    }
    CPtyPair pty;
    CFaultySystemCalls sys;
    CSerialTransport transport{sys};
};
} // namespace

TEST_F(SerialTransport, OpenSetsTheThreeSecondReadBound) {
    EXPECT_EQ(3000u, transport.Port().Timeouts().readTotalConstant);
}

TEST_F(SerialTransport, DrainWaitsOneMillisecondAndDropsStaleBytes) {
    pty.Write({0x01, 0x02, 0x03});
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    Clock::time_point start = Clock::now();
    transport.DiscardInput();
    EXPECT_GE(ElapsedMs(start), 1.0);
    EXPECT_EQ(1u, transport.Port().Timeouts().readTotalConstant);
    EXPECT_EQ(0u, Leftover());
}

TEST_F(SerialTransport, DrainAfterTheSilentIntervalHasSpentItsWaitThere) {
    // A stray byte in the middle of the pause is dropped there and the pause keeps its length.
    std::thread stray([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        pty.Write({0x55});
    });
    Clock::time_point start = Clock::now();
    transport.Pause(13);
    Clock::time_point ended = Clock::now();
    sys.polls = 0;
    sys.reads = 0;
    transport.DiscardInput();
    // Unless this thread lost the processor in between, the drain found nothing to do.
    if (Clock::now() - ended < std::chrono::microseconds(50)) {
        EXPECT_EQ(0, sys.polls + sys.reads) << "nothing left to collect right after the pause";
    }
    // The pause covers the silent interval and the drain's millisecond.
    const double paused = ElapsedMs(start) - ElapsedMs(ended);
    EXPECT_GE(paused, 14.0);
    EXPECT_LT(paused, 60.0);
    stray.join();
    EXPECT_EQ(0u, Leftover()) << "the stray byte was dropped";

    transport.Pause(13);
    pty.Write({0xAA, 0xBB});
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    sys.polls = 0;
    transport.DiscardInput();
    EXPECT_EQ(0, sys.polls) << "no second wait";
    EXPECT_EQ(0u, Leftover()) << "bytes that arrived meanwhile are still dropped";
    // A request sent since: the next drain waits again.
    uint8_t frame[] = {0x01};
    transport.Send(frame, 1);
    sys.polls = 0;
    start = Clock::now();
    transport.DiscardInput();
    EXPECT_GE(ElapsedMs(start), 1.0);
    EXPECT_EQ(1, sys.polls);
}

TEST(SerialTransportLine, TheResponseTimeOutCountsFromTheEndOfTheFrame) {
    CPtyPair pty;
    CSerialTransport transport;
    CommSettings s;
    s.portName = pty.SlavePath();
    s.baudIndex = 0; // 1200 baud, 8-O-1: 11 bits a character
    transport.Open(s);
    std::vector<uint8_t> frame(60, 0x11); // 550 ms on the line
    transport.Send(frame.data(), frame.size());
    transport.SetResponseTimeout(50);
    Clock::time_point start = Clock::now();
    uint8_t answer[8];
    EXPECT_EQ(0u, transport.Receive(answer, sizeof answer));
    EXPECT_GE(ElapsedMs(start), 590.0);
    EXPECT_LT(ElapsedMs(start), 900.0);
}
