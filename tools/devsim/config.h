// Reads the simulator's device list.
//
// A configuration file holds one device per line of key=value words ('#' starts a comment):
//   ip=10.231.1.5 mac=00:0F:7C:00:01:05 firmware=V4.12-AC model=CAM-2100 serial=SER105
//   short_serial=SER1 multicast=239.0.0.5 channel=0 http_port=80 name=Lobby
//   text_root=HMY upgradable=True platform=R9 discovery=full malformed=len267,lfip
// Unknown keys are kept in SimDevice::extra for the services that use them.
#pragma once
#include <string>
#include <vector>

#include "tools/devsim/sim_device.h"

namespace devsim {

// Parses one line; false (with a reason) when a word is not key=value or a number is bad.
bool ParseDeviceLine(const std::string& line, SimDevice* out, std::string* error);
bool LoadConfig(const std::string& path, std::vector<SimDevice>* out, std::string* error);
// count plain devices on consecutive addresses from firstIp, with distinct MACs and serials.
std::vector<SimDevice> GenerateDevices(int count, const std::string& firstIp);

}  // namespace devsim
