#include "app/device_list/manual_devices.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/settings_file/settings_file.h"
#include "device/device_info.h"
#include "port/exe_file.h"
#include "port/text.h"

AddressTextMap g_ManualMacMap;
HttpPortMap g_ManualHttpMap;

void AddressTextMap::Set(const std::wstring& ip, const std::wstring& text) {
  std::lock_guard<std::mutex> l(m_lock);
  m_items[ip] = text;
}

std::wstring AddressTextMap::Get(const std::wstring& ip) const {
  std::lock_guard<std::mutex> l(m_lock);
  auto it = m_items.find(ip);
  return it == m_items.end() ? std::wstring() : it->second;
}

bool AddressTextMap::Contains(const std::wstring& ip) const {
  std::lock_guard<std::mutex> l(m_lock);
  return m_items.count(ip) != 0;
}

void AddressTextMap::Clear() {
  std::lock_guard<std::mutex> l(m_lock);
  m_items.clear();
}

std::map<std::wstring, std::wstring> AddressTextMap::Snapshot() const {
  std::lock_guard<std::mutex> l(m_lock);
  return m_items;
}

int GetManualHttpPort(const std::wstring& ip) { return g_ManualHttpMap.Get(ip); }

namespace {

// The value after `key` in a record, as the reply reader takes it, cut to capacity - 1 bytes.
std::string ValueOf(const std::string& record, const char* key, std::size_t capacity) {
  const std::size_t at = record.find(key);
  if (at == std::string::npos) return std::string();
  std::vector<char> value(capacity, '\0');
  const int n = ExtractLineValue(key, value.data(), capacity, record.c_str() + at);
  return n > 0 ? std::string(value.data(), static_cast<std::size_t>(n)) : std::string();
}

bool IsHexDigit(wchar_t c) { return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F'); }

bool IsBlankChar(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

}  // namespace

std::wstring MacAddressOf(const std::wstring& text) {
  std::size_t b = 0, e = text.size();
  while (b < e && IsBlankChar(text[b])) ++b;
  while (e > b && IsBlankChar(text[e - 1])) --e;
  const std::wstring mac = text.substr(b, e - b);
  if (mac.size() != 17) return std::wstring();
  const wchar_t separator = mac[2];
  if (separator != L':' && separator != L'-') return std::wstring();
  for (std::size_t i = 0; i < mac.size(); ++i)
    if (i % 3 == 2 ? mac[i] != separator : !IsHexDigit(mac[i])) return std::wstring();
  return mac;
}

std::vector<ManualDevice> ParseManualDevices(const std::string& bytes) {
  // The file is read as text: it ends at its first NUL, and CR LF is a line end.
  std::string text = bytes.substr(0, bytes.find('\0'));
  std::string lines;
  lines.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i)
    if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) lines += text[i];

  std::vector<ManualDevice> out;
  std::size_t p = 0;
  while (p < lines.size()) {
    p = lines.find_first_not_of('+', p);
    if (p == std::string::npos) break;
    std::size_t e = lines.find('+', p);
    if (e == std::string::npos) e = lines.size();
    const std::string record = lines.substr(p, e - p);
    p = e;
    const std::string ip = ValueOf(record, "IP=", 16);
    const std::string mac = ValueOf(record, "MAC=", 32);
    const std::string port = ValueOf(record, "HTTP=", 8);
    if (ip.empty() || mac.empty() || port.empty()) continue;
    ManualDevice d;
    d.ip = port::FromLocal8(ip);
    d.mac = port::FromLocal8(mac);
    d.port = PortFromText(port::FromLocal8(port));
    out.push_back(std::move(d));
  }
  return out;
}

std::string FormatManualDevices(const std::map<std::wstring, std::wstring>& devices,
                                const std::function<int(const std::wstring&)>& portOf) {
  if (devices.empty()) return std::string();
  std::string out;
  for (const auto& d : devices) {
    const std::wstring mac = MacAddressOf(d.second);
    if (d.first.empty() || mac.empty()) continue;
    out += "IP=" + port::ToLocal8(d.first) + "\r\n";
    out += "MAC=" + port::ToLocal8(mac) + "\r\n";
    out += "HTTP=" + std::to_string(portOf ? portOf(d.first) : 0) + "\r\n";
    out += "+\r\n";
  }
  out += '\0';
  return out;
}

int LoadManualAddedDevices(const std::wstring& folder) {
  std::FILE* f = port::OpenFile(folder + kManualDevicesFileName, L"rb");
  if (!f) return 0;
  std::string bytes(kManualDevicesReadLimit, '\0');
  bytes.resize(std::fread(&bytes[0], 1, bytes.size(), f));
  std::fclose(f);
  int n = 0;
  for (const ManualDevice& d : ParseManualDevices(bytes)) {
    g_ManualMacMap.Set(d.ip, d.mac);
    g_ManualHttpMap.Set(d.ip, d.port);
    // Every later request to the device goes to its own port.
    if (d.port > 0) g_HttpPortMap.Set(d.ip, d.port);
    ++n;
  }
  return n;
}

std::wstring SaveManualAddedDevices(const std::map<std::wstring, std::wstring>& devices, const std::wstring& folder,
                                    const std::wstring& stamp) {
  const std::string bytes = FormatManualDevices(devices, GetManualHttpPort);
  if (bytes.empty()) return std::wstring();
  const std::wstring path = folder + L"ManualAddedDevices_" + stamp + L".ini";
  return ReplaceFileContents(path, bytes) ? path : std::wstring();
}
