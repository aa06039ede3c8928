#include "dialogs/device_settings/device_settings.h"

#include "app/settings_file/settings_file.h"

bool AnyGroupEnabled(const DeviceSettings& s) {
  return s.motion.Enable || s.dateTime.Enable || s.av.Enable || s.url.Enable;
}

void LoadDeviceSettings(const IniDocument& doc, DeviceSettings& s) {
  LoadDateTimeSettings(doc, s.dateTime);
  LoadAvSettings(doc, s.av);
  LoadMotionSettings(doc, s.motion);
  LoadUrlSettings(doc, s.url);
}

void SaveDeviceSettings(IniDocument& doc, const DeviceSettings& s) {
  SaveDateTimeSettings(doc, s.dateTime);
  SaveAvSettings(doc, s.av);
  SaveMotionSettings(doc, s.motion);
  SaveUrlSettings(doc, s.url);
}
