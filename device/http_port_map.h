// Shared device tables keyed by IP address text, each under its own lock.
#pragma once
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

// IP address text to HTTP port.
class HttpPortMap {
 public:
  // Stores the port. One outside 1..65535 is not stored: the address's entry goes, and its
  // requests go to port 80.
  void Set(const std::wstring& ip, int port);
  // The port stored for ip, 0 when there is none; never creates an entry.
  int Get(const std::wstring& ip) const;
  void Erase(const std::wstring& ip);
  void Clear();
  std::size_t Size() const;

 private:
  mutable std::mutex m_lock;
  std::map<std::wstring, int> m_ports;
};

// The port a request to ip goes to: the given one when above 0, else the stored one
// when above 0, else 80.
int ResolveHttpPort(const std::wstring& ip, int port = 0);

// The port that a text from a device or a file gives: its decimal number (blanks before it
// skipped, anything after it ignored) when that is 1..65535, else 0.
int PortFromText(const std::wstring& text);

// An ordered set of address texts, shared between threads.
class AddressSet {
 public:
  void Add(const std::wstring& ip);
  void Remove(const std::wstring& ip);
  bool Contains(const std::wstring& ip) const;
  void Clear();
  std::vector<std::wstring> Snapshot() const;

 private:
  mutable std::mutex m_lock;
  std::set<std::wstring> m_items;
};

extern HttpPortMap g_HttpPortMap;
// Addresses of the recorders seen so far.
extern AddressSet g_RecorderIps;
