#include "device/pickers.h"

#include <commdlg.h>
#include <objbase.h>
#include <shlobj.h>

#include <vector>

#include "device/helpers.h"

std::wstring FilterForDialog(const std::wstring& filter) {
  std::wstring f = filter;
  for (wchar_t& c : f)
    if (c == L'|') c = L'\0';
  // Two NULs end the list whatever the caller wrote at its end.
  f.push_back(L'\0');
  f.push_back(L'\0');
  return f;
}

std::wstring BrowseForFolder(HWND owner) {
  BROWSEINFOW bi{};
  bi.hwndOwner = owner;
  bi.ulFlags = BIF_NEWDIALOGSTYLE | BIF_RETURNONLYFSDIRS;
  LPITEMIDLIST item = SHBrowseForFolderW(&bi);
  if (!item) return std::wstring();
  wchar_t path[MAX_PATH] = L"";
  BOOL ok = SHGetPathFromIDListW(item, path);
  CoTaskMemFree(item);
  if (!ok || path[0] == L'\0') return std::wstring();
  return WithTrailingBackslash(path);
}

std::wstring SelectFile(const std::wstring& filter) {
  std::wstring f = FilterForDialog(filter);
  std::vector<wchar_t> file(32768, L'\0');
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.lpstrFilter = f.c_str();
  ofn.lpstrFile = file.data();
  ofn.nMaxFile = static_cast<DWORD>(file.size());
  ofn.Flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_EXPLORER;
  if (!GetOpenFileNameW(&ofn)) return std::wstring();
  return file.data();
}
