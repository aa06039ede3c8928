// One simulated device: what it reports and how it misbehaves when asked to.
#pragma once
#include <map>
#include <set>
#include <string>

#include "tools/devsim/reply_builder.h"

namespace devsim {

struct SimDevice {
  DeviceFields fields;
  std::string cameraName;
  // A recorder answers the probe on port 2900 with tagged text under this root ("HMY" or
  // "NVQ"); empty for cameras and encoders.
  std::string textRoot;
  std::string upgradable = "True";
  std::string platform;
  // Discovery answers: "full" (268 on 6005/6055, 176 on 6006/6056), "short" (176 only),
  // "none" (silent).
  std::string discovery = "full";
  // Damage applied to the 268-byte answers: len267, len269, randhdr, nonul, lfip.
  std::set<std::string> malformed;
  // Further settings that later services read (key=value from the configuration).
  std::map<std::string, std::string> extra;
};

// A device's setting from its configuration line, or `def` when it has none.
inline std::string Setting(const SimDevice& d, const std::string& key, const std::string& def) {
  auto it = d.extra.find(key);
  return it == d.extra.end() ? def : it->second;
}

}  // namespace devsim
