// Setting a device's date and time: the request in the older (DATE_CONFIG) or the newer
// (DATE_TYPE) syntax with the daylight-saving rule, and the worker's step that asks the device
// which syntax it knows and sends it.
#pragma once
#include <string>

#include "dialogs/device_settings/date_time_settings.h"

struct BatchContext;
struct DeviceJob;

// Asked first: a device that answers it knows the older syntax.
constexpr wchar_t kDateConfigProbe[] = L"/cgi-bin/cmd/system?DATE_CONFIG";
// "Fail to set date/time configurations to devices".
constexpr int kDateTimeFailed = 528;

// The request that sets the record's date and time, with the daylight-saving part
// "&DAYLIGHT_SAVING_CONFIG=dls,type,month,day,hour:00[,weekday],..." always appended (the
// weekday only for a rule by week). The newer syntax sends no zone with SNTP.
std::wstring DateTimeRequest(const DateTimeSettings& s, bool olderSyntax);

// The worker's date and time step for the job's device (its record is the job's): the probe,
// then the request in the syntax the device knows. 0 when the device answered it, else 528.
int ApplyDateTimeToDevice(const BatchContext& context, const DeviceJob& job);
