// Starting helper programs of the operating system.
#pragma once
#include <string>

namespace port {

// Starts `program` with `args` hidden and does not wait for it. Windows only; elsewhere
// there is no such program to run and the call does nothing. True when started.
bool RunHidden(const std::wstring& program, const std::wstring& args);

}  // namespace port
