#include "app/CAppSettings.h"

#include "app/CSettingsStore.h"
#include "comm/CCommInterface.h"

void CAppSettings::Load(const CSettingsStore& store) {
    TempUnit = store.GetInt(kSettingsSection, kTempUnitValue, 0);
    DeviceId = store.GetInt(kSettingsSection, kDeviceIdValue, kDefaultDeviceId);
    DisplayLanguage = store.GetInt(kSettingsSection, kDisplayLanguageValue, kAutomaticLanguage);
    Technician = store.GetString(kSettingsSection, kTechnicianValue);
    comm = LoadCommSettings(store);
}

void CAppSettings::Store(CSettingsStore& store) const {
    store.SetInt(kSettingsSection, kTempUnitValue, TempUnit);
    store.SetInt(kSettingsSection, kDeviceIdValue, DeviceId);
    store.SetInt(kSettingsSection, kDisplayLanguageValue, DisplayLanguage);
    store.SetString(kSettingsSection, kTechnicianValue, Technician);
    store.SetString(kComSettingsSection, kPortNameValue, comm.portName);
    store.SetString(kComSettingsSection, kPortDisplayNameValue, comm.portDisplayName);
}

CommSettings LoadCommSettings(const CSettingsStore& store) {
    return CCommInterface::FixedSettings(
        store.GetString(kComSettingsSection, kPortNameValue, kDefaultPortName),
        store.GetString(kComSettingsSection, kPortDisplayNameValue, ""));
}

void UseSettingsStore(CCommInterface& comm, const CSettingsStore& store) {
    comm.UseSettingsSource([store] { return LoadCommSettings(store); });
}
