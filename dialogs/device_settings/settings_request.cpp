#include "dialogs/device_settings/settings_request.h"

#include "app/batch/batch_context.h"

int SettingsRequest(const BatchContext& context, const std::wstring& host, const std::wstring& path,
                    char* reply) {
  char own[kSettingsReplySize];
  return context.GetCgi(host, path, reply ? reply : own, kSettingsReplySize, kSettingsTimeoutMs, false);
}

bool SendSettingsRequest(const BatchContext& context, const std::wstring& host, const std::wstring& path) {
  return SettingsRequest(context, host, path) > 0;
}
