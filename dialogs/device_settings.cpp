#include "dialogs/device_settings.h"

#include "app/settings_file.h"

bool AnyGroupEnabled(const DeviceSettings& s) {
  return s.motion.Enable || s.dateTime.Enable || s.av.Enable || s.url.Enable;
}

void LoadDeviceSettings(const IniDocument& doc, DeviceSettings& s) {
  LoadDateTimeSettings(doc, s.dateTime);
  LoadUrlSettings(doc, s.url);
}

void SaveDeviceSettings(IniDocument& doc, const DeviceSettings& s) {
  SaveDateTimeSettings(doc, s.dateTime);
  SaveUrlSettings(doc, s.url);
}
