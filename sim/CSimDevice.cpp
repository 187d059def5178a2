#include "sim/CSimDevice.h"

#include "sim/SimCrc.h"
#include "sim/SimStateFile.h"
#include "sim/SimText.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <stdexcept>

using namespace SimReg;

namespace {

constexpr size_t kLogLimit = 10000;
constexpr uint8_t kReadFunction = 0x04;
constexpr uint8_t kWriteFunction = 0x10;
constexpr uint16_t kMaxReadCount = 125;
constexpr uint16_t kMaxWriteCount = 123;

const CSimModelInfo& ModelOrThrow(int number) {
    const CSimModelInfo* model = FindSimModel(number);
    if (model == nullptr) {
        throw std::invalid_argument("not a Q3 model number: " + std::to_string(number));
    }
    return *model;
}

std::string Hex(const uint8_t* data, size_t length) {
    std::string text;
    char byte[4];
    for (size_t i = 0; i < length; ++i) {
        std::snprintf(byte, sizeof byte, i == 0 ? "%02X" : " %02X", data[i]);
        text += byte;
    }
    return text;
}

uint16_t Be16(const uint8_t* p) {
    return static_cast<uint16_t>((p[0] << 8) | p[1]);
}

// Fills function, start, count and written values from a PDU without judging it.
void DecodeRequest(const uint8_t* pdu, size_t length, CSimRequestRecord& record) {
    record.function = length > 0 ? pdu[0] : 0;
    if (length >= 5 && (record.function == kReadFunction || record.function == kWriteFunction)) {
        record.start = Be16(pdu + 1);
        record.count = Be16(pdu + 3);
    }
    if (record.function == kWriteFunction && length >= 6) {
        for (size_t i = 6; i + 1 < length; i += 2) {
            record.values.push_back(Be16(pdu + i));
        }
    }
}

std::string DescribeRequest(const CSimRequestRecord& record) {
    char text[64];
    if (record.function == kReadFunction) {
        std::snprintf(text, sizeof text, "read adrs=%d size=%d", record.start + 1, record.count);
    } else if (record.function == kWriteFunction) {
        std::snprintf(text, sizeof text, "write adrs=%d size=%d", record.start + 1, record.count);
    } else {
        std::snprintf(text, sizeof text, "function 0x%02X", record.function);
    }
    return text;
}

std::vector<uint8_t> ExceptionPdu(uint8_t function, uint8_t code) {
    return {static_cast<uint8_t>(function | 0x80), code};
}

void AppendCrc(std::vector<uint8_t>& frame) {
    const uint16_t crc = SimCrc16(frame.data(), frame.size());
    frame.push_back(static_cast<uint8_t>(crc & 0xFF));
    frame.push_back(static_cast<uint8_t>(crc >> 8));
}

} // namespace

const char* SimFaultName(CSimFault fault) {
    switch (fault) {
    case CSimFault::None:
        return "none";
    case CSimFault::Drop:
        return "drop";
    case CSimFault::BadCrc:
        return "crc";
    case CSimFault::Short:
        return "short";
    case CSimFault::Exception:
        return "exception";
    case CSimFault::Stall:
        return "stall";
    case CSimFault::Stray:
        return "stray";
    case CSimFault::WrongAddress:
        return "wrong address";
    case CSimFault::WrongFunction:
        return "wrong function";
    case CSimFault::WrongCount:
        return "wrong count";
    case CSimFault::WrongProtocol:
        return "wrong protocol";
    case CSimFault::Duplicate:
        return "duplicate";
    }
    return "?";
}

CSimDevice::CSimDevice(int modelNumber, const CSimIdentity& identity)
    : m_model(ModelOrThrow(modelNumber)), m_map(m_model, identity.firmware),
      m_defaults(m_map.DefaultImage(identity)), m_image(m_defaults) {
    UpdateLiveLocked();
}

int32_t CSimDevice::I32(uint16_t address) const {
    return static_cast<int32_t>(static_cast<uint32_t>(m_image[address]) |
                                (static_cast<uint32_t>(m_image[address + 1]) << 16));
}

void CSimDevice::Put32(uint16_t address, int32_t value) {
    const auto bits = static_cast<uint32_t>(value);
    m_image[address] = static_cast<uint16_t>(bits & 0xFFFF);
    m_image[address + 1] = static_cast<uint16_t>(bits >> 16);
}

// ---- Modbus ---------------------------------------------------------------------------------

std::vector<uint8_t> CSimDevice::HandlePdu(const uint8_t* pdu, size_t length) {
    std::vector<uint8_t> answer;
    {
        std::lock_guard lock(m_mutex);
        CSimRequestRecord record;
        answer = HandlePduLocked(pdu, length, record);
    }
    FlushTrace();
    return answer;
}

std::vector<uint8_t> CSimDevice::HandlePduLocked(const uint8_t* pdu, size_t length,
                                                 CSimRequestRecord& record) {
    DecodeRequest(pdu, length, record);
    std::vector<uint8_t> answer;
    if (length == 0) {
        return answer;
    }
    switch (pdu[0]) {
    case kReadFunction:
        answer = ReadLocked(pdu, length, record);
        break;
    case kWriteFunction:
        answer = WriteLocked(pdu, length, record);
        break;
    default:
        record.exception = 1;
        answer = ExceptionPdu(pdu[0], 1);
        break;
    }
    LogLocked(record);
    return answer;
}

std::vector<uint8_t> CSimDevice::ReadLocked(const uint8_t* pdu, size_t length,
                                            CSimRequestRecord& record) {
    auto fail = [&](uint8_t code) {
        record.exception = code;
        return ExceptionPdu(kReadFunction, code);
    };
    if (length != 5) {
        return fail(3);
    }
    const uint16_t start = Be16(pdu + 1);
    const uint16_t count = Be16(pdu + 3);
    if (count == 0 || count > kMaxReadCount) {
        return fail(3);
    }
    if (start + count > 65536) {
        return fail(2);
    }
    for (uint32_t a = start; a < static_cast<uint32_t>(start) + count; ++a) {
        if (m_map.Kind(static_cast<uint16_t>(a)) == CSimRegKind::Absent) {
            return fail(2);
        }
    }
    std::vector<uint8_t> answer = {kReadFunction, static_cast<uint8_t>(2 * count)};
    for (uint32_t a = start; a < static_cast<uint32_t>(start) + count; ++a) {
        answer.push_back(static_cast<uint8_t>(m_image[a] >> 8));
        answer.push_back(static_cast<uint8_t>(m_image[a] & 0xFF));
    }
    return answer;
}

std::vector<uint8_t> CSimDevice::WriteLocked(const uint8_t* pdu, size_t length,
                                             CSimRequestRecord& record) {
    auto fail = [&](uint8_t code) {
        record.exception = code;
        return ExceptionPdu(kWriteFunction, code);
    };
    if (length < 6) {
        return fail(3);
    }
    const uint16_t start = Be16(pdu + 1);
    const uint16_t count = Be16(pdu + 3);
    const uint8_t byteCount = pdu[5];
    if (count == 0 || count > kMaxWriteCount || byteCount != 2 * count ||
        length != 6u + byteCount) {
        return fail(3);
    }
    if (start + count > 65536) {
        return fail(2);
    }
    std::vector<uint16_t> values;
    for (size_t i = 0; i < count; ++i) {
        values.push_back(Be16(pdu + 6 + 2 * i));
    }
    const bool factoryMode = m_image[kProcessMode] == kModeFactory;
    for (size_t i = 0; i < count; ++i) {
        const auto address = static_cast<uint16_t>(start + i);
        switch (m_map.Kind(address)) {
        case CSimRegKind::Absent:
        case CSimRegKind::Monitor:
        case CSimRegKind::Identity:
        case CSimRegKind::FactoryLive:
            return fail(2);
        default:
            break;
        }
    }
    for (size_t i = 0; i < count; ++i) {
        const CSimRegKind kind = m_map.Kind(static_cast<uint16_t>(start + i));
        if ((kind == CSimRegKind::Factory || kind == CSimRegKind::FactoryCommand) && !factoryMode) {
            return fail(4);
        }
    }
    for (size_t i = 0; i < count; ++i) {
        const auto address = static_cast<uint16_t>(start + i);
        const uint16_t value = values[i];
        if (address == kProcessMode) {
            const bool valid =
                value == kModeNormal || value == kModeParameterWrite || value == kModeFixedOutput ||
                value == kModeInputCalib || value == kModeFactory ||
                (value >= kModeOutputCalib && value < kModeOutputCalib + m_model.outputs);
            if (!valid) {
                return fail(3);
            }
        }
        if (address == kInitialise && value != kInitialiseCommand) {
            return fail(3);
        }
        if (address == kGain) {
            const auto gain = static_cast<int16_t>(value);
            if (gain < -1 || gain >= m_map.AdTypes()) {
                return fail(3);
            }
        }
    }
    ApplyWriteLocked(start, values);
    return {kWriteFunction, pdu[1], pdu[2], pdu[3], pdu[4]};
}

void CSimDevice::ApplyWriteLocked(uint16_t start, const std::vector<uint16_t>& values) {
    bool persistedChanged = false;
    bool serialWritten = false;
    bool modelTextWritten = false;
    bool initialise = false;
    std::optional<uint16_t> newMode;
    for (size_t i = 0; i < values.size(); ++i) {
        const auto address = static_cast<uint16_t>(start + i);
        const uint16_t value = values[i];
        switch (m_map.Kind(address)) {
        case CSimRegKind::OutputValue:
            // Outside fixed-output mode the device drives these itself.
            if (m_image[kProcessMode] == kModeFixedOutput) {
                m_image[address] = value;
            }
            break;
        case CSimRegKind::ProcessMode:
            newMode = value;
            break;
        case CSimRegKind::FactoryCommand:
            if (address == kInitialise) {
                initialise = true;
            } else {
                m_image[address] = value;
            }
            break;
        case CSimRegKind::Setting:
        case CSimRegKind::Factory:
            persistedChanged = persistedChanged || m_image[address] != value;
            m_image[address] = value;
            serialWritten =
                serialWritten || (address >= kFactorySerial && address < kFactorySerial + 8);
            modelTextWritten = modelTextWritten ||
                               (address >= kFactoryModelText && address < kFactoryModelText + 16);
            break;
        case CSimRegKind::CalibWork:
            m_image[address] = value;
            break;
        default:
            break;
        }
    }
    // The factory copies are what the device information registers report.
    if (serialWritten) {
        std::copy_n(m_image.begin() + kFactorySerial, 8, m_image.begin() + kSerial);
    }
    if (modelTextWritten) {
        std::copy_n(m_image.begin() + kFactoryModelText, 16, m_image.begin() + kModelText);
    }
    if (newMode) {
        EnterModeLocked(*newMode);
    }
    if (initialise) {
        InitialiseLocked();
    } else if (persistedChanged) {
        SaveStateLocked();
    }
    UpdateLiveLocked();
}

void CSimDevice::EnterModeLocked(uint16_t mode) {
    const uint16_t old = m_image[kProcessMode];
    m_image[kProcessMode] = mode;
    if (old == kModeFactory && mode != kModeFactory) {
        // Leaving factory mode releases the gain selection and the forced outputs.
        m_image[kGain] = 0xFFFF;
        m_image[kForcedDa] = 0;
        m_image[kForcedDa + 1] = 0;
    }
}

// The answer to a request's PDU, the same over RTU and TCP: a fault drawn (or the lost mode
// restore) drops it or turns it into an exception; the request is traced after rx.
std::vector<uint8_t> CSimDevice::AnswerPduLocked(const uint8_t* pdu, size_t length,
                                                 const std::string& rx, CSimFault& fault) {
    CSimRequestRecord record;
    fault = LosesRestoreLocked(pdu, length) ? CSimFault::Drop : DrawFaultLocked();
    record.fault = fault;
    std::vector<uint8_t> answer;
    if (fault == CSimFault::Drop) {
        DecodeRequest(pdu, length, record);
        LogLocked(record);
    } else if (fault == CSimFault::Exception) {
        DecodeRequest(pdu, length, record);
        record.exception = m_faults.exceptionCode;
        LogLocked(record);
        answer = ExceptionPdu(pdu[0], m_faults.exceptionCode);
    } else {
        answer = HandlePduLocked(pdu, length, record);
    }
    m_pendingTrace.push_back(rx + "  | " + DescribeRequest(record));
    return answer;
}

// exception: the code of an exception answer to note, or -1.
void CSimDevice::TraceReplyLocked(const CSimReply& reply, CSimFault fault, int exception) {
    std::string tx = reply.bytes.empty() ? "TX (no answer)"
                                         : "TX " + Hex(reply.bytes.data(), reply.bytes.size());
    if (exception >= 0) {
        tx += "  | exception " + std::to_string(exception);
    }
    if (fault != CSimFault::None) {
        tx += std::string("  | fault ") + SimFaultName(fault);
    }
    m_pendingTrace.push_back(tx);
}

CSimReply CSimDevice::AnswerRtu(const uint8_t* frame, size_t length) {
    CSimReply reply;
    {
        std::lock_guard lock(m_mutex);
        const std::string rx = "RX " + Hex(frame, length);
        if (length < 4) {
            m_pendingTrace.push_back(rx + "  | incomplete frame, ignored");
        } else if (SimCrc16(frame, length - 2) != (frame[length - 2] | (frame[length - 1] << 8))) {
            m_pendingTrace.push_back(rx + "  | bad CRC, ignored");
        } else if (frame[0] != kSlaveAddress && frame[0] != 0) {
            m_pendingTrace.push_back(rx + "  | slave " + std::to_string(frame[0]) + ", ignored");
        } else if (frame[0] == 0) {
            // Broadcast: writes are carried out, nothing is answered.
            CSimRequestRecord record;
            if (frame[1] == kWriteFunction) {
                HandlePduLocked(frame + 1, length - 3, record);
                m_pendingTrace.push_back(rx + "  | broadcast " + DescribeRequest(record) +
                                         ", no answer");
            } else {
                m_pendingTrace.push_back(rx + "  | broadcast, ignored");
            }
        } else {
            CSimFault fault = CSimFault::None;
            const std::vector<uint8_t> pdu = AnswerPduLocked(frame + 1, length - 3, rx, fault);
            if (!pdu.empty()) {
                reply.bytes.push_back(kSlaveAddress);
                reply.bytes.insert(reply.bytes.end(), pdu.begin(), pdu.end());
                AppendCrc(reply.bytes);
            }
            ApplyFaultLocked(fault, reply, false);
            TraceReplyLocked(reply, fault, pdu.size() == 2 && (pdu[0] & 0x80) ? pdu[1] : -1);
        }
    }
    FlushTrace();
    return reply;
}

std::optional<std::vector<uint8_t>> CSimDevice::ProcessRtuFrame(const std::vector<uint8_t>& frame) {
    CSimReply reply = AnswerRtu(frame.data(), frame.size());
    if (reply.bytes.empty()) {
        return std::nullopt;
    }
    return std::move(reply.bytes);
}

CSimReply CSimDevice::AnswerTcp(const uint8_t* adu, size_t length) {
    CSimReply reply;
    {
        std::lock_guard lock(m_mutex);
        const std::string rx = "RX " + Hex(adu, length);
        const uint8_t unit = length >= 7 ? adu[6] : 0;
        if (length < 8 || Be16(adu + 2) != 0 || Be16(adu + 4) != length - 6) {
            m_pendingTrace.push_back(rx + "  | malformed MBAP header, ignored");
        } else if (unit != kSlaveAddress && unit != 0xFF) {
            m_pendingTrace.push_back(rx + "  | unit " + std::to_string(unit) + ", ignored");
        } else {
            CSimFault fault = CSimFault::None;
            const std::vector<uint8_t> pdu = AnswerPduLocked(adu + 7, length - 7, rx, fault);
            if (!pdu.empty()) {
                const auto follow = static_cast<uint16_t>(pdu.size() + 1);
                reply.bytes = {adu[0],
                               adu[1],
                               0,
                               0,
                               static_cast<uint8_t>(follow >> 8),
                               static_cast<uint8_t>(follow & 0xFF),
                               unit};
                reply.bytes.insert(reply.bytes.end(), pdu.begin(), pdu.end());
            }
            ApplyFaultLocked(fault, reply, true);
            TraceReplyLocked(reply, fault, -1);
        }
    }
    FlushTrace();
    return reply;
}

bool CSimDevice::LosesRestoreLocked(const uint8_t* pdu, size_t length) const {
    if (!m_faults.loseModeRestore || length < 8 || pdu[0] != kWriteFunction) {
        return false;
    }
    const uint16_t start = Be16(pdu + 1);
    const uint16_t count = Be16(pdu + 3);
    if (start > kProcessMode || start + count <= kProcessMode) {
        return false;
    }
    const size_t at = 6 + 2 * static_cast<size_t>(kProcessMode - start);
    const uint16_t current = m_image[kProcessMode];
    return at + 1 < length && current != 0 && Be16(pdu + at) != current;
}

void CSimDevice::ApplyFaultLocked(CSimFault fault, CSimReply& reply, bool tcp) {
    reply.fault = fault;
    if (reply.bytes.empty()) {
        return;
    }
    // Where the answer's own bytes begin (after the MBAP header) and whether it is a normal
    // answer, which the mismatch faults alter (keeping a valid CRC).
    const size_t at = tcp ? 6 : 0;
    const bool normal = reply.bytes.size() > at + 2 && !(reply.bytes[at + 1] & 0x80);
    auto mendCrc = [&] {
        if (!tcp) {
            reply.bytes.resize(reply.bytes.size() - 2);
            AppendCrc(reply.bytes);
        }
    };
    switch (fault) {
    case CSimFault::WrongAddress:
        reply.bytes[at] = 2;
        mendCrc();
        break;
    case CSimFault::WrongFunction:
        if (normal) {
            reply.bytes[at + 1] = reply.bytes[at + 1] == kWriteFunction ? 0x06 : 0x03;
            mendCrc();
        }
        break;
    case CSimFault::WrongCount:
        if (normal && reply.bytes[at + 1] == kWriteFunction && reply.bytes.size() > at + 5) {
            ++reply.bytes[at + 5];
        } else if (normal) {
            reply.bytes[at + 2] = static_cast<uint8_t>(reply.bytes[at + 2] + 12);
        }
        if (normal)
            mendCrc();
        break;
    case CSimFault::WrongProtocol:
        if (tcp) {
            reply.bytes[3] = 1;
        }
        break;
    case CSimFault::Duplicate: {
        const std::vector<uint8_t> once = reply.bytes;
        reply.bytes.insert(reply.bytes.end(), once.begin(), once.end());
        break;
    }
    case CSimFault::BadCrc:
        if (tcp) {
            reply.bytes[1] ^= 0x5A; // transaction identifier
        } else {
            reply.bytes[reply.bytes.size() - 1] ^= 0x5A;
        }
        break;
    case CSimFault::Short:
        reply.bytes.pop_back();
        break;
    case CSimFault::Stall:
        reply.delayMs = m_faults.stallMs;
        if (m_faults.stallMaxMs > m_faults.stallMs) {
            reply.delayMs += static_cast<int>(
                m_rng() % static_cast<uint64_t>(m_faults.stallMaxMs - m_faults.stallMs + 1));
        }
        break;
    case CSimFault::Stray:
        for (int i = 0; i < m_faults.strayBytes; ++i) {
            reply.bytes.push_back(static_cast<uint8_t>(m_rng() & 0xFF));
        }
        break;
    default:
        break;
    }
}

CSimFault CSimDevice::DrawFaultLocked() {
    if (!m_forced.empty()) {
        const CSimFault fault = m_forced.front();
        m_forced.pop_front();
        return fault;
    }
    const double u = static_cast<double>(m_rng() >> 11) * 0x1.0p-53;
    const std::pair<double, CSimFault> table[] = {
        {m_faults.drop, CSimFault::Drop},
        {m_faults.badCrc, CSimFault::BadCrc},
        {m_faults.shortAnswer, CSimFault::Short},
        {m_faults.exception, CSimFault::Exception},
        {m_faults.stall, CSimFault::Stall},
        {m_faults.stray, CSimFault::Stray},
        {m_faults.wrongAddress, CSimFault::WrongAddress},
        {m_faults.wrongFunction, CSimFault::WrongFunction},
        {m_faults.wrongCount, CSimFault::WrongCount},
        {m_faults.wrongProtocol, CSimFault::WrongProtocol},
        {m_faults.duplicate, CSimFault::Duplicate},
    };
    double edge = 0;
    for (const auto& [fraction, fault] : table) {
        edge += std::clamp(fraction, 0.0, 1.0);
        if (u < edge) {
            return fault;
        }
    }
    return CSimFault::None;
}

void CSimDevice::LogLocked(CSimRequestRecord record) {
    if (m_log.size() >= kLogLimit) {
        m_log.pop_front();
    }
    m_log.push_back(std::move(record));
}

void CSimDevice::Tick(double seconds) {
    std::lock_guard lock(m_mutex);
    m_time += seconds;
    UpdateLiveLocked();
}

void CSimDevice::SetInput(const CSimInput& input) {
    std::lock_guard lock(m_mutex);
    m_input = input;
    UpdateLiveLocked();
}

void CSimDevice::SetInputValue(double value) {
    CSimInput input;
    input.shape = CSimInput::Shape::Constant;
    input.relative = false;
    input.a = value;
    SetInput(input);
}

void CSimDevice::SetBurnout(bool on) {
    std::lock_guard lock(m_mutex);
    m_burnout = on;
    UpdateLiveLocked();
}

bool CSimDevice::GetBurnout() const {
    std::lock_guard lock(m_mutex);
    return m_burnout;
}

// ---- Registers ------------------------------------------------------------------------------

uint16_t CSimDevice::GetRegister(uint16_t address) const {
    std::lock_guard lock(m_mutex);
    return m_image[address];
}

void CSimDevice::SetRegister(uint16_t address, uint16_t value) {
    std::lock_guard lock(m_mutex);
    m_image[address] = value;
}

int32_t CSimDevice::GetInt32(uint16_t address) const {
    std::lock_guard lock(m_mutex);
    return address == 0xFFFF ? m_image[address] : I32(address);
}

void CSimDevice::SetInt32(uint16_t address, int32_t value) {
    std::lock_guard lock(m_mutex);
    if (address != 0xFFFF) {
        Put32(address, value);
    }
}

std::string CSimDevice::GetText8(uint16_t address, int registers) const {
    std::lock_guard lock(m_mutex);
    registers = std::clamp(registers, 0, 65536 - address);
    return SimUnpackText8(m_image.data() + address, registers);
}

std::string CSimDevice::GetText16(uint16_t address, int registers) const {
    std::lock_guard lock(m_mutex);
    registers = std::clamp(registers, 0, 65536 - address);
    return SimUnpackText16(m_image.data() + address, registers);
}

void CSimDevice::SetSerialNumber(const std::string& text) {
    {
        std::lock_guard lock(m_mutex);
        const std::vector<uint16_t> values = SimPackText8(text, 8);
        std::copy(values.begin(), values.end(), m_image.begin() + kFactorySerial);
        std::copy(values.begin(), values.end(), m_image.begin() + kSerial);
        SaveStateLocked();
    }
    FlushTrace();
}

void CSimDevice::SetModelText(const std::string& text) {
    {
        std::lock_guard lock(m_mutex);
        const std::vector<uint16_t> values = SimPackText8(text, 16);
        std::copy(values.begin(), values.end(), m_image.begin() + kFactoryModelText);
        std::copy(values.begin(), values.end(), m_image.begin() + kModelText);
        SaveStateLocked();
    }
    FlushTrace();
}

void CSimDevice::SetTag(const std::string& utf8) {
    {
        std::lock_guard lock(m_mutex);
        const std::vector<uint16_t> values = SimPackText16(utf8, 16);
        std::copy(values.begin(), values.end(), m_image.begin() + kTag);
        SaveStateLocked();
    }
    FlushTrace();
}

// ---- Faults, log, trace ---------------------------------------------------------------------

void CSimDevice::SetFaults(const CSimFaults& faults) {
    std::lock_guard lock(m_mutex);
    m_faults = faults;
}

CSimFaults CSimDevice::GetFaults() const {
    std::lock_guard lock(m_mutex);
    return m_faults;
}

void CSimDevice::SetSeed(uint64_t seed) {
    std::lock_guard lock(m_mutex);
    m_rng.seed(seed);
}

void CSimDevice::ForceFault(CSimFault fault, int count) {
    std::lock_guard lock(m_mutex);
    for (int i = 0; i < count; ++i) {
        m_forced.push_back(fault);
    }
}

std::vector<CSimRequestRecord> CSimDevice::GetRequestLog() const {
    std::lock_guard lock(m_mutex);
    return {m_log.begin(), m_log.end()};
}

std::vector<CSimRequestRecord> CSimDevice::GetWriteLog() const {
    std::lock_guard lock(m_mutex);
    std::vector<CSimRequestRecord> writes;
    for (const CSimRequestRecord& record : m_log) {
        if (record.function == kWriteFunction && record.exception == 0 &&
            record.fault != CSimFault::Drop) {
            writes.push_back(record);
        }
    }
    return writes;
}

void CSimDevice::ClearLog() {
    std::lock_guard lock(m_mutex);
    m_log.clear();
}

void CSimDevice::SetTraceSink(std::function<void(const std::string&)> sink) {
    std::lock_guard lock(m_mutex);
    m_traceSink = std::move(sink);
}

void CSimDevice::Trace(const std::string& line) {
    {
        std::lock_guard lock(m_mutex);
        m_pendingTrace.push_back(line);
    }
    FlushTrace();
}

void CSimDevice::FlushTrace() {
    std::vector<std::string> lines;
    std::function<void(const std::string&)> sink;
    {
        std::lock_guard lock(m_mutex);
        lines.swap(m_pendingTrace);
        sink = m_traceSink;
    }
    if (sink) {
        for (const std::string& line : lines) {
            sink(line);
        }
    }
}

// ---- State ----------------------------------------------------------------------------------

void CSimDevice::AttachStateFile(const std::string& path) {
    std::lock_guard lock(m_mutex);
    if (const std::optional<CSimState> state = SimLoadState(path)) {
        if (state->model != m_model.number) {
            throw std::runtime_error("state file " + path + " holds model " +
                                     std::to_string(state->model) + ", not " +
                                     std::to_string(m_model.number));
        }
        for (const auto& [address, value] : state->registers) {
            if (m_map.Persisted(address)) {
                m_image[address] = value;
            }
        }
        std::copy_n(m_image.begin() + kFactorySerial, 8, m_image.begin() + kSerial);
        std::copy_n(m_image.begin() + kFactoryModelText, 16, m_image.begin() + kModelText);
    }
    m_statePath = path;
    try {
        WriteStateLocked(); // an unwritable place shows now, not at the first setting write
    } catch (...) {
        m_statePath.clear();
        throw;
    }
    UpdateLiveLocked();
}

void CSimDevice::SaveStateLocked() {
    try {
        WriteStateLocked();
    } catch (const std::exception& error) {
        // The request was carried out; only its persistence failed.
        std::fprintf(stderr, "q3sim: %s\n", error.what());
        m_pendingTrace.push_back(std::string("state not saved: ") + error.what());
    }
}

void CSimDevice::WriteStateLocked() {
    if (m_statePath.empty()) {
        return;
    }
    CSimState state;
    state.model = m_model.number;
    for (uint32_t a = 0; a < 65536; ++a) {
        if (m_map.Persisted(static_cast<uint16_t>(a))) {
            state.registers.emplace_back(static_cast<uint16_t>(a), m_image[a]);
        }
    }
    SimSaveState(m_statePath, state);
}

void CSimDevice::Initialise() {
    {
        std::lock_guard lock(m_mutex);
        InitialiseLocked();
        UpdateLiveLocked();
    }
    FlushTrace();
}

void CSimDevice::InitialiseLocked() {
    for (uint32_t a = 0; a < 65536; ++a) {
        const auto address = static_cast<uint16_t>(a);
        const bool identity = (a >= kFactorySerial && a < kFactorySerial + 8) ||
                              (a >= kFactoryModelText && a < kFactoryModelText + 16);
        const CSimRegKind kind = m_map.Kind(address);
        if ((m_map.Persisted(address) && !identity) || kind == CSimRegKind::CalibWork ||
            kind == CSimRegKind::FactoryCommand) {
            m_image[a] = m_defaults[a];
        }
    }
    m_pendingTrace.push_back("initialised: settings and factory tables set to defaults");
    SaveStateLocked();
}
