#include "app/device_list/manual_ip_settings.h"

#include <cwchar>

#include "device/http_port_map.h"

namespace {

std::wstring Key(const wchar_t* name, int n) {
  wchar_t buf[32];
  std::swprintf(buf, sizeof buf / sizeof buf[0], L"%ls_%02d", name, n);
  return buf;
}

}  // namespace

void LoadManualIpSection(const IniDocument& doc, std::map<std::wstring, std::wstring>& devices) {
  for (int n = 1;; ++n) {
    std::wstring ip = doc.Get(L"MANUAL_IP", Key(L"IP", n)).substr(0, 15);
    std::wstring mac = doc.Get(L"MANUAL_IP", Key(L"MAC", n)).substr(0, 31);
    std::wstring port = doc.Get(L"MANUAL_IP", Key(L"HTTP", n)).substr(0, 7);
    if (ip.empty() || mac.empty() || port.empty()) return;
    devices[ip] = mac;
    g_HttpPortMap.Set(ip, PortFromText(port));
  }
}

void SaveManualIpSection(IniDocument& doc, const std::map<std::wstring, std::wstring>& devices) {
  doc.ClearSection(L"MANUAL_IP");
  int n = 1;
  for (const auto& d : devices) {
    // An entry without its address or MAC takes no number, so the numbers stay without gaps.
    if (d.first.empty() || d.second.empty()) continue;
    doc.Set(L"MANUAL_IP", Key(L"IP", n), d.first);
    doc.Set(L"MANUAL_IP", Key(L"MAC", n), d.second);
    doc.Set(L"MANUAL_IP", Key(L"HTTP", n), std::to_wstring(g_HttpPortMap.Get(d.first)));
    ++n;
  }
}
