#include "kit/device_page.h"

#include "device/http_auth.h"
#include "port/text.h"

namespace devpage {

std::string LoginToken(const std::wstring& account, const std::wstring& password) {
  return http::Base64Encode(port::ToLocal8(account + L":" + password));
}

Call MakeCall(const std::wstring& address, bool recorder, int port, const std::wstring& account,
              const std::wstring& password) {
  Call c;
  c.function = recorder ? "NVQ_click_link" : "click_link";
  c.address = address;
  c.port = std::to_wstring(port > 0 ? port : 80);
  c.account = account;
  c.secret = recorder ? port::FromLocal8(LoginToken(account, password)) : password;
  return c;
}

std::string ScriptString(const std::wstring& text) {
  static const char kHex[] = "0123456789abcdef";
  std::string out = "\"";
  for (wchar_t ch : text) {
    const unsigned c = static_cast<unsigned>(ch);
    if (c == '\\' || c == '"' || c == '\'') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c >= 0x7F || c == '<' || c == '>' || c == '&') {
      // UTF-16 code units: a character beyond them (a surrogate pair on Windows) is two.
      auto unit = [&](unsigned u) {
        out += "\\u";
        for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(u >> shift) & 15];
      };
      if (c > 0xFFFF) {
        unit(0xD800 + ((c - 0x10000) >> 10));
        unit(0xDC00 + ((c - 0x10000) & 0x3FF));
      } else {
        unit(c);
      }
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

std::string CharsetName(unsigned codePage) {
  switch (codePage) {
    case 932: return "shift_jis";
    case 936: return "gbk";
    case 949: return "euc-kr";
    case 950: return "big5";
    case 20127: return "us-ascii";
    case 28591: return "iso-8859-1";
    case 65001: return "utf-8";
    default: return "windows-" + std::to_string(codePage);  // 874 and 1250 to 1258 among them
  }
}

std::string FillPage(const std::string& page, const Call& call, const std::string& charset) {
  // The page's own markers first: the call may hold any text.
  std::string filled = page;
  for (std::size_t m = filled.find(kCharsetMarker); m != std::string::npos;
       m = filled.find(kCharsetMarker, m + charset.size()))
    filled.replace(m, sizeof kCharsetMarker - 1, charset);
  const std::string script = "<script type=\"text/javascript\">" + call.function + "(" + ScriptString(call.address) +
                             ", " + ScriptString(call.port) + ", " + ScriptString(call.account) + ", " +
                             ScriptString(call.secret) + ");</script>";
  const std::size_t at = filled.find(kCallMarker);
  if (at == std::string::npos) return filled + script;
  return filled.substr(0, at) + script + filled.substr(at + sizeof kCallMarker - 1);
}

}  // namespace devpage
