// Sending the user's own CGI command to a device: the worker's URL step.
#pragma once
#include <string>

#include "dialogs/device_settings/url_settings.h"

struct BatchContext;
struct DeviceJob;

// "Fail to send URL commands to devices".
constexpr int kUrlCommandFailed = 537;

// "/cgi-bin/cmd/<program>?<command>", the command as written (the HTTP client escapes only
// the bytes that cannot stand in a request line).
std::wstring UrlCommandPath(const UrlSettings& s);

// The job's device gets the command of the job's record. 0 when it answered, else 537; the
// answer itself is not read.
int RunUrlJob(const BatchContext& context, const DeviceJob& job);
