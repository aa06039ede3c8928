#include "app/shell/program_version_win.h"

#include <windows.h>

#include <vector>

bool ProgramFileVersion(unsigned long* versionMs, unsigned long* versionLs) {
  wchar_t path[MAX_PATH];
  const DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return false;
  DWORD ignored = 0;
  const DWORD size = ::GetFileVersionInfoSizeW(path, &ignored);
  if (size == 0) return false;
  std::vector<unsigned char> block(size);
  if (!::GetFileVersionInfoW(path, 0, size, block.data())) return false;
  VS_FIXEDFILEINFO* info = nullptr;
  UINT length = 0;
  if (!::VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&info), &length) || !info ||
      length != sizeof *info)
    return false;
  *versionMs = info->dwFileVersionMS;
  *versionLs = info->dwFileVersionLS;
  return true;
}
