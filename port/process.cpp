#include "port/process.h"

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>
#endif

namespace port {

bool RunHidden(const std::wstring& program, const std::wstring& args) {
#ifdef _WIN32
  HINSTANCE h = ShellExecuteW(nullptr, L"open", program.c_str(), args.c_str(), nullptr, SW_HIDE);
  return reinterpret_cast<INT_PTR>(h) > 32;
#else
  (void)program;
  (void)args;
  return false;
#endif
}

}  // namespace port
