#include "device/cgi_urls.h"

#include "device/http_url.h"
#include "device/login.h"
#include "port/text.h"

namespace {

std::wstring ChannelPart(int channel) {
  return L"CHANNEL=" + std::to_wstring(channel) + L"&";
}

// "USER=..&PWD=.." of the user's login.
std::wstring LoginQuery() {
  Login l = UserLogin();
  return L"USER=" + EncodeQueryValue(l.user) + L"&PWD=" + EncodeQueryValue(l.password);
}

}  // namespace

std::wstring EncodeQueryValue(const std::wstring& text) {
  return port::FromLocal8(http::PercentEncode(port::ToLocal8(text)));
}

std::wstring UpgradeKindName(int kind, bool perChannel) {
  switch (kind) {
    case 0: return perChannel ? L"FIRMWARE_ALL" : L"FIRMWARE";
    case 1: return L"ISP_IMAGE";
    case 2: return L"ISP_FIRMWARE";
    case 3: return L"ISP_DEV";
    case 4: return L"ISP_HARDWARE";
    case 5: return L"CONFIG_SET";
    case 6: return L"CONFIG_GET";
    case 8: return L"BOOTLOADER_FIRMWARE";
    case 9: return L"FIRMWARE_NETWORK";
    default: return std::wstring();
  }
}

std::wstring BuildCgiCmdUrl(int channel, const std::wstring& group, const std::wstring& query) {
  return L"/cgi-bin/cmd/" + group + L"?" + (channel > 0 ? ChannelPart(channel) : std::wstring()) + query;
}

std::wstring BuildUpgradeUrl(int channel, int kind, bool perChannel) {
  std::wstring name = UpgradeKindName(kind, perChannel);
  if (name.empty()) return std::wstring();
  return L"/cgi-bin/update?" + LoginQuery() + L"&" +
         (channel != 0 && perChannel ? ChannelPart(channel) : std::wstring()) + name;
}

std::wstring BuildConfigGetUrl(int channel) {
  return L"/cgi-bin/update?" + LoginQuery() + L"&" + (channel != 0 ? ChannelPart(channel) : std::wstring()) +
         L"CONFIG_GET";
}

std::wstring BuildCgiUrl(int kind) {
  if (kind == 7) return L"/cgi-bin/test?" + LoginQuery() + L"&GET_BLACKBOX_MSG";
  if (kind == 8) return L"/cgi-bin/update?" + LoginQuery() + L"&BOOTLOADER_FIRMWARE";
  return std::wstring();
}
