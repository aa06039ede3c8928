// The one device request of the settings steps: the worker's device, a 2048-byte reply, a
// 90 s time-out on the batch's clock, the login of the main window's fields, and a reply that
// holds "ERROR" (or refuses the login, or is no 200) counted as a failure.
#pragma once
#include <cstdint>
#include <string>

struct BatchContext;

constexpr int kSettingsReplySize = 2048;
constexpr std::int64_t kSettingsTimeoutMs = 90000;

// What the HTTP client returns for the request (device/http_client.h): the reply's length, or
// a negative failure. `reply`, when given, holds kSettingsReplySize bytes.
int SettingsRequest(const BatchContext& context, const std::wstring& host, const std::wstring& path,
                    char* reply = nullptr);
// True when the device answered with at least one byte and no failure.
bool SendSettingsRequest(const BatchContext& context, const std::wstring& host, const std::wstring& path);
