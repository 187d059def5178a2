#pragma once

#include "sim/CSimFaults.h"
#include "sim/CSimRegisterMap.h"
#include "sim/SimModels.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <vector>

// The live input the simulated sensor delivers.
struct CSimInput {
    enum class Shape { Constant, Sine, Ramp };
    Shape shape = Shape::Constant;
    // true: the values are percent of the configured input range (registers 1001/1003);
    // false: they are in the input unit (deg C, % of travel, mA/mV/V).
    bool relative = true;
    double a = 50;       // constant: the value; sine: the centre; ramp: the start
    double b = 0;        // sine: the amplitude; ramp: the end
    double periodS = 60; // sine and ramp (sawtooth)
};

// One request as the device saw it.
struct CSimRequestRecord {
    uint8_t function = 0;
    uint16_t start = 0;
    uint16_t count = 0;
    std::vector<uint16_t> values; // written values; empty for reads
    uint8_t exception = 0;        // 0: answered normally
    CSimFault fault = CSimFault::None;
};

// What goes back on the line for one request.
struct CSimReply {
    std::vector<uint8_t> bytes; // empty: stay silent
    int delayMs = 0;            // stall before the answer is sent
    CSimFault fault = CSimFault::None;
};

// One simulated transmitter: the register image of its model, the live input and outputs, the
// process modes, the Modbus slave (RTU frames, TCP ADUs or bare PDUs) and fault injection.
// Every public operation is thread-safe; the trace sink is called without the lock held.
class CSimDevice {
public:
    static constexpr uint8_t kSlaveAddress = 1;

    // Throws std::invalid_argument for a number that is not a model of the line.
    explicit CSimDevice(int modelNumber, const CSimIdentity& identity = {});
    CSimDevice(const CSimDevice&) = delete;
    CSimDevice& operator=(const CSimDevice&) = delete;

    const CSimModelInfo& GetModel() const { return m_model; }
    const CSimRegisterMap& GetMap() const { return m_map; }

    // Modbus. HandlePdu answers a PDU (function code first) without faults or addressing.
    std::vector<uint8_t> HandlePdu(const uint8_t* pdu, size_t length);
    // A complete RTU frame (address, PDU, CRC low byte first); silence for a bad CRC, another
    // address or a broadcast (address 0 writes are carried out).
    CSimReply AnswerRtu(const uint8_t* frame, size_t length);
    std::optional<std::vector<uint8_t>> ProcessRtuFrame(const std::vector<uint8_t>& frame);
    // A complete Modbus TCP ADU (MBAP header, unit identifier, PDU). Units 1 and 255 answer.
    CSimReply AnswerTcp(const uint8_t* adu, size_t length);

    // Register peek and poke, bypassing the Modbus rules (any address, no side effects; live
    // registers are recomputed by the next Tick or write).
    uint16_t GetRegister(uint16_t address) const;
    void SetRegister(uint16_t address, uint16_t value);
    int32_t GetInt32(uint16_t address) const;
    void SetInt32(uint16_t address, int32_t value);
    std::string GetText8(uint16_t address, int registers) const;
    std::string GetText16(uint16_t address, int registers) const;
    uint16_t GetProcessMode() const { return GetRegister(SimReg::kProcessMode); }
    // Identity texts as the factory sets them (both copies of the serial number and model
    // text); persisted like a write.
    void SetSerialNumber(const std::string& text);
    void SetModelText(const std::string& text);
    void SetTag(const std::string& utf8);

    // Live behaviour. Tick advances the simulated clock (seconds) and recomputes the monitor
    // registers; writes and SetInput recompute them too.
    void Tick(double seconds);
    void SetInput(const CSimInput& input);
    // Shortcut: a constant input in the input unit.
    void SetInputValue(double value);
    // A broken sensor: status 0x10, outputs to their burnout setting. The DC models have no
    // sensor-break detection and ignore it.
    void SetBurnout(bool on);
    bool GetBurnout() const;

    // Faults.
    void SetFaults(const CSimFaults& faults);
    CSimFaults GetFaults() const;
    void SetSeed(uint64_t seed);
    // The next count requests addressed to the device meet this fault, whatever the fractions.
    void ForceFault(CSimFault fault, int count = 1);

    // Requests seen (the newest 10000), and the accepted writes among them.
    std::vector<CSimRequestRecord> GetRequestLog() const;
    std::vector<CSimRequestRecord> GetWriteLog() const;
    void ClearLog();

    // One line per request and answer, hex bytes with one-based register addresses.
    void SetTraceSink(std::function<void(const std::string&)> sink);
    void Trace(const std::string& line);

    // Keep the settings in a file: loads it when it exists, writes it back at once, then
    // rewrites it after every write that changes a persisted register (settings, tag,
    // calibration date, factory area). Throws std::runtime_error on a malformed file, one of
    // another model, or one that cannot be written; a later failed rewrite is only reported.
    void AttachStateFile(const std::string& path);
    // What register 30000 := 99 does: every setting and factory table back to its default;
    // the unit's identity (serial number, model text) stays.
    void Initialise();

private:
    std::vector<uint8_t> HandlePduLocked(const uint8_t* pdu, size_t length,
                                         CSimRequestRecord& record);
    std::vector<uint8_t> ReadLocked(const uint8_t* pdu, size_t length, CSimRequestRecord& record);
    std::vector<uint8_t> WriteLocked(const uint8_t* pdu, size_t length, CSimRequestRecord& record);
    void ApplyWriteLocked(uint16_t start, const std::vector<uint16_t>& values);
    void EnterModeLocked(uint16_t mode);
    void InitialiseLocked();
    void UpdateLiveLocked();
    double ForcedOutputLocked(int o, uint16_t forcedDa) const;
    double DrivenOutputLocked(int o, double percent, uint32_t& status) const;
    double InputNowLocked() const;
    double LinearizeLocked(double inputPercent) const;
    CSimFault DrawFaultLocked();
    // A write that would take the device out of its process mode while that is to be lost.
    bool LosesRestoreLocked(const uint8_t* pdu, size_t length) const;
    std::vector<uint8_t> AnswerPduLocked(const uint8_t* pdu, size_t length, const std::string& rx,
                                         CSimFault& fault);
    void TraceReplyLocked(const CSimReply& reply, CSimFault fault, int exception);
    void ApplyFaultLocked(CSimFault fault, CSimReply& reply, bool tcp);
    void LogLocked(CSimRequestRecord record);
    void SaveStateLocked();
    void WriteStateLocked(); // throws std::runtime_error
    void FlushTrace();

    int32_t I32(uint16_t address) const;
    void Put32(uint16_t address, int32_t value);

    const CSimModelInfo m_model;
    const CSimRegisterMap m_map;
    const std::vector<uint16_t> m_defaults;

    mutable std::mutex m_mutex;
    std::vector<uint16_t> m_image;
    CSimInput m_input;
    double m_time = 0; // seconds of simulated time
    bool m_burnout = false;
    CSimFaults m_faults;
    std::mt19937_64 m_rng{1};
    std::deque<CSimFault> m_forced;
    std::deque<CSimRequestRecord> m_log;
    std::function<void(const std::string&)> m_traceSink;
    std::vector<std::string> m_pendingTrace; // filled under the lock, emitted after it
    std::string m_statePath;
};
