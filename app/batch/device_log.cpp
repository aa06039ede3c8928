#include "app/batch/device_log.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "app/settings_file/settings_file.h"
#include "device/cgi_urls.h"
#include "device/config_file.h"
#include "device/helpers.h"
#include "port/exe_file.h"
#include "port/text.h"

namespace {

constexpr int kLogKind = 7;
constexpr int kMaxCopies = 1000;

bool Exists(const std::wstring& path) {
  std::FILE* f = port::OpenFile(path, L"rb");
  if (!f) return false;
  std::fclose(f);
  return true;
}

// A new file: the first free copy number of the name.
bool WriteNewLog(const std::wstring& folder, const std::wstring& serial, const char* bytes, std::size_t n) {
  const std::wstring stamp = GetTimeStamp();
  for (int copy = 0; copy < kMaxCopies; ++copy) {
    const std::wstring path = DeviceLogFileName(folder, serial, stamp, copy);
    if (Exists(path)) continue;
    return ReplaceFileContents(path, std::string(bytes, n));
  }
  return false;
}

}  // namespace

std::wstring DeviceLogFileName(const std::wstring& folder, const std::wstring& serial, const std::wstring& stamp,
                               int copy) {
  std::wstring name = FolderWithSeparator(folder) + SafeFileNamePart(serial) + L"_" + stamp;
  if (copy > 0) name += L"_" + std::to_wstring(copy + 1);
  return name + kBlackBoxFileSuffix;
}

int DeviceLogVerdict(int n, const char* buffer) {
  // The device's word for a command it does not know: the command's name (the last item of
  // the request's query) followed by " not found".
  static const std::string missing = [] {
    const std::string url = port::ToLocal8(BuildCgiUrl(kLogKind));
    return url.substr(url.rfind('&') + 1) + " not found";
  }();
  if (buffer && std::strstr(buffer, missing.c_str())) return kLogUnknownCommand;
  if (n > 0) return kLogSaved;
  return n == -3 ? kLogLoginRefused : kLogNoAnswer;
}

void CollectDeviceLogs(const BatchContext& context, const std::vector<BatchRow>& rows, const std::wstring& folder,
                       char* buffer, std::size_t size) {
  const std::wstring url = BuildCgiUrl(kLogKind);
  for (const BatchRow& r : rows) {
    if (context.Stopped()) return;
    buffer[0] = '\0';
    const int n = context.GetCgi(r.ip, url, buffer, static_cast<int>(size), kDeviceLogTimeoutMs, false, true);
    if (context.Stopped()) return;
    int status = DeviceLogVerdict(n, buffer);
    if (status == kLogSaved && !WriteNewLog(folder, r.serial, buffer, static_cast<std::size_t>(n))) status = kLogNotSaved;
    context.Status(r.row, status);
  }
}

void RunDeviceLogs(const BatchContext& context, const std::vector<BatchRow>& rows, const std::wstring& folder) {
  std::unique_ptr<char[]> buffer(new (std::nothrow) char[kDeviceLogBufferSize]);
  if (!buffer) {
    for (const BatchRow& r : rows) context.Status(r.row, kLogNotSaved);
    return;
  }
  CollectDeviceLogs(context, rows, folder, buffer.get(), kDeviceLogBufferSize);
}
