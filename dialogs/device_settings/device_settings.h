// The records of the four pages of the device settings dialog, kept together: the main window
// owns one set for the whole run (loaded at start-up, saved at close), the dialog's pages show
// and fill it, and each batch works on a copy of it.
#pragma once
#include "dialogs/device_settings/av_settings.h"
#include "dialogs/device_settings/date_time_settings.h"
#include "dialogs/device_settings/motion_settings.h"
#include "dialogs/device_settings/url_settings.h"

class IniDocument;

struct DeviceSettings {
  DateTimeSettings dateTime;
  MotionSettings motion;
  AvSettings av;
  UrlSettings url;
};

// Whether any page is enabled (motion, date and time, audio/video, URL).
bool AnyGroupEnabled(const DeviceSettings& s);

// Every page's section of the settings file: [DT_DATA], [AV_DATA], [MT_DATA], [URL_DATA].
void LoadDeviceSettings(const IniDocument& doc, DeviceSettings& s);
void SaveDeviceSettings(IniDocument& doc, const DeviceSettings& s);
