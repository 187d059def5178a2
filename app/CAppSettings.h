#pragma once

#include "comm/CommSettings.h"

#include <string>

class CCommInterface;
class CSettingsStore;

// The per-user settings the program keeps: the communication record (port name and display
// name from "ComSettings", the rest fixed), the display temperature unit, the model of the
// file set at the last close and the display language. Plain value type.
class CAppSettings {
public:
    virtual ~CAppSettings() = default;

    static constexpr int kDefaultDeviceId = 9;
    static constexpr int kAutomaticLanguage = -1;

    CommSettings comm;
    int TempUnit = 0;                         // 0 deg C, 1 deg F, 2 K
    int DeviceId = kDefaultDeviceId;          // type code of the file set
    int DisplayLanguage = kAutomaticLanguage; // -1 from the user's locale, 0 English, 1 Japanese
    std::string Technician;                   // who signs calibration certificates
    // The Modbus trace window is open; for this run only, never stored.
    bool ShowModbusTrace = false;

    // Reads the six values; missing values take their defaults.
    void Load(const CSettingsStore& store);
    // Writes the six values. Raises CPrivateException when the store cannot be written.
    void Store(CSettingsStore& store) const;
};

// The communication settings kept in the store's "ComSettings" ("COMPortName", default
// kDefaultPortName; "COMPortDisplayName", default ""); everything else is fixed.
CommSettings LoadCommSettings(const CSettingsStore& store);
// Makes every later Connect of comm read its settings from the store afresh.
void UseSettingsStore(CCommInterface& comm, const CSettingsStore& store);
