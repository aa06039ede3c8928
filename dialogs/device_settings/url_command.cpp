#include "dialogs/device_settings/url_command.h"

#include "dialogs/device_settings/device_job.h"
#include "dialogs/device_settings/settings_request.h"

std::wstring UrlCommandPath(const UrlSettings& s) {
  return std::wstring(L"/cgi-bin/cmd/") + CgiProgramName(s.CGI) + L"?" + s.Command;
}

int RunUrlJob(const BatchContext& context, const DeviceJob& job) {
  return SendSettingsRequest(context, job.address, UrlCommandPath(job.settings->url)) ? 0 : kUrlCommandFailed;
}
