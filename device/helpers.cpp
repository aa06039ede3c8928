#include "device/helpers.h"

#include <cstdio>

std::atomic<bool> g_ShowCameraName{false};

std::wstring SplitFileName(const std::wstring& path, bool withExtension) {
  std::size_t slash = path.rfind(L'\\');
  std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
  if (withExtension) return name;
  std::size_t dot = name.rfind(L'.');
  return dot == std::wstring::npos ? std::wstring() : name.substr(0, dot);
}

int ColumnIndexOf(int id, bool showCameraName) {
  struct Column {
    int id, withName, withoutName;
  };
  static const Column kColumns[] = {{500, 0, 0}, {504, 1, 1}, {505, 2, -1}, {501, 3, 2}, {502, 4, 3},
                                    {503, 5, 4}, {506, 6, 5}, {507, 7, 6},  {3, 8, 7}};
  for (const Column& c : kColumns)
    if (c.id == id) return showCameraName ? c.withName : c.withoutName;
  return -1;
}

int ColumnIndexOf(int id) { return ColumnIndexOf(id, g_ShowCameraName.load()); }

std::wstring IntToString(int value) { return std::to_wstring(value); }

std::wstring FormatTimeStamp(const std::tm& t) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "%04d%02d%02d_%02d%02d%02d", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday,
                t.tm_hour, t.tm_min, t.tm_sec);
  return std::wstring(buf, buf + std::char_traits<char>::length(buf));
}

std::tm LocalNow() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &now);
#else
  localtime_r(&now, &local);
#endif
  return local;
}

std::wstring GetTimeStamp() { return FormatTimeStamp(LocalNow()); }

std::wstring WithTrailingBackslash(const std::wstring& folder) {
  if (!folder.empty() && folder.back() == L'\\') return folder;
  return folder + L"\\";
}
