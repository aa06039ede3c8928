#include "port/exe_file.h"

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <climits>
#include <cstdio>
#include <unistd.h>

#include "port/text.h"
#endif

namespace port {

#ifdef _WIN32
std::wstring ExecutablePath() {
  wchar_t buf[MAX_PATH + 1] = {};
  DWORD n = GetModuleFileNameW(nullptr, buf, MAX_PATH);
  return std::wstring(buf, n);
}

bool ReplaceFileWith(const std::wstring& from, const std::wstring& to) {
  return MoveFileExW(from.c_str(), to.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool RemoveFile(const std::wstring& path) { return DeleteFileW(path.c_str()) != 0; }

std::FILE* OpenFile(const std::wstring& path, const wchar_t* mode) {
  return _wfopen(path.c_str(), mode);
}

bool FlushToDisk(std::FILE* f) {
  if (std::fflush(f) != 0) return false;
  HANDLE h = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(f)));
  return h != INVALID_HANDLE_VALUE && FlushFileBuffers(h) != 0;
}
#else
std::wstring ExecutablePath() {
  char buf[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return std::wstring();
  return FromUtf8(std::string(buf, static_cast<std::size_t>(n)));
}

bool ReplaceFileWith(const std::wstring& from, const std::wstring& to) {
  return std::rename(ToUtf8(from).c_str(), ToUtf8(to).c_str()) == 0;
}

bool RemoveFile(const std::wstring& path) { return std::remove(ToUtf8(path).c_str()) == 0; }

std::FILE* OpenFile(const std::wstring& path, const wchar_t* mode) {
  return std::fopen(ToUtf8(path).c_str(), ToUtf8(mode).c_str());
}

bool FlushToDisk(std::FILE* f) { return std::fflush(f) == 0 && fsync(fileno(f)) == 0; }
#endif

}  // namespace port
