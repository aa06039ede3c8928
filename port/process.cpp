#include "port/process.h"

#ifdef _WIN32
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
#endif

namespace port {

bool RunHidden(const std::wstring& program, const std::wstring& args) {
#ifdef _WIN32
  // The shell may hand the start to its extensions, which want COM on the calling thread.
  const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  HINSTANCE h = ShellExecuteW(nullptr, L"open", program.c_str(), args.c_str(), nullptr, SW_HIDE);
  if (SUCCEEDED(com)) ::CoUninitialize();
  return reinterpret_cast<INT_PTR>(h) > 32;
#else
  (void)program;
  (void)args;
  return false;
#endif
}

}  // namespace port
