#include "tools/devsim/upgrade_state.h"

namespace devsim {

UpgradeState& UpgradeState::Instance() {
  static UpgradeState s;
  return s;
}

void UpgradeState::Reboot(int index, int awayMs, const std::string& firmware, const std::string& ip) {
  std::lock_guard<std::mutex> l(m_lock);
  Entry& e = m_entries[index];
  e.backAt = awayMs == kNever ? std::chrono::steady_clock::time_point::max()
                              : std::chrono::steady_clock::now() + std::chrono::milliseconds(awayMs);
  if (!firmware.empty()) e.firmware = firmware;
  if (!ip.empty()) e.ip = ip;
  m_any = true;
}

bool UpgradeState::Touched(int index) const {
  if (!m_any) return false;
  std::lock_guard<std::mutex> l(m_lock);
  auto it = m_entries.find(index);
  return it != m_entries.end() && it->second.backAt != std::chrono::steady_clock::time_point();
}

bool UpgradeState::Present(int index, DeviceFields* fields) const {
  std::lock_guard<std::mutex> l(m_lock);
  auto it = m_entries.find(index);
  if (it == m_entries.end()) return true;
  if (std::chrono::steady_clock::now() < it->second.backAt) return false;
  if (!it->second.firmware.empty()) fields->firmware = it->second.firmware;
  if (!it->second.ip.empty()) fields->ip = it->second.ip;
  return true;
}

void UpgradeState::SetIspVersion(int index, const std::string& label, const std::string& version) {
  std::lock_guard<std::mutex> l(m_lock);
  m_entries[index].isp[label] = version;
}

std::string UpgradeState::IspVersion(int index, const std::string& label) const {
  std::lock_guard<std::mutex> l(m_lock);
  auto it = m_entries.find(index);
  if (it == m_entries.end()) return std::string();
  auto v = it->second.isp.find(label);
  return v == it->second.isp.end() ? std::string() : v->second;
}

int UpgradeState::Uploads(int index) const {
  std::lock_guard<std::mutex> l(m_lock);
  auto it = m_entries.find(index);
  return it == m_entries.end() ? 0 : it->second.uploads;
}

void UpgradeState::CountUpload(int index) {
  std::lock_guard<std::mutex> l(m_lock);
  ++m_entries[index].uploads;
}

}  // namespace devsim
