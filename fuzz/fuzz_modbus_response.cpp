// The Modbus client's response handling (CModbusInterface) behind the transport seam: every
// receive returns bytes of the input, for reads and writes of any size in RTU (modes 0 and 2)
// and TCP (mode 1). The client must turn each bad answer into its one exception and never read
// or write outside its buffers.
//
// Input: byte 0 mode (bits 0-1, 3 taken as 0) and write (bit 2); bytes 1-2 start register; bytes
// 3-4 count (bits 0-8); then per receive a control byte and its bytes. Control bits 0-6 the
// length (127: the whole buffer the client offers); bit 7 mends the frame's check (RTU: a correct
// CRC over the bytes before it; TCP: the transaction identifier of the request, protocol id 0 and
// the length of the bytes after the header), so the fuzzer gets past the check to what follows.
#include "comm/CModbusInterface.h"
#include "comm/CPrivateException.h"
#include "fuzz/FuzzSupport.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {
class CFuzzTransport : public IModbusTransport {
public:
    CFuzzTransport(const uint8_t* data, std::size_t size, bool tcp)
        : m_data(data), m_size(size), m_tcp(tcp) {}

    void Open(const CommSettings&) override { m_open = true; }
    void Close() override { m_open = false; }
    bool IsOpen() const override { return m_open; }
    void DiscardInput() override {}
    void DiscardUntilQuiet(uint32_t) override {}
    void Send(const uint8_t* frame, std::size_t size) override {
        if (!m_open)
            FuzzFailure("send on a closed transport");
        m_sent.assign(frame, frame + size);
        CheckRequest();
    }
    // No time-outs and no silent intervals: an execution costs no waiting.
    void SetResponseTimeout(uint32_t) override {}
    void Pause(uint32_t) override {}

    std::size_t Receive(uint8_t* buffer, std::size_t size) override {
        if (m_pos >= m_size)
            return 0; // the line stays silent
        const uint8_t control = m_data[m_pos++];
        std::size_t length = control & 0x7F;
        length = length == 0x7F ? size : std::min(length, size);
        std::size_t available = std::min(length, m_size - m_pos);
        std::memcpy(buffer, m_data + m_pos, available);
        std::memset(buffer + available, 0, length - available);
        m_pos += available;
        if (control & 0x80)
            Mend(buffer, length);
        return length;
    }

private:
    void Mend(uint8_t* buffer, std::size_t length) const {
        if (m_tcp) {
            if (length >= 2 && m_sent.size() >= 2) {
                buffer[0] = m_sent[0];
                buffer[1] = m_sent[1];
            }
            if (length >= 6) {
                buffer[2] = 0;
                buffer[3] = 0;
                buffer[4] = static_cast<uint8_t>((length - 6) >> 8);
                buffer[5] = static_cast<uint8_t>((length - 6) & 0xFF);
            }
        } else if (length >= 3) {
            uint16_t crc = CModbusInterface::Crc16(buffer, length - 2);
            buffer[length - 2] = static_cast<uint8_t>(crc & 0xFF);
            buffer[length - 1] = static_cast<uint8_t>(crc >> 8);
        }
    }

    // Whatever the answers were, each request the client sends is a well-formed frame.
    void CheckRequest() const {
        if (m_tcp) {
            // The length field is only filled for PDUs of up to 255 bytes (one request never
            // carries more than 123 registers on a real line).
            if (m_sent.size() < 12 || m_sent[2] != 0 || m_sent[3] != 0 ||
                (m_sent.size() - 6 <= 255 &&
                 (m_sent[4] << 8 | m_sent[5]) != static_cast<int>(m_sent.size() - 6)))
                FuzzFailure("malformed TCP request");
            return;
        }
        if (m_sent.size() < 8)
            FuzzFailure("short RTU request");
        uint16_t crc = CModbusInterface::Crc16(m_sent.data(), m_sent.size() - 2);
        if (m_sent[m_sent.size() - 2] != (crc & 0xFF) || m_sent[m_sent.size() - 1] != (crc >> 8))
            FuzzFailure("RTU request with a wrong CRC");
    }

    const uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
    bool m_tcp;
    bool m_open = false;
    std::vector<uint8_t> m_sent;
};
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    SilenceMessages();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size < 5)
        return 0;
    const int modes[] = {kModeRtu, kModeTcp, kModeRtuFixed, kModeRtu};
    const int mode = modes[data[0] & 3];
    const bool write = (data[0] & 4) != 0;
    const int start = data[1] << 8 | data[2];
    const int count = (data[3] & 1) << 8 | data[4];

    CFuzzTransport transport(data + 5, size - 5, mode == kModeTcp);
    CModbusInterface client(transport);
    CommSettings settings;
    settings.mode = mode;
    settings.host = "127.0.0.1";
    settings.service = "502";
    client.SetSettings(settings);
    client.Open();

    // Exactly the count: a write or read past the end is an address-sanitizer report.
    std::vector<uint16_t> values(static_cast<std::size_t>(count));
    for (std::size_t i = 0; i < values.size(); ++i)
        values[i] = static_cast<uint16_t>(0x5A00 + i);
    try {
        bool done = write ? client.WriteMultipleRegisters(start, count, values.data())
                          : client.ReadHoldingRegisters(start, count, values.data());
        if (!done)
            FuzzFailure("a transfer without an exception reported failure");
    } catch (const CPrivateException& e) {
        if (e.Message().rfind("Modbus command failed.", 0) != 0)
            FuzzFailure("unexpected message: " + e.Message());
    }
    client.Close();
    return 0;
}
