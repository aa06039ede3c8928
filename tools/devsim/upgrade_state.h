// What an upgrade or a system command changes in a simulated device while the simulator runs:
// a reboot that takes the device away for a while (every HTTP connection to it is reset and it
// answers no probe), and the firmware version and address it comes back with. Thread-safe;
// the HTTP handlers write it, discovery and the HTTP service read it.
#pragma once
#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <string>

#include "tools/devsim/reply_builder.h"

namespace devsim {

class UpgradeState {
 public:
  static UpgradeState& Instance();

  // Device `index` goes away now for awayMs (kNever: for good); it comes back reporting
  // `firmware` (kept when empty) on `ip` (kept when empty).
  static constexpr int kNever = -1;
  void Reboot(int index, int awayMs, const std::string& firmware, const std::string& ip);
  // False while device `index` is away. Otherwise applies what its last reboot changed to
  // *fields (the discovery hook).
  bool Present(int index, DeviceFields* fields) const;
  // True once device `index` has rebooted (cheap while no device ever did).
  bool Touched(int index) const;
  // The ISP version lines that an upgrade changed ("" when none).
  void SetIspVersion(int index, const std::string& label, const std::string& version);
  std::string IspVersion(int index, const std::string& label) const;
  int Uploads(int index) const;
  void CountUpload(int index);

 private:
  struct Entry {
    std::chrono::steady_clock::time_point backAt{};
    std::string firmware;
    std::string ip;
    std::map<std::string, std::string> isp;
    int uploads = 0;
  };
  std::atomic<bool> m_any{false};
  mutable std::mutex m_lock;
  std::map<int, Entry> m_entries;
};

}  // namespace devsim
