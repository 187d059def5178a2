#pragma once

#include "sim/SimModels.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// Register addresses as sent on the wire (zero-based). 32-bit values take two registers, the
// lower-addressed one holding the low-order half.
namespace SimReg {
constexpr uint16_t kStatus = 0;
constexpr uint16_t kInputValue = 2;
constexpr uint16_t kInputPercent = 4;
constexpr uint16_t kColdJunction = 6;
constexpr uint16_t kOutputValue = 22;   // + 4 x output; the auxiliary value follows at + 2
constexpr uint16_t kSensorReading = 42; // RTD resistance (Ohm) or thermocouple voltage (mV)
constexpr uint16_t kProcessMode = 900;
constexpr uint16_t kCalibWork = 901; // 8 registers: two references, two captured values
constexpr uint16_t kInputType = 1000;
constexpr uint16_t kInputZero = 1001;
constexpr uint16_t kInputFull = 1003;
constexpr uint16_t kInputFineZero = 1010;
constexpr uint16_t kInputFineSpan = 1012;
constexpr uint16_t kFilter = 1020;
constexpr uint16_t kSensorWires = 1030;
constexpr uint16_t kInputOption = 1040; // response property, or cold junction compensation
constexpr uint16_t kResponseRate = 1050;
constexpr uint16_t kOutputBase = 2000; // + 200 x output
constexpr uint16_t kOutType = 0;       // offsets from the output base
constexpr uint16_t kOutZero = 1;
constexpr uint16_t kOutFull = 3;
constexpr uint16_t kOutLow = 5;
constexpr uint16_t kOutHigh = 7;
constexpr uint16_t kOutFineZero = 10;
constexpr uint16_t kOutFineSpan = 12;
constexpr uint16_t kOutBurnout = 20;
constexpr uint16_t kOutBurnoutValue = 21;
constexpr uint16_t kOutLinearizer = 30;
constexpr uint16_t kCustomType = 4000;
constexpr uint16_t kCustomCoefficients = 4001; // R0, A, B, C as floats
constexpr uint16_t kCustomStart = 4009;
constexpr uint16_t kCustomStep = 4011;
constexpr uint16_t kCustomPoints = 4012;
constexpr uint16_t kCustomTable = 4013; // 300 points x 2
constexpr uint16_t kXyPoints = 5000;
constexpr uint16_t kXyValues = 5001; // 202 values x 2: X[0], Y[0], X[1], ...
constexpr uint16_t kModelNumber = 9600;
constexpr uint16_t kHardware = 9601;
constexpr uint16_t kFirmware = 9602;
constexpr uint16_t kSerial = 9603;    // 8 registers
constexpr uint16_t kModelText = 9611; // 16 registers
constexpr uint16_t kCalibDate = 9627; // year x 65536 + month x 256 + day
constexpr uint16_t kTag = 9629;       // 16 registers
constexpr uint16_t kFactorySerial = 20000;
constexpr uint16_t kFactoryModelText = 20008;
constexpr uint16_t kRefResistance = 20100;
constexpr uint16_t kRefVoltage = 20102;
constexpr uint16_t kAdTable = 21000; // + 6 x type: AD 0 %, AD 100 %, true 0 %, true 100 %
constexpr uint16_t kDaTable = 22000; // + 100 x output + 6 x type: DA 0 %, DA 100 %, measured
constexpr uint16_t kInitialise = 30000;
constexpr uint16_t kGain = 30001;
constexpr uint16_t kLiveAd = 30100;
constexpr uint16_t kForcedDa = 30200; // + output

constexpr uint16_t kInitialiseCommand = 99;
constexpr uint16_t kModeNormal = 0;
constexpr uint16_t kModeParameterWrite = 1;
constexpr uint16_t kModeFixedOutput = 2;
constexpr uint16_t kModeInputCalib = 11;
constexpr uint16_t kModeOutputCalib = 21;
constexpr uint16_t kModeFactory = 5170;
constexpr int kFirstResponsePropertyFirmware = 110; // version x 100
} // namespace SimReg

// How the device treats a register.
enum class CSimRegKind : uint8_t {
    Absent,         // not in the model's map: exception 2
    Monitor,        // live, read only
    OutputValue,    // live; a write takes effect only in fixed-output mode
    ProcessMode,    // register 900
    CalibWork,      // 901-908, kept as written, not persisted
    Setting,        // persisted, writable in every process mode
    Identity,       // model number, versions, serial and model text copies: read only
    Factory,        // persisted, writable in factory mode only
    FactoryCommand, // initialisation, gain, forced DA: writable in factory mode only, volatile
    FactoryLive,    // live AD count, read only
};

// Identity and factory data of one simulated unit.
struct CSimIdentity {
    int hardware = 100; // version x 100
    int firmware = 110; // version x 100; below 110 the response property register is absent
    std::string serial = "SIM-000001";
    std::string modelText; // empty: the model name
    std::string tag;       // UTF-8, up to 16 UTF-16 characters
    int32_t calibrationDate = (2024 << 16) | (4 << 8) | 1;
};

// The register map of one model at one firmware level, and its default register image. Written
// from the device's documentation apart from the program's model tables, on purpose: the tests
// check each table against this map (SimulatorDefaultsTest), which a shared table could not do.
class CSimRegisterMap {
public:
    struct Block {
        uint16_t start;
        uint16_t count;
        CSimRegKind kind;
        std::string content;
    };

    CSimRegisterMap(const CSimModelInfo& model, int firmware);

    CSimRegKind Kind(uint16_t address) const { return m_kinds[address]; }
    bool Persisted(uint16_t address) const {
        return Kind(address) == CSimRegKind::Setting || Kind(address) == CSimRegKind::Factory;
    }
    // Blocks in address order.
    const std::vector<Block>& Blocks() const { return m_blocks; }
    // Input types known to the factory input table: seven gains on the RTD model, three DC
    // ranges on the others.
    int AdTypes() const { return m_adTypes; }

    // Every register's power-on default (65536 entries; absent registers 0).
    std::vector<uint16_t> DefaultImage(const CSimIdentity& identity) const;
    // Human-readable listing of the map, one block per line, one-based addresses in brackets.
    std::string Describe() const;

private:
    void PutFactoryDefaults(std::vector<uint16_t>& image) const;
    void AddMonitorBlocks();
    void AddSettingBlocks(int firmware);
    void AddIdentityAndFactoryBlocks();
    void Add(uint16_t start, uint16_t count, CSimRegKind kind, std::string content);

    CSimModelInfo m_model;
    int m_adTypes;
    std::vector<Block> m_blocks;
    std::array<CSimRegKind, 65536> m_kinds{};
};

const char* SimRegKindName(CSimRegKind kind);
