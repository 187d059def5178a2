// Raw RTU frames against CSimDevice: the answers byte for byte, exceptions and silence.
#include "sim/CSimDevice.h"

#include "tests/sim/SimTestSupport.h"

#include <gtest/gtest.h>

namespace {

Bytes Answer(CSimDevice& device, const Bytes& frame) {
    return device.ProcessRtuFrame(frame).value_or(Bytes{});
}

uint8_t ExceptionOf(const Bytes& answer) {
    return answer.size() == 5 && (answer[1] & 0x80) &&
                   WithCrc({answer[0], answer[1], answer[2]}) == answer
               ? answer[2]
               : 0;
}

void EnterMode(CSimDevice& device, uint16_t mode) {
    ASSERT_EQ(Answer(device, WriteFrame(900, {mode})).size(), 8u) << "mode " << mode;
}

} // namespace

TEST(CSimDeviceFrames, ModelNumberReadGetsTheCompleteAnswerFrame) {
    CSimDevice device(1001);
    const Bytes request = {0x01, 0x04, 0x25, 0x80, 0x00, 0x01, 0x3B, 0x2E};
    ASSERT_EQ(WithCrc({0x01, 0x04, 0x25, 0x80, 0x00, 0x01}), request);
    const Bytes answer = Answer(device, request);
    EXPECT_EQ(HexText(answer), "01 04 02 03 E9 78 4E");
    EXPECT_EQ(answer, WithCrc({0x01, 0x04, 0x02, 0x03, 0xE9}));
}

TEST(CSimDeviceFrames, VersionsAndIdentityTextsTravelHighByteFirst) {
    CSimIdentity identity;
    identity.hardware = 123;
    identity.firmware = 145;
    identity.serial = "AB12";
    identity.tag = "T\xC3\xA4g"; // "Täg"
    CSimDevice device(1011, identity);
    EXPECT_EQ(ReadAnswerValues(Answer(device, ReadFrame(9600, 3))),
              (std::vector<uint16_t>{1011, 123, 145}));
    // Code-page text: the earlier byte in the low-order half of the register.
    EXPECT_EQ(HexText(Answer(device, ReadFrame(9603, 2))),
              HexText(WithCrc({0x01, 0x04, 0x04, 'B', 'A', '2', '1'})));
    const std::vector<uint16_t> model = ReadAnswerValues(Answer(device, ReadFrame(9611, 16)));
    ASSERT_EQ(model.size(), 16u);
    EXPECT_EQ(model[0], ('3' << 8) | 'Q');
    EXPECT_EQ(model[1], ('B' << 8) | 'V');
    EXPECT_EQ(model[2], 0);
    const std::vector<uint16_t> tag = ReadAnswerValues(Answer(device, ReadFrame(9629, 16)));
    ASSERT_EQ(tag.size(), 16u);
    EXPECT_EQ(tag[0], 'T');
    EXPECT_EQ(tag[1], 0x00E4);
    EXPECT_EQ(tag[2], 'g');
    EXPECT_EQ(tag[3], 0);
    // Calibration date: year x 65536 + month x 256 + day, low half first.
    EXPECT_EQ(ReadAnswerValues(Answer(device, ReadFrame(9627, 2))),
              (std::vector<uint16_t>{(4 << 8) | 1, 2024}));
}

TEST(CSimDeviceFrames, WriteIsEchoedAndStoredLowHalfFirst) {
    CSimDevice device(1001);
    const Bytes answer = Answer(device, WriteFrame(1003, Split32(2000000)));
    EXPECT_EQ(answer, WithCrc({0x01, 0x10, 0x03, 0xEB, 0x00, 0x02}));
    EXPECT_EQ(device.GetInt32(1003), 2000000);
    EXPECT_EQ(device.GetRegister(1003), 0x8480);
    EXPECT_EQ(device.GetRegister(1004), 0x001E);
    EXPECT_EQ(ReadAnswerValues(Answer(device, ReadFrame(1003, 2))),
              (std::vector<uint16_t>{0x8480, 0x001E}));
}

TEST(CSimDeviceFrames, InitialiseFrameInFactoryModeRestoresDefaultsButKeepsIdentity) {
    CSimDevice device(1001);
    EnterMode(device, 5170);
    Answer(device, WriteFrame(20000, {('X' << 8) | 'S', ('1' << 8) | '9', 0, 0, 0, 0, 0, 0}));
    Answer(device, WriteFrame(1000, {4}));
    Answer(device, WriteFrame(2005, Split32(-30000)));
    Answer(device, WriteFrame(4012, {17}));
    Answer(device, WriteFrame(9629, {'A', 'B'}));
    Answer(device, WriteFrame(21000, {1234}));
    Answer(device, WriteFrame(901, {1, 2, 3, 4, 5, 6, 7, 8}));
    ASSERT_EQ(device.GetRegister(1000), 4);

    const Bytes request = {0x01, 0x10, 0x75, 0x30, 0x00, 0x01, 0x02, 0x00, 0x63, 0xC7, 0x4E};
    ASSERT_EQ(WriteFrame(30000, {99}), request);
    EXPECT_EQ(HexText(Answer(device, request)), "01 10 75 30 00 01 1B CA");

    EXPECT_EQ(device.GetRegister(1000), 0);
    EXPECT_EQ(device.GetInt32(2005), 24000);
    EXPECT_EQ(device.GetRegister(4012), 2);
    EXPECT_EQ(device.GetText16(9629, 16), "");
    EXPECT_EQ(device.GetRegister(21000), 2000);
    EXPECT_EQ(device.GetInt32(901), 0);
    EXPECT_EQ(device.GetText8(9603, 8), "SX91");
    EXPECT_EQ(device.GetText8(20000, 8), "SX91");
    EXPECT_EQ(device.GetProcessMode(), 5170);
    EXPECT_EQ(device.GetRegister(30000), 0);
}

TEST(CSimDeviceFrames, InitialiseOutsideFactoryModeIsRefusedWithException4) {
    CSimDevice device(1001);
    Answer(device, WriteFrame(1000, {3}));
    EXPECT_EQ(HexText(Answer(device, WriteFrame(30000, {99}))), "01 90 04 4D C3");
    EXPECT_EQ(device.GetRegister(1000), 3);
    EnterMode(device, 5170);
    EXPECT_EQ(ExceptionOf(Answer(device, WriteFrame(30000, {98}))), 3);
    EXPECT_EQ(device.GetRegister(1000), 3);
}

TEST(CSimDeviceFrames, UnsupportedFunctionsAnswerException1) {
    CSimDevice device(1001);
    EXPECT_EQ(HexText(Answer(device, WithCrc({0x01, 0x03, 0x25, 0x80, 0x00, 0x01}))),
              "01 83 01 80 F0");
    EXPECT_EQ(ExceptionOf(Answer(device, WithCrc({0x01, 0x06, 0x03, 0xE8, 0x00, 0x01}))), 1);
    EXPECT_EQ(ExceptionOf(Answer(device, WithCrc({0x01, 0x11}))), 1);
    EXPECT_EQ(device.GetRegister(1000), 0);
}

TEST(CSimDeviceFrames, BadCountsAnswerException3) {
    CSimDevice device(1001);
    EXPECT_EQ(HexText(Answer(device, ReadFrame(1000, 0))), "01 84 03 03 01");
    EXPECT_EQ(ExceptionOf(Answer(device, ReadFrame(4013, 126))), 3);
    EXPECT_EQ(ExceptionOf(Answer(device, ReadFrame(4013, 0x0101))), 3);
    EXPECT_EQ(ReadAnswerValues(Answer(device, ReadFrame(4013, 125))).size(), 125u);

    EXPECT_EQ(ExceptionOf(Answer(device, WriteFrame(4013, std::vector<uint16_t>(124, 7)))), 3);
    EXPECT_EQ(device.GetRegister(4013), 0);
    EXPECT_EQ(Answer(device, WriteFrame(4013, std::vector<uint16_t>(123, 7))).size(), 8u);
    EXPECT_EQ(device.GetRegister(4013 + 122), 7);
    // Byte count 3 for one register.
    EXPECT_EQ(ExceptionOf(Answer(device, WithCrc({1, 0x10, 0x03, 0xE8, 0, 1, 3, 0, 5, 9}))), 3);
    // Count 0.
    EXPECT_EQ(ExceptionOf(Answer(device, WithCrc({1, 0x10, 0x03, 0xE8, 0, 0, 0}))), 3);
    EXPECT_EQ(device.GetRegister(1000), 0);
}

TEST(CSimDeviceFrames, AddressesOutsideTheMapAnswerException2) {
    CSimDevice device(1001);
    EXPECT_EQ(HexText(Answer(device, ReadFrame(10, 1))), "01 84 02 C2 C1");
    // 1000-1004 exist, 1005 does not: one missing register spoils the whole request.
    EXPECT_EQ(ReadAnswerValues(Answer(device, ReadFrame(1000, 5))).size(), 5u);
    EXPECT_EQ(ExceptionOf(Answer(device, ReadFrame(1000, 6))), 2);
    EXPECT_EQ(ExceptionOf(Answer(device, ReadFrame(65535, 2))), 2);
    EXPECT_EQ(ExceptionOf(Answer(device, WriteFrame(1005, {1}))), 2);
    EXPECT_EQ(ExceptionOf(Answer(device, WriteFrame(4612, {1, 2}))), 2);
    EXPECT_EQ(device.GetRegister(4612), 0);
}

TEST(CSimDeviceFrames, ReadOnlyRegistersRefuseWritesWithException2) {
    CSimDevice device(1001);
    EXPECT_EQ(HexText(Answer(device, WriteFrame(9600, {1011}))), "01 90 02 CD C1");
    EXPECT_EQ(ExceptionOf(Answer(device, WriteFrame(0, {0, 0}))), 2);
    EXPECT_EQ(ExceptionOf(Answer(device, WriteFrame(42, {0, 0}))), 2);
    EXPECT_EQ(ExceptionOf(Answer(device, WriteFrame(9603, {0x4141}))), 2);
    // A block that ends in read-only registers is refused as a whole.
    EXPECT_EQ(ExceptionOf(Answer(device, WriteFrame(9625, {1, 2, 3, 4}))), 2);
    EXPECT_EQ(device.GetRegister(9600), 1001);
    EXPECT_EQ(device.GetInt32(9627), (2024 << 16) | (4 << 8) | 1);
}

TEST(CSimDeviceFrames, OtherAddressesAndBadCrcsAreMetWithSilence) {
    CSimDevice device(1001);
    EXPECT_FALSE(device.ProcessRtuFrame(ReadFrame(9600, 1, 2)));
    EXPECT_FALSE(device.ProcessRtuFrame(WriteFrame(1000, {5}, 2)));
    EXPECT_FALSE(device.ProcessRtuFrame(WriteFrame(1000, {5}, 247)));
    Bytes corrupt = WriteFrame(1000, {5});
    corrupt[corrupt.size() - 1] ^= 0x01;
    EXPECT_FALSE(device.ProcessRtuFrame(corrupt));
    corrupt = ReadFrame(9600, 1);
    corrupt[3] ^= 0x10;
    EXPECT_FALSE(device.ProcessRtuFrame(corrupt));
    EXPECT_FALSE(device.ProcessRtuFrame({0x01, 0x04, 0x25}));
    EXPECT_EQ(device.GetRegister(1000), 0);
    EXPECT_TRUE(device.GetRequestLog().empty());
}

TEST(CSimDeviceFrames, BroadcastWritesAreCarriedOutWithoutAnswer) {
    CSimDevice device(1001);
    EXPECT_FALSE(device.ProcessRtuFrame(WriteFrame(1000, {5}, 0)));
    EXPECT_EQ(device.GetRegister(1000), 5);
    EXPECT_FALSE(device.ProcessRtuFrame(ReadFrame(1000, 1, 0)));
}

TEST(CSimDeviceFrames, WriteLogHoldsAcceptedWritesInOrder) {
    CSimDevice device(1001);
    Answer(device, WriteFrame(1000, {1}));
    Answer(device, ReadFrame(1000, 1));
    Answer(device, WriteFrame(9600, {1}));
    Answer(device, WriteFrame(9629, {'a', 'b'}));
    const std::vector<CSimRequestRecord> writes = device.GetWriteLog();
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_EQ(writes[0].start, 1000);
    EXPECT_EQ(writes[0].values, (std::vector<uint16_t>{1}));
    EXPECT_EQ(writes[1].start, 9629);
    EXPECT_EQ(writes[1].values, (std::vector<uint16_t>{'a', 'b'}));
    const std::vector<CSimRequestRecord> all = device.GetRequestLog();
    ASSERT_EQ(all.size(), 4u);
    EXPECT_EQ(all[1].function, 0x04);
    EXPECT_EQ(all[2].exception, 2);
    device.ClearLog();
    EXPECT_TRUE(device.GetRequestLog().empty());
}

TEST(CSimDeviceFrames, TraceShowsHexAndOneBasedAddresses) {
    CSimDevice device(1001);
    std::vector<std::string> lines;
    device.SetTraceSink([&](const std::string& line) { lines.push_back(line); });
    Answer(device, ReadFrame(9600, 1));
    Answer(device, WriteFrame(10, {1}));
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "RX 01 04 25 80 00 01 3B 2E  | read adrs=9601 size=1");
    EXPECT_EQ(lines[1], "TX 01 04 02 03 E9 78 4E");
    EXPECT_EQ(lines[2].rfind("RX 01 10 00 0A 00 01 02 00 01", 0), 0u) << lines[2];
    EXPECT_NE(lines[2].find("write adrs=11 size=1"), std::string::npos);
    EXPECT_NE(lines[3].find("exception 2"), std::string::npos);
}

TEST(CSimDeviceFrames, TcpAduCarriesTheTransactionAndUnit) {
    CSimDevice device(1021);
    const Bytes request = {0x12, 0x34, 0x00, 0x00, 0x00, 0x06, 0x01, 0x04, 0x25, 0x80, 0x00, 0x01};
    const CSimReply reply = device.AnswerTcp(request.data(), request.size());
    EXPECT_EQ(HexText(reply.bytes), "12 34 00 00 00 05 01 04 02 03 FD");
    const Bytes otherUnit = {0x00, 0x01, 0x00, 0x00, 0x00, 0x06,
                             0x07, 0x04, 0x25, 0x80, 0x00, 0x01};
    EXPECT_TRUE(device.AnswerTcp(otherUnit.data(), otherUnit.size()).bytes.empty());
    const Bytes badLength = {0x00, 0x01, 0x00, 0x00, 0x00, 0x09,
                             0x01, 0x04, 0x25, 0x80, 0x00, 0x01};
    EXPECT_TRUE(device.AnswerTcp(badLength.data(), badLength.size()).bytes.empty());
    // In TCP the PDU length comes from the header, so a short read request is a bad count.
    const Bytes shortPdu = {0x00, 0x02, 0x00, 0x00, 0x00, 0x04, 0x01, 0x04, 0x25, 0x80};
    EXPECT_EQ(HexText(device.AnswerTcp(shortPdu.data(), shortPdu.size()).bytes),
              "00 02 00 00 00 03 01 84 03");
}
