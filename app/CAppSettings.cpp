#include "app/CAppSettings.h"

#include "app/CSettingsStore.h"
#include "comm/CCommInterface.h"

void CAppSettings::Load(const CSettingsStore& store) {
    TempUnit = store.GetInt(kSettingsSection, kTempUnitValue, 0);
    DeviceId = store.GetInt(kSettingsSection, kDeviceIdValue, kDefaultDeviceId);
    DisplayLanguage = store.GetInt(kSettingsSection, kDisplayLanguageValue, kAutomaticLanguage);
    comm = CCommInterface::LoadSettings(store);
}

void CAppSettings::Store(CSettingsStore& store) const {
    store.SetInt(kSettingsSection, kTempUnitValue, TempUnit);
    store.SetInt(kSettingsSection, kDeviceIdValue, DeviceId);
    store.SetInt(kSettingsSection, kDisplayLanguageValue, DisplayLanguage);
    store.SetString(kComSettingsSection, kPortNameValue, comm.portName);
    store.SetString(kComSettingsSection, kPortDisplayNameValue, comm.portDisplayName);
}
