// The version line of the about box, from the program's file version.
#pragma once
#include <string>

// "Dorvik V<major>.<minor>.<fourth>": the high and low words of the version's most significant
// part and the low word of its least significant part, the last with at least two digits (a
// file version 4.3.0.24 reads "Dorvik V4.3.24", 1.0.0.5 "Dorvik V1.0.05").
std::wstring AboutVersionText(unsigned long versionMs, unsigned long versionLs);
