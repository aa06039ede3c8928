#include "dialogs/device_settings/reply_number.h"

bool ReadReplyNumber(const std::string& text, std::size_t* at, int low, int high, int* value) {
  std::size_t p = *at;
  const bool negative = p < text.size() && text[p] == '-';
  if (negative) ++p;
  const std::size_t digits = p;
  // Beyond the bound the number only grows: stop counting there, not at an overflow.
  const long long bound = negative ? -static_cast<long long>(low) : high;
  long long n = 0;
  bool over = false;
  for (; p < text.size() && text[p] >= '0' && text[p] <= '9'; ++p)
    if (!over && (n = n * 10 + (text[p] - '0')) > bound) over = true;
  if (p == digits || over) return false;
  const long long v = negative ? -n : n;
  if (v < low || v > high) return false;
  *value = static_cast<int>(v);
  *at = p;
  return true;
}
