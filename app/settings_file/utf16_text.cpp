#include "app/settings_file/utf16_text.h"

namespace {

void PutUnit(std::string& out, unsigned unit) {
  out.push_back(static_cast<char>(unit & 0xFF));
  out.push_back(static_cast<char>((unit >> 8) & 0xFF));
}

}  // namespace

void AppendUtf16Le(std::string& out, const std::wstring& text) {
  for (wchar_t ch : text) {
    unsigned long c = static_cast<unsigned long>(ch);
    if (sizeof(wchar_t) > 2 && c >= 0x10000 && c <= 0x10FFFF) {
      c -= 0x10000;
      PutUnit(out, 0xD800 + static_cast<unsigned>(c >> 10));
      PutUnit(out, 0xDC00 + static_cast<unsigned>(c & 0x3FF));
    } else {
      PutUnit(out, static_cast<unsigned>(c & 0xFFFF));
    }
  }
}

std::wstring DecodeUtf16Le(const std::string& bytes, std::size_t offset) {
  std::wstring out;
  for (std::size_t i = offset; i + 1 < bytes.size(); i += 2) {
    unsigned unit = static_cast<unsigned char>(bytes[i]) |
                    (static_cast<unsigned>(static_cast<unsigned char>(bytes[i + 1])) << 8);
    if (sizeof(wchar_t) > 2 && unit >= 0xD800 && unit < 0xDC00 && i + 3 < bytes.size()) {
      unsigned low = static_cast<unsigned char>(bytes[i + 2]) |
                     (static_cast<unsigned>(static_cast<unsigned char>(bytes[i + 3])) << 8);
      if (low >= 0xDC00 && low < 0xE000) {
        out.push_back(static_cast<wchar_t>(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00)));
        i += 2;
        continue;
      }
    }
    out.push_back(static_cast<wchar_t>(unit));
  }
  return out;
}
