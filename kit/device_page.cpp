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

std::string FillPage(const std::string& page, const Call& call) {
  const std::string script = "<script type=\"text/javascript\">" + call.function + "(" + ScriptString(call.address) +
                             ", " + ScriptString(call.port) + ", " + ScriptString(call.account) + ", " +
                             ScriptString(call.secret) + ");</script>";
  const std::size_t at = page.find(kCallMarker);
  if (at == std::string::npos) return page + script;
  return page.substr(0, at) + script + page.substr(at + sizeof kCallMarker - 1);
}

}  // namespace devpage
