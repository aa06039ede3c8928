#include "app/program_version_win.h"

#include <windows.h>

#include <cwchar>
#include <vector>

std::wstring ProgramVersion() {
  wchar_t path[MAX_PATH];
  const DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return std::wstring();
  DWORD ignored = 0;
  const DWORD size = ::GetFileVersionInfoSizeW(path, &ignored);
  if (size == 0) return std::wstring();
  std::vector<unsigned char> block(size);
  if (!::GetFileVersionInfoW(path, 0, size, block.data())) return std::wstring();
  VS_FIXEDFILEINFO* info = nullptr;
  UINT length = 0;
  if (!::VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&info), &length) || !info ||
      length < sizeof *info)
    return std::wstring();
  wchar_t text[64];
  std::swprintf(text, 64, L"%u.%u.%u.%u", HIWORD(info->dwFileVersionMS), LOWORD(info->dwFileVersionMS),
                HIWORD(info->dwFileVersionLS), LOWORD(info->dwFileVersionLS));
  return text;
}
