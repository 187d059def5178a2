// Fault injection of CSimDevice: each fault's effect on the wire, and determinism by seed.
#include "sim/CSimDevice.h"

#include "tests/sim/SimTestSupport.h"

#include <gtest/gtest.h>

namespace {

CSimReply Reply(CSimDevice& device, const Bytes& frame) {
    return device.AnswerRtu(frame.data(), frame.size());
}

const Bytes kModelRead = ReadFrame(9600, 1);
const Bytes kModelAnswer = WithCrc({0x01, 0x04, 0x02, 0x03, 0xE9});

// Replies to n model reads, flattened: bytes, then delay, per request.
std::vector<std::string> ModelReads(CSimDevice& device, int n) {
    std::vector<std::string> seen;
    for (int i = 0; i < n; ++i) {
        const CSimReply reply = Reply(device, kModelRead);
        seen.push_back(HexText(reply.bytes) + "/" + std::to_string(reply.delayMs));
    }
    return seen;
}

CSimFaults Everything(double each) {
    CSimFaults faults;
    faults.drop = faults.badCrc = faults.shortAnswer = each;
    faults.exception = faults.stall = faults.stray = each;
    return faults;
}

} // namespace

TEST(CSimDeviceFaults, DropLosesTheRequestEntirely) {
    CSimDevice device(1001);
    device.ForceFault(CSimFault::Drop);
    const CSimReply reply = Reply(device, WriteFrame(1000, {3}));
    EXPECT_TRUE(reply.bytes.empty());
    EXPECT_EQ(reply.fault, CSimFault::Drop);
    EXPECT_EQ(device.GetRegister(1000), 0);
    EXPECT_TRUE(device.GetWriteLog().empty());
    ASSERT_EQ(device.GetRequestLog().size(), 1u);
    EXPECT_EQ(device.GetRequestLog()[0].fault, CSimFault::Drop);
    EXPECT_EQ(Reply(device, kModelRead).bytes, kModelAnswer);
}

TEST(CSimDeviceFaults, CorruptedCrcShortAndStrayAnswersAfterProcessing) {
    CSimDevice device(1001);
    device.ForceFault(CSimFault::BadCrc);
    device.ForceFault(CSimFault::Short);
    device.ForceFault(CSimFault::Stray);

    const Bytes crc = Reply(device, WriteFrame(1000, {1})).bytes;
    const Bytes good = WithCrc({0x01, 0x10, 0x03, 0xE8, 0x00, 0x01});
    ASSERT_EQ(crc.size(), good.size());
    EXPECT_TRUE(std::equal(good.begin(), good.end() - 2, crc.begin()));
    EXPECT_NE(crc, good);
    EXPECT_EQ(device.GetRegister(1000), 1);

    const Bytes shortAnswer = Reply(device, WriteFrame(1000, {2})).bytes;
    EXPECT_EQ(shortAnswer, Bytes(good.begin(), good.end() - 1));
    EXPECT_EQ(device.GetRegister(1000), 2);

    const Bytes stray = Reply(device, kModelRead).bytes;
    ASSERT_EQ(stray.size(), kModelAnswer.size() + 3);
    EXPECT_EQ(Bytes(stray.begin(), stray.begin() + 7), kModelAnswer);
    EXPECT_EQ(Reply(device, kModelRead).bytes, kModelAnswer);
}

TEST(CSimDeviceFaults, ExceptionAnswerInsteadOfProcessing) {
    CSimDevice device(1001);
    CSimFaults faults;
    faults.exceptionCode = 6;
    device.SetFaults(faults);
    device.ForceFault(CSimFault::Exception);
    EXPECT_EQ(Reply(device, WriteFrame(1000, {4})).bytes, WithCrc({0x01, 0x90, 0x06}));
    EXPECT_EQ(device.GetRegister(1000), 0);
    EXPECT_EQ(device.GetRequestLog().back().exception, 6);
}

TEST(CSimDeviceFaults, StallDelaysTheCorrectAnswer) {
    CSimDevice device(1001);
    CSimFaults faults;
    faults.stallMs = 750;
    device.SetFaults(faults);
    device.ForceFault(CSimFault::Stall);
    const CSimReply reply = Reply(device, kModelRead);
    EXPECT_EQ(reply.bytes, kModelAnswer);
    EXPECT_EQ(reply.delayMs, 750);
    EXPECT_EQ(Reply(device, kModelRead).delayMs, 0);
}

TEST(CSimDeviceFaults, ForcedFaultsSkipFramesForOtherSlaves) {
    CSimDevice device(1001);
    device.ForceFault(CSimFault::Drop);
    EXPECT_TRUE(Reply(device, ReadFrame(9600, 1, 7)).bytes.empty());
    EXPECT_EQ(Reply(device, kModelRead).fault, CSimFault::Drop);
    EXPECT_EQ(Reply(device, kModelRead).fault, CSimFault::None);
}

TEST(CSimDeviceFaults, SameSeedSameFaultsDifferentSeedOtherFaults) {
    CSimDevice a(1001);
    CSimDevice b(1001);
    CSimDevice c(1001);
    for (CSimDevice* device : {&a, &b, &c}) {
        device->SetFaults(Everything(0.1));
    }
    a.SetSeed(42);
    b.SetSeed(42);
    c.SetSeed(43);
    const std::vector<std::string> first = ModelReads(a, 300);
    EXPECT_EQ(first, ModelReads(b, 300));
    EXPECT_NE(first, ModelReads(c, 300));
    // Reseeding replays the sequence.
    a.SetSeed(42);
    EXPECT_EQ(first, ModelReads(a, 300));
}

TEST(CSimDeviceFaults, FractionsAreHonouredOverManyRequests) {
    CSimDevice device(1001);
    CSimFaults faults;
    faults.drop = 0.25;
    faults.badCrc = 0.25;
    device.SetFaults(faults);
    device.SetSeed(7);
    int silent = 0;
    int corrupt = 0;
    int clean = 0;
    for (int i = 0; i < 4000; ++i) {
        const Bytes answer = Reply(device, kModelRead).bytes;
        silent += answer.empty();
        corrupt += !answer.empty() && answer != kModelAnswer;
        clean += answer == kModelAnswer;
    }
    EXPECT_NEAR(silent, 1000, 120);
    EXPECT_NEAR(corrupt, 1000, 120);
    EXPECT_NEAR(clean, 2000, 150);

    device.SetFaults(CSimFaults{});
    for (int i = 0; i < 100; ++i) {
        ASSERT_EQ(Reply(device, kModelRead).bytes, kModelAnswer);
    }
}

TEST(CSimDeviceFaults, TcpFaultsSpoilTheTransactionOrTheLength) {
    CSimDevice device(1001);
    const Bytes request = {0x00, 0x07, 0x00, 0x00, 0x00, 0x06, 0x01, 0x04, 0x25, 0x80, 0x00, 0x01};
    device.ForceFault(CSimFault::BadCrc);
    device.ForceFault(CSimFault::Short);
    const Bytes wrongId = device.AnswerTcp(request.data(), request.size()).bytes;
    ASSERT_EQ(wrongId.size(), 11u);
    EXPECT_NE(wrongId[1], 0x07);
    EXPECT_EQ(HexText(Bytes(wrongId.begin() + 2, wrongId.end())), "00 00 00 05 01 04 02 03 E9");
    EXPECT_EQ(HexText(device.AnswerTcp(request.data(), request.size()).bytes),
              "00 07 00 00 00 05 01 04 02 03");
}
