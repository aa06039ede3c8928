#include "kit/browser.h"

#include <windows.h>
#include <shellapi.h>

#include <mutex>

namespace {

std::mutex g_Lock;
BrowserLauncher g_Launcher;

bool ShellOpen(const std::wstring& target) {
  const HINSTANCE r = ::ShellExecuteW(nullptr, L"open", target.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  return reinterpret_cast<INT_PTR>(r) > 32;
}

}  // namespace

void SetBrowserLauncher(BrowserLauncher launcher) {
  std::lock_guard<std::mutex> l(g_Lock);
  g_Launcher = std::move(launcher);
}

bool OpenInBrowser(const std::wstring& target) {
  BrowserLauncher launcher;
  {
    std::lock_guard<std::mutex> l(g_Lock);
    launcher = g_Launcher;
  }
  return launcher ? launcher(target) : ShellOpen(target);
}
