#include "comm/CModbusInterface.h"

#include "comm/CPrivateException.h"
#include "comm/DebugTrace.h"
#include "comm/MessageFormat.h"
#include "resources/CStringTable.h"
#include "resources/StringIds.h"

#include <algorithm>
#include <array>
#include <chrono>

std::atomic<uint16_t> CModbusInterface::s_transaction{0};

namespace {
constexpr uint8_t kReadFunction = 0x04;
constexpr uint8_t kWriteFunction = 0x10;
constexpr const char* kReadCommand = "ReadHoldingRegister";
constexpr const char* kWriteCommand = "WriteMultipleRegisters";
constexpr std::size_t kTcpHeader = 6;

struct CrcTables {
    std::array<uint8_t, 256> high{};
    std::array<uint8_t, 256> low{};
};

constexpr CrcTables MakeCrcTables() {
    CrcTables tables;
    for (unsigned i = 0; i < 256; ++i) {
        unsigned crc = i;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
        tables.high[i] = static_cast<uint8_t>(crc >> 8);
        tables.low[i] = static_cast<uint8_t>(crc & 0xFF);
    }
    return tables;
}

constexpr CrcTables kCrc = MakeCrcTables();

// One failed attempt, with the texts of message 11015.
CPrivateException ModbusError(const char* command, int start, int count,
                              const std::string& reason) {
    return CPrivateException(FormatInserts(LoadStr(kMsgModbusCommandFailed),
                                           {std::string(command), static_cast<long long>(start) + 1,
                                            static_cast<long long>(count), reason}));
}

void Trace(const char* line) {
    if (TraceEnabled())
        TraceLine(line);
}
} // namespace

CModbusInterface::CModbusInterface() = default;

CModbusInterface::CModbusInterface(IModbusTransport& transport) : m_injected(&transport) {}

CModbusInterface::~CModbusInterface() {
    Close();
}

uint16_t CModbusInterface::Crc16(const uint8_t* data, std::size_t size) {
    uint8_t high = 0xFF;
    uint8_t low = 0xFF;
    for (std::size_t i = 0; i < size; ++i) {
        uint8_t index = low ^ data[i];
        low = high ^ kCrc.low[index];
        high = kCrc.high[index];
    }
    return static_cast<uint16_t>(high << 8 | low);
}

uint32_t CModbusInterface::ResponseTimeoutFor(const CommSettings& settings, bool write,
                                              std::size_t requestLength,
                                              std::size_t responseLength) {
    if (settings.mode == kModeTcp)
        return 5000;
    uint32_t baud =
        settings.mode == kModeRtuFixed ? 1200 : CommSettings::BaudRate(settings.baudIndex);
    auto bytes = static_cast<uint32_t>(requestLength + responseLength + 4);
    return bytes * 17000 / baud + (write ? 4000 : 200);
}

uint32_t CModbusInterface::SilentInterval(const CommSettings& settings) {
    return 120000 / CommSettings::BaudRate(settings.baudIndex) + 1;
}

uint16_t CModbusInterface::LastTransactionId() {
    return s_transaction.load();
}

IModbusTransport& CModbusInterface::Transport() {
    if (m_injected)
        return *m_injected;
    if (m_settings.mode == kModeTcp)
        return m_tcp;
    return m_serial;
}

void CModbusInterface::Open() {
    Close();
    if (m_injected) {
        m_injected->Open(m_settings);
        return;
    }
    if (m_settings.mode == kModeTcp) {
        m_tcp.Open(m_settings);
        if (CTimerThread* timer = m_tcp.Timer())
            timer->AddObserver(this);
        return;
    }
    m_serial.Open(m_settings);
}

void CModbusInterface::Close() {
    if (m_injected) {
        m_injected->Close();
        return;
    }
    m_tcp.Close();
    m_serial.Close();
}

bool CModbusInterface::IsOpen() const {
    if (m_injected)
        return m_injected->IsOpen();
    return m_tcp.IsOpen() || m_serial.IsOpen();
}

std::string CModbusInterface::DeviceLockKey() const {
    if (m_injected || m_settings.mode != kModeTcp)
        return {};
    // The address the connection reached; without one (a connection gone meanwhile) the name
    // the user gave still names the device, so a write is never left unguarded.
    std::string peer = m_tcp.PeerName();
    return peer.empty() ? "tcp:" + m_settings.host + ":" + m_settings.service : peer;
}

void CModbusInterface::Update(CObservable* source) {
    if (source != nullptr && source == m_tcp.Timer())
        m_tcp.CancelReceive();
}

bool CModbusInterface::ReadHoldingRegisters(int start, int count, uint16_t* values) {
    return Transfer(false, start, count, values, nullptr);
}

bool CModbusInterface::WriteMultipleRegisters(int start, int count, const uint16_t* values) {
    return Transfer(true, start, count, nullptr, values);
}

bool CModbusInterface::Transfer(bool write, int start, int count, uint16_t* readTo,
                                const uint16_t* writeFrom) {
    const bool fixedLine = m_settings.mode == kModeRtuFixed;
    const int perRequest = fixedLine ? 8 : 10000;
    const int attemptLimit = fixedLine ? 10 : 3;
    const auto slave = static_cast<uint8_t>(fixedLine ? 1 : m_settings.slaveAddress & 0xFF);
    const char* command = write ? kWriteCommand : kReadCommand;
    std::vector<uint8_t>& pdu = m_pdu;
    std::vector<uint8_t>& response = m_response;
    int done = 0;
    while (done < count) {
        const int n = std::min(perRequest, count - done);
        if (TraceEnabled())
            TraceLine(write ? StrPrintf("WriteMultipleRegisters: adrs=%d size=%d\n", start + 1, n)
                            : StrPrintf("ReadHoldingRegisters: adrs=%d size=%d\n", start + 1, n));
        // The count's high byte is always 0: one request carries at most 255 registers.
        pdu.assign({slave, write ? kWriteFunction : kReadFunction,
                    static_cast<uint8_t>((start >> 8) & 0xFF), static_cast<uint8_t>(start & 0xFF),
                    0, static_cast<uint8_t>(n & 0xFF)});
        if (write) {
            pdu.push_back(static_cast<uint8_t>((2 * n) & 0xFF));
            for (int i = 0; i < n; ++i) {
                pdu.push_back(static_cast<uint8_t>(writeFrom[done + i] >> 8));
                pdu.push_back(static_cast<uint8_t>(writeFrom[done + i] & 0xFF));
            }
        }
        const std::size_t expected = write ? 6 : 2 * static_cast<std::size_t>(n) + 3;
        const uint32_t timeout = ResponseTimeoutFor(m_settings, write, pdu.size(), expected);
        std::size_t received = 0;
        for (int attempt = 1;; ++attempt) {
            try {
                SettleLine();
                uint16_t transaction = SendRequest(pdu);
                m_responseTimeout = timeout;
                Transport().SetResponseTimeout(m_responseTimeout);
                received = ReceiveResponse(pdu, expected, transaction, command, start, n, response);
                break;
            } catch (const CPrivateException&) {
                if (m_settings.mode != kModeTcp)
                    m_settleMs = timeout;
                if (attempt >= attemptLimit)
                    throw;
            }
        }
        if (!write && received == expected) {
            for (int i = 0; i < n; ++i)
                readTo[done + i] =
                    static_cast<uint16_t>(response[3 + 2 * i] << 8 | response[4 + 2 * i]);
        }
        done += n;
        start += n;
    }
    return true;
}

void CModbusInterface::SettleLine() {
    if (m_settleMs == 0)
        return;
    uint32_t quiet = m_settleMs;
    m_settleMs = 0;
    Trace("Waiting for a quiet line\n");
    Transport().DiscardUntilQuiet(quiet);
}

bool CModbusInterface::IsEarlierTransaction(uint16_t id) const {
    for (std::size_t i = 0; i < m_recentCount; ++i)
        if (m_recent[i] == id)
            return true;
    return false;
}

uint16_t CModbusInterface::SendRequest(const std::vector<uint8_t>& pdu) {
    IModbusTransport& transport = Transport();
    if (m_settings.mode == kModeTcp) {
        auto transaction = static_cast<uint16_t>(s_transaction.fetch_add(1) + 1);
        // Identifiers of the last requests on this connection: a late or repeated answer to
        // one of them is dropped, not taken for the answer to this one. A corrupted identifier
        // is told apart: sixteen ids are far fewer than a damaged byte moves the value.
        m_recent[m_recentNext] = transaction;
        m_recentNext = (m_recentNext + 1) % m_recent.size();
        m_recentCount = std::min(m_recentCount + 1, m_recent.size());
        std::vector<uint8_t> frame = {static_cast<uint8_t>(transaction >> 8),
                                      static_cast<uint8_t>(transaction & 0xFF),
                                      0,
                                      0,
                                      0,
                                      static_cast<uint8_t>(pdu.size() & 0xFF)};
        frame.insert(frame.end(), pdu.begin(), pdu.end());
        TraceFrame(true, frame.data(), frame.size());
        transport.Send(frame.data(), frame.size());
        return transaction;
    }
    transport.DiscardInput();
    std::vector<uint8_t>& frame = m_frame;
    frame.assign(pdu.begin(), pdu.end());
    uint16_t crc = Crc16(pdu.data(), pdu.size());
    frame.push_back(static_cast<uint8_t>(crc & 0xFF));
    frame.push_back(static_cast<uint8_t>(crc >> 8));
    TraceFrame(true, frame.data(), frame.size());
    transport.Send(frame.data(), frame.size());
    return 0;
}

std::size_t CModbusInterface::ReceiveTcpFrame(std::vector<uint8_t>& buffer, uint16_t transaction) {
    using namespace std::chrono;
    IModbusTransport& transport = Transport();
    const auto deadline = steady_clock::now() + milliseconds(m_responseTimeout);
    for (;;) {
        std::fill(buffer.begin(), buffer.end(), 0);
        std::size_t got = transport.Receive(buffer.data(), buffer.size());
        TraceFrame(false, buffer.data(), got);
        auto id = static_cast<uint16_t>(buffer[0] << 8 | buffer[1]);
        if (got <= kTcpHeader || id == transaction || !IsEarlierTransaction(id))
            return got;
        Trace("Late answer dropped\n");
        auto left = ceil<milliseconds>(deadline - steady_clock::now()).count();
        if (left <= 0) {
            std::fill(buffer.begin(), buffer.end(), 0);
            return 0;
        }
        transport.SetResponseTimeout(static_cast<uint32_t>(left));
    }
}

std::size_t CModbusInterface::ReceiveResponse(const std::vector<uint8_t>& pdu, std::size_t expected,
                                              uint16_t transaction, const char* command, int start,
                                              int count, std::vector<uint8_t>& response) {
    IModbusTransport& transport = Transport();
    std::size_t c = 0;
    uint16_t received = 0;
    bool framed = true; // TCP: protocol id 0 and a length field that agrees with the frame
    if (m_settings.mode == kModeTcp) {
        std::vector<uint8_t> buffer(expected + kTcpHeader, 0);
        std::size_t got = ReceiveTcpFrame(buffer, transaction);
        if (got > kTcpHeader) {
            c = got - kTcpHeader;
            response.assign(buffer.begin() + kTcpHeader, buffer.begin() + kTcpHeader + c);
            framed = buffer[2] == 0 && buffer[3] == 0 &&
                     static_cast<std::size_t>(buffer[4] << 8 | buffer[5]) == c;
        }
        received = static_cast<uint16_t>(buffer[0] << 8 | buffer[1]);
    } else {
        std::vector<uint8_t>& buffer = m_received;
        buffer.assign(expected + 2, 0);
        c = transport.Receive(buffer.data(), buffer.size());
        TraceFrame(false, buffer.data(), c);
        if (c >= 2)
            c -= 2;
        c = std::min(c, expected);
        if (c == expected) {
            uint16_t crc = Crc16(buffer.data(), expected);
            if (buffer[expected] != (crc & 0xFF) || buffer[expected + 1] != (crc >> 8))
                throw ModbusError(command, start, count, LoadStr(kStrModbusCrcError));
        }
        transport.Pause(SilentInterval(m_settings));
        response.assign(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(c));
    }
    if (c == 0) {
        Trace("Timeout\n");
        throw ModbusError(command, start, count, LoadStr(kStrModbusTimeout));
    }
    if (received != transaction) {
        Trace("Invalid transaction\n");
        throw ModbusError(command, start, count, LoadStr(kStrModbusInvalidTransaction));
    }
    auto unexpected = [&] {
        Trace("Unexpected response\n");
        return ModbusError(command, start, count, LoadStr(kStrModbusUnexpectedResponse));
    };
    // Another slave's answer, or one to another function, is never this request's answer.
    if (!framed || response[0] != pdu[0] || (c >= 2 && (response[1] & 0x7F) != pdu[1]))
        throw unexpected();
    if (c >= 3 && (response[1] & 0x80)) {
        if (TraceEnabled())
            TraceLine(StrPrintf("Exception %d\n", response[2]));
        throw ModbusError(
            command, start, count,
            FormatInserts(LoadStr(kStrModbusException), {static_cast<long long>(response[2])}));
    }
    if (c < expected) {
        Trace("Invalid response\n");
        throw ModbusError(command, start, count, LoadStr(kStrModbusInvalidResponse));
    }
    // A read states its byte count; a write echoes the address and count it carried out.
    const bool write = pdu[1] == kWriteFunction;
    if (write ? !std::equal(pdu.begin() + 2, pdu.begin() + 6, response.begin() + 2)
              : response[2] != static_cast<uint8_t>(2 * pdu[5]))
        throw unexpected();
    return c;
}
