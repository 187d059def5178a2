#pragma once

#include <cstdint>
#include <ctime>
#include <string>

class CCommInterface;
class CParBase;

// Registers of the calibration and adjustment flows (zero-based holding registers).
inline constexpr int kRegStatusWord = 0;
inline constexpr int kRegProcessMode = 900;
inline constexpr int kRegCalibReference = 901; // 4 registers: true values at 0 % and 100 %
inline constexpr int kRegCapturedZero = 905;
inline constexpr int kRegCapturedFull = 907;
inline constexpr int kRegInputAdjust = 1010;  // + 200 per input: zero, span
inline constexpr int kRegOutputAdjust = 2010; // + 200 per output: zero, span
inline constexpr int kRegCalibratedDate = 9627;

// The device's process mode and calibration work registers, as the last poll read them.
// Written on the device interface thread under the connection lock; the window copies it
// after the thread's notification. Copied whole by value.
class CCalibInfo {
public:
    CCalibInfo() = default;
    virtual ~CCalibInfo() = default;
    CCalibInfo(const CCalibInfo&) = default;
    CCalibInfo& operator=(const CCalibInfo&) = default;

    int32_t statusWord = 0;
    uint16_t processMode = 0; // register 900
    bool ioPresent = true;    // the model has an input or an output
    int32_t inputCount = 1;
    int32_t outputCount = 1;
    int32_t refZeroRaw = 0; // 901-902, fixed-4
    int32_t refFullRaw = 0; // 903-904
    int32_t capturedZeroRaw = 0;
    int32_t capturedFullRaw = 0;
    // The range of the channel under calibration from the model, fixed-4: the input's
    // measuring range in modes 11 to 20, otherwise the nominal range of the output.
    int32_t refZeroModel = 0;
    int32_t refFullModel = 0;
    std::string channelText[4][2]; // reserved per-channel texts

    // Fills the record from the model's counts and status and, when the model has any input
    // or output, from registers 900 to 908. The caller holds the connection lock.
    void Read(CCommInterface& comm, const CParBase& set);
};

// The date register value of a local date: year x 65536 + month x 256 + day (month 1..12).
int32_t CalibratedDateValue(const std::tm& local);
// Writes today's local date to the calibrated-date register 9627 (two registers) inside
// process mode 1, under the connection lock. Modbus errors propagate; 900 is restored.
void WriteCalibratedDate(CCommInterface& comm);
