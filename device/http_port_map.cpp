#include "device/http_port_map.h"

HttpPortMap g_HttpPortMap;
AddressSet g_RecorderIps;

void HttpPortMap::Set(const std::wstring& ip, int port) {
  std::lock_guard<std::mutex> l(m_lock);
  if (port < 1 || port > 65535)
    m_ports.erase(ip);
  else
    m_ports[ip] = port;
}

int HttpPortMap::Get(const std::wstring& ip) const {
  std::lock_guard<std::mutex> l(m_lock);
  auto it = m_ports.find(ip);
  return it == m_ports.end() ? 0 : it->second;
}

void HttpPortMap::Erase(const std::wstring& ip) {
  std::lock_guard<std::mutex> l(m_lock);
  m_ports.erase(ip);
}

void HttpPortMap::Clear() {
  std::lock_guard<std::mutex> l(m_lock);
  m_ports.clear();
}

std::size_t HttpPortMap::Size() const {
  std::lock_guard<std::mutex> l(m_lock);
  return m_ports.size();
}

int ResolveHttpPort(const std::wstring& ip, int port) {
  if (port > 0) return port;
  int stored = g_HttpPortMap.Get(ip);
  return stored > 0 ? stored : 80;
}

int PortFromText(const std::wstring& text) {
  std::size_t i = text.find_first_not_of(L" \t");
  if (i == std::wstring::npos || text[i] < L'0' || text[i] > L'9') return 0;
  long value = 0;
  for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
    value = value * 10 + (text[i] - L'0');
    if (value > 65535) return 0;
  }
  return static_cast<int>(value);
}

void AddressSet::Add(const std::wstring& ip) {
  std::lock_guard<std::mutex> l(m_lock);
  m_items.insert(ip);
}

void AddressSet::Remove(const std::wstring& ip) {
  std::lock_guard<std::mutex> l(m_lock);
  m_items.erase(ip);
}

bool AddressSet::Contains(const std::wstring& ip) const {
  std::lock_guard<std::mutex> l(m_lock);
  return m_items.count(ip) != 0;
}

void AddressSet::Clear() {
  std::lock_guard<std::mutex> l(m_lock);
  m_items.clear();
}

std::vector<std::wstring> AddressSet::Snapshot() const {
  std::lock_guard<std::mutex> l(m_lock);
  return std::vector<std::wstring>(m_items.begin(), m_items.end());
}
