// Numbers in a device's replies: read with their range checked, never wrapped.
#pragma once
#include <cstddef>
#include <string>

// The decimal number at `*at` of `text` (an optional '-' before its digits; leading blanks are
// not skipped). True when there are digits and the number lies in [low, high]; `*at` is then
// just past the digits. False leaves `*at` and `*value` as they were.
bool ReadReplyNumber(const std::string& text, std::size_t* at, int low, int high, int* value);
