// The program's own version, as its version resource states it.
#pragma once
#include <string>

// "1.0.0.0" from the executable's file version; empty when the resource cannot be read.
std::wstring ProgramVersion();
