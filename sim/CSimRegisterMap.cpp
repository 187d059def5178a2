#include "sim/CSimRegisterMap.h"

#include "sim/SimText.h"

#include <cstdio>

using namespace SimReg;

namespace {

void Put32(std::vector<uint16_t>& image, uint16_t address, int32_t value) {
    const auto bits = static_cast<uint32_t>(value);
    image[address] = static_cast<uint16_t>(bits & 0xFFFF);
    image[address + 1] = static_cast<uint16_t>(bits >> 16);
}

void PutValues(std::vector<uint16_t>& image, uint16_t address, const std::vector<uint16_t>& v) {
    for (size_t i = 0; i < v.size(); ++i) {
        image[address + i] = v[i];
    }
}

constexpr int kDaTypes = 3;

} // namespace

CSimRegisterMap::CSimRegisterMap(const CSimModelInfo& model, int firmware)
    : m_model(model), m_adTypes(model.family == CSimFamily::Rtd ? 7 : 3) {
    AddMonitorBlocks();
    AddSettingBlocks(firmware);
    AddIdentityAndFactoryBlocks();
}

// Readings, output values and the process mode.
void CSimRegisterMap::AddMonitorBlocks() {
    const CSimFamily family = m_model.family;
    const bool rtd = family == CSimFamily::Rtd;
    const bool pot = family == CSimFamily::Potentiometer;
    const bool tc = family == CSimFamily::Thermocouple;
    const char* unit = rtd || tc ? "deg C" : pot ? "%" : "input unit";

    Add(kStatus, 2, CSimRegKind::Monitor, "status word");
    Add(kInputValue, 2, CSimRegKind::Monitor, std::string("input value, fixed-4 ") + unit);
    Add(kInputPercent, 2, CSimRegKind::Monitor, "input value in percent, fixed-4");
    if (tc) {
        Add(kColdJunction, 2, CSimRegKind::Monitor, "cold junction temperature, fixed-4 deg C");
    }
    // The single-output variants answer the second output's registers as well (the program
    // reads 26-29 and writes 2210-2213 on them too); that output is simply not driven.
    Add(kOutputValue, 2, CSimRegKind::OutputValue, "output 1 value");
    Add(kOutputValue + 2, 2, CSimRegKind::OutputValue, "output 1 auxiliary value (% of span)");
    Add(kOutputValue + 4, 2, CSimRegKind::OutputValue, "output 2 value");
    Add(kOutputValue + 6, 2, CSimRegKind::OutputValue, "output 2 auxiliary value (% of span)");
    if (rtd) {
        Add(kSensorReading, 2, CSimRegKind::Monitor, "RTD resistance, fixed-4 Ohm");
    }
    if (tc) {
        Add(kSensorReading, 2, CSimRegKind::Monitor, "thermocouple voltage, fixed-4 mV");
    }
    Add(kProcessMode, 1, CSimRegKind::ProcessMode, "process mode");
    Add(kCalibWork, 8, CSimRegKind::CalibWork,
        "calibration references (901, 903) and captured values (905, 907)");
}

// Input, output and table settings as the model and firmware have them.
void CSimRegisterMap::AddSettingBlocks(int firmware) {
    const CSimFamily family = m_model.family;
    const bool rtd = family == CSimFamily::Rtd;
    const bool pot = family == CSimFamily::Potentiometer;
    const bool dc = family == CSimFamily::Dc;
    const bool tc = family == CSimFamily::Thermocouple;
    Add(kInputType, 1, CSimRegKind::Setting, "input type");
    Add(kInputZero, 2, CSimRegKind::Setting, "0% input");
    Add(kInputFull, 2, CSimRegKind::Setting, "100% input");
    Add(kInputFineZero, 2, CSimRegKind::Setting, "input fine zero");
    Add(kInputFineSpan, 2, CSimRegKind::Setting, "input fine span");
    Add(kFilter, 2, CSimRegKind::Setting, "filter time constant");
    if (rtd) {
        Add(kSensorWires, 1, CSimRegKind::Setting, "sensor wires");
    }
    if ((rtd || pot) && firmware >= kFirstResponsePropertyFirmware) {
        Add(kInputOption, 1, CSimRegKind::Setting, "response property");
    }
    if (tc) {
        Add(kInputOption, 1, CSimRegKind::Setting, "cold junction compensation");
    }
    if (dc) {
        Add(kResponseRate, 1, CSimRegKind::Setting, "response rate");
    }
    for (int o = 0; o < 2; ++o) {
        const auto base = static_cast<uint16_t>(kOutputBase + 200 * o);
        const std::string name = "output " + std::to_string(o + 1) + " ";
        Add(base + kOutType, 1, CSimRegKind::Setting, name + "type");
        Add(base + kOutZero, 2, CSimRegKind::Setting, name + "0%");
        Add(base + kOutFull, 2, CSimRegKind::Setting, name + "100%");
        Add(base + kOutLow, 2, CSimRegKind::Setting, name + "low limit");
        Add(base + kOutHigh, 2, CSimRegKind::Setting, name + "high limit");
        Add(base + kOutFineZero, 2, CSimRegKind::Setting, name + "fine zero");
        Add(base + kOutFineSpan, 2, CSimRegKind::Setting, name + "fine span");
        if (!dc) {
            Add(base + kOutBurnout, 1, CSimRegKind::Setting, name + "burnout");
            Add(base + kOutBurnoutValue, 2, CSimRegKind::Setting, name + "burnout value");
        }
        if (pot || dc) {
            Add(base + kOutLinearizer, 1, CSimRegKind::Setting, name + "linearizer");
        }
    }
    if (rtd) {
        Add(kCustomType, 1, CSimRegKind::Setting, "custom RTD type");
        Add(kCustomCoefficients, 8, CSimRegKind::Setting, "custom RTD coefficients R0, A, B, C");
    }
    if (rtd || tc) {
        const std::string table = rtd ? "custom RTD " : "custom TC ";
        Add(kCustomStart, 2, CSimRegKind::Setting, table + "start");
        Add(kCustomStep, 1, CSimRegKind::Setting, table + "step");
        Add(kCustomPoints, 1, CSimRegKind::Setting, table + "points");
        Add(kCustomTable, 600, CSimRegKind::Setting, table + (rtd ? "R[0..299]" : "V[0..299]"));
    }
    if (pot || dc) {
        Add(kXyPoints, 1, CSimRegKind::Setting, "XY table points");
        Add(kXyValues, 404, CSimRegKind::Setting, "XY table X[0], Y[0] .. X[100], Y[100]");
    }
}

// Identity, the factory records and commands.
void CSimRegisterMap::AddIdentityAndFactoryBlocks() {
    Add(kModelNumber, 1, CSimRegKind::Identity, "model number");
    Add(kHardware, 1, CSimRegKind::Identity, "hardware version x 100");
    Add(kFirmware, 1, CSimRegKind::Identity, "firmware version x 100");
    Add(kSerial, 8, CSimRegKind::Identity, "serial number, 16 bytes");
    Add(kModelText, 16, CSimRegKind::Identity, "model text, 32 bytes");
    Add(kCalibDate, 2, CSimRegKind::Setting, "calibration date");
    Add(kTag, 16, CSimRegKind::Setting, "tag number, 16 UTF-16 characters");
    Add(kFactorySerial, 8, CSimRegKind::Factory, "factory serial number");
    Add(kFactoryModelText, 16, CSimRegKind::Factory, "factory model text");
    Add(kRefResistance, 2, CSimRegKind::Factory, "reference resistance, Ohm");
    Add(kRefVoltage, 2, CSimRegKind::Factory, "reference voltage, mV");
    Add(kAdTable, static_cast<uint16_t>(6 * m_adTypes), CSimRegKind::Factory,
        "input AD table, " + std::to_string(m_adTypes) + " types x 6");
    Add(kDaTable, 6 * kDaTypes, CSimRegKind::Factory, "output 1 DA table, 3 types x 6");
    Add(kDaTable + 100, 6 * kDaTypes, CSimRegKind::Factory, "output 2 DA table, 3 types x 6");
    Add(kInitialise, 1, CSimRegKind::FactoryCommand, "initialisation command (99)");
    Add(kGain, 1, CSimRegKind::FactoryCommand, "input gain selection (-1 released)");
    Add(kLiveAd, 1, CSimRegKind::FactoryLive, "live AD count");
    Add(kForcedDa, 2, CSimRegKind::FactoryCommand, "forced DA count of outputs 1 and 2");
}

void CSimRegisterMap::Add(uint16_t start, uint16_t count, CSimRegKind kind, std::string content) {
    for (uint32_t a = start; a < static_cast<uint32_t>(start) + count; ++a) {
        m_kinds[a] = kind;
    }
    m_blocks.push_back({start, count, kind, std::move(content)});
}

std::vector<uint16_t> CSimRegisterMap::DefaultImage(const CSimIdentity& identity) const {
    std::vector<uint16_t> image(65536, 0);
    const CSimFamily family = m_model.family;
    const bool dc = family == CSimFamily::Dc;

    switch (family) {
    case CSimFamily::Rtd:
        Put32(image, kInputFull, 1000000); // 100 deg C
        image[kSensorWires] = 2;           // 4 wires
        break;
    case CSimFamily::Potentiometer:
        image[kInputType] = 2;
        Put32(image, kInputFull, 1000000); // 100 %
        break;
    case CSimFamily::Dc:
        Put32(image, kInputZero, 40000);  // 4 mA
        Put32(image, kInputFull, 200000); // 20 mA
        break;
    case CSimFamily::Thermocouple:
        Put32(image, kInputFull, 16000000); // 1600 deg C
        image[kInputOption] = 1;            // use the cold junction sensor
        break;
    }
    Put32(image, kInputFineSpan, 1000000);
    for (int o = 0; o < 2; ++o) {
        const auto base = static_cast<uint16_t>(kOutputBase + 200 * o);
        Put32(image, base + kOutZero, 40000);  // 4 mA
        Put32(image, base + kOutFull, 200000); // 20 mA
        Put32(image, base + kOutLow, 24000);   // -10 % of the span
        Put32(image, base + kOutHigh, 216000); // 110 %
        Put32(image, base + kOutFineSpan, 1000000);
        if (!dc) {
            image[base + kOutBurnout] = 2;                 // upscale
            Put32(image, base + kOutBurnoutValue, 224000); // 115 %
        }
    }
    if (family == CSimFamily::Rtd || family == CSimFamily::Thermocouple) {
        image[kCustomStep] = 1;
        image[kCustomPoints] = 2;
        Put32(image, kCustomTable + 2, 1); // point 1 = 0.0001
    } else {
        image[kXyPoints] = 2;
        Put32(image, kXyValues + 0, -150000);
        Put32(image, kXyValues + 2, -150000);
        Put32(image, kXyValues + 4, 1150000);
        Put32(image, kXyValues + 6, 1150000);
    }

    const std::string modelText = identity.modelText.empty() ? m_model.name : identity.modelText;
    image[kModelNumber] = static_cast<uint16_t>(m_model.number);
    image[kHardware] = static_cast<uint16_t>(identity.hardware);
    image[kFirmware] = static_cast<uint16_t>(identity.firmware);
    PutValues(image, kSerial, SimPackText8(identity.serial, 8));
    PutValues(image, kFactorySerial, SimPackText8(identity.serial, 8));
    PutValues(image, kModelText, SimPackText8(modelText, 16));
    PutValues(image, kFactoryModelText, SimPackText8(modelText, 16));
    Put32(image, kCalibDate, identity.calibrationDate);
    PutValues(image, kTag, SimPackText16(identity.tag, 16));

    PutFactoryDefaults(image);
    image[kGain] = 0xFFFF; // released
    return image;
}

// The factory records: references, the A/D table of each input type, the D/A tables.
void CSimRegisterMap::PutFactoryDefaults(std::vector<uint16_t>& image) const {
    const CSimFamily family = m_model.family;
    Put32(image, kRefResistance, 1000000); // 100 Ohm
    Put32(image, kRefVoltage, 1000000);    // 100 mV
    for (int t = 0; t < m_adTypes; ++t) {
        const auto base = static_cast<uint16_t>(kAdTable + 6 * t);
        image[base] = 2000;
        image[base + 1] = 62000;
        // RTD gains: full scale 100 mV / gain; DC ranges: 50 mA, +-1000 mV, +-10 V.
        static const int32_t kDcLow[] = {0, -10000000, -100000};
        static const int32_t kDcHigh[] = {500000, 10000000, 100000};
        const bool gains = family == CSimFamily::Rtd;
        Put32(image, base + 2, gains ? 0 : kDcLow[t]);
        Put32(image, base + 4, gains ? 1000000 >> t : kDcHigh[t]);
    }
    for (int o = 0; o < 2; ++o) {
        // 0-20 mA calibrated at 4 and 20 mA; the voltage types at 80 % of their half range.
        static const uint16_t kDaLow[] = {3200, 1600, 1600};
        static const uint16_t kDaHigh[] = {16000, 14400, 14400};
        static const int32_t kMeasuredLow[] = {40000, -40000, -80000};
        static const int32_t kMeasuredHigh[] = {200000, 40000, 80000};
        for (int t = 0; t < kDaTypes; ++t) {
            const auto base = static_cast<uint16_t>(kDaTable + 100 * o + 6 * t);
            image[base] = kDaLow[t];
            image[base + 1] = kDaHigh[t];
            Put32(image, base + 2, kMeasuredLow[t]);
            Put32(image, base + 4, kMeasuredHigh[t]);
        }
    }
}

std::string CSimRegisterMap::Describe() const {
    std::string text;
    for (const Block& block : m_blocks) {
        char line[160];
        if (block.count == 1) {
            std::snprintf(line, sizeof line, "%5u       [%5u]        %-15s %s\n", block.start,
                          block.start + 1, SimRegKindName(block.kind), block.content.c_str());
        } else {
            std::snprintf(line, sizeof line, "%5u-%-5u [%5u-%-5u]  %-15s %s\n", block.start,
                          block.start + block.count - 1, block.start + 1, block.start + block.count,
                          SimRegKindName(block.kind), block.content.c_str());
        }
        text += line;
    }
    return text;
}

const char* SimRegKindName(CSimRegKind kind) {
    switch (kind) {
    case CSimRegKind::Absent:
        return "absent";
    case CSimRegKind::Monitor:
        return "read";
    case CSimRegKind::OutputValue:
        return "read/fixed-out";
    case CSimRegKind::ProcessMode:
        return "read/write";
    case CSimRegKind::CalibWork:
        return "read/write";
    case CSimRegKind::Setting:
        return "read/write";
    case CSimRegKind::Identity:
        return "read";
    case CSimRegKind::Factory:
        return "read/factory";
    case CSimRegKind::FactoryCommand:
        return "read/factory";
    case CSimRegKind::FactoryLive:
        return "read";
    }
    return "?";
}
