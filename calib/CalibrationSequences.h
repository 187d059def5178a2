#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

class CCalibInfo;
class CCommInterface;
class CParBase;

// The register sequences behind the calibration page, the factory calibration dialogs and the
// loop test page. Each takes the connection lock for its whole sequence (the lock is recursive,
// so a caller that already holds it, like the window around a factory dialog, nests) and lets
// Modbus errors propagate as CPrivateException. Indexes: input 0 or 1, output 0 or 1, type t
// counted from 0 in the factory dialog's type list.

// Registers of the calibration flows (zero-based holding registers; 900 to 908 and the
// adjustment registers are in calib/CCalibInfo.h).
inline constexpr int kRegInputValue = 2;    // + 4 per input, fixed-4 live value
inline constexpr int kRegOutputValue = 22;  // + 4 per output; writable in mode 2 only
inline constexpr int kRegInputRange = 1001; // + 200 per input: 0 % and 100 % input
inline constexpr int kRegOutputRange = 2001;
inline constexpr int kRegFactoryResistance = 20100;  // reference resistance, fixed-4 Ohm
inline constexpr int kRegFactoryVoltage = 20102;     // reference voltage, fixed-4 mV
inline constexpr int kRegFactoryInputTable = 21000;  // + 6t: AD 0 %, AD 100 %, true 0 %, true 100 %
inline constexpr int kRegFactoryOutputTable = 22000; // + 100o + 6t: DA 0 %, DA 100 %, ...
inline constexpr int kRegFactoryGain = 30001;        // int16 gain index, -1 released
inline constexpr int kRegFactoryAdCount = 30100;     // live AD count
inline constexpr int kRegFactoryForcedDa = 30200;    // + o, DA count forced; 0 released

// Process modes the calibration flows write to register 900.
inline constexpr uint16_t kModeNormal = 0;
inline constexpr uint16_t kModeFixedOutput = 2;
inline constexpr uint16_t kModeInputCalibration = 11;  // + input
inline constexpr uint16_t kModeOutputCalibration = 21; // + output

enum class CalibPoint { Zero, Full };

// ---- Calibration page ----

// True when register 900 says the input (output) calibration cycle runs.
bool IsInputCalibrationMode(uint16_t processMode);
bool IsOutputCalibrationMode(uint16_t processMode);

// "Start Calib.": reads the channel's range, clears the reference pair, seeds the captured pair
// with the range ends (901-908 in one write), then enters mode 11 + input (21 + output).
void StartInputCalibration(CCommInterface& comm, int input);
void StartOutputCalibration(CCommInterface& comm, int output);
// "0% Calib." / "100% Calib.": the channel's live value into 905-906 or 907-908.
void CaptureInputPoint(CCommInterface& comm, int input, CalibPoint point);
void CaptureOutputPoint(CCommInterface& comm, int output, CalibPoint point);
// The captured pair 905-908 (zero, full; fixed-4) that "Set" would write.
std::pair<int32_t, int32_t> ReadCapturedPair(CCommInterface& comm);
// "Set" of the input: the captured pair becomes the input range (in process mode 1), mode 0,
// calibrated date stamped.
void SetInputCalibration(CCommInterface& comm, int input);
// "Set" of the output: mode 0, the captured pair becomes the output's 0 % and 100 % parameters
// of set (written through the model), calibrated date stamped.
void SetOutputCalibration(CCommInterface& comm, CParBase& set, int output);
// The reference pair 901-904 := the model's range of the channel under calibration, when a
// cycle runs and the device still holds 0, 0 there. Returns whether it wrote.
bool WriteReferencesIfUnset(CCommInterface& comm, const CCalibInfo& info, bool cycleActive);

// ---- Factory calibration dialogs ----

// What a factory dialog shows of one input or output type: counts and true values at 0 % and
// 100 %.
struct FactoryTypeValues {
    uint16_t zeroCount = 0;
    uint16_t fullCount = 0;
    int32_t zeroMeasured = 0; // fixed-4
    int32_t fullMeasured = 0;
};

// One stored point as read back from the device.
struct FactoryPointValues {
    uint16_t count = 0;
    int32_t measured = 0;
};

// Entries of the type combo boxes; entry 0 is the prompt, type t is entry t + 1. The resistance
// thermometer (type code 9) calibrates per amplifier gain, the others per DC input range.
std::vector<std::string> FactoryInputTypeTexts(int typeCode);
std::vector<std::string> FactoryOutputTypeTexts();
// The resistance thermometer has the reference row and the gain register.
bool FactoryInputUsesGain(int typeCode);
// The output selector of the output dialog is offered for every two-output model (Q3VA, Q3VB,
// Q3VC, Q3VD).
bool FactoryOutputHasSelector(int typeCode);

// 20100-20103: reference resistance and voltage (fixed-4).
void ReadFactoryReferences(CCommInterface& comm, int32_t& resistance, int32_t& voltage);
// Writes one reference (kRegFactoryResistance or kRegFactoryVoltage) and returns it read back.
int32_t WriteFactoryReference(CCommInterface& comm, int address, int32_t value);
// Type t of the input dialog chosen: the gain t (type code 9 only), then the stored values.
FactoryTypeValues SelectFactoryInputType(CCommInterface& comm, int typeCode, int t);
// Stores the live AD count with the measured value as the point of type t; returns both read
// back.
FactoryPointValues StoreFactoryInputPoint(CCommInterface& comm, int t, CalibPoint point,
                                          int32_t measured);
// 30001 := -1 (the input dialog of the resistance thermometer closes).
void ReleaseFactoryGain(CCommInterface& comm);
// The stored values of output o, type t, in the order the dialog fills its rows.
FactoryTypeValues ReadFactoryOutputType(CCommInterface& comm, int output, int t);
// Drives output o with the DA count.
void ForceFactoryOutput(CCommInterface& comm, int output, uint16_t da);
// Stores the DA count in use on output o with the measured value as the point of type t;
// returns both read back.
FactoryPointValues StoreFactoryOutputPoint(CCommInterface& comm, int output, int t,
                                           CalibPoint point, int32_t measured);
// 30200-30201 := 0, 0: both forced outputs released.
void ReleaseFactoryOutputs(CCommInterface& comm);

// ---- Loop test ----

// Register 900 := mode ("Fixed Out" 2, "Normal Out" 0).
void WriteProcessMode(CCommInterface& comm, uint16_t mode);
// Checks value (fixed-4) against the output type's limits (message 205) and only then writes
// it to the output's live registers.
void WriteLoopTestOutput(CCommInterface& comm, const CParBase& set, int output, int32_t value);
