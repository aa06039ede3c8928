// The devices' CGI command interface, "/cgi-bin/cmd/<group>?<query>".
//
// The query is a list of '&'-separated items. "CHANNEL=n" selects a channel (the camera name
// of channel n > 0 is reported as "<name>-<n>"); "KEY=value" sets a parameter of the device
// (kept while the simulator runs) and is answered "KEY='value'"; a bare "KEY" asks for it:
//   SYSTEM_INFO  lines "Firmware Version = ..", "MAC Address = ..", "Unit Type = ..",
//                "Production ID = ..", "Company Name = .." (the device's company=, none
//                when it is empty), "Platform = .." and, when the device has them,
//                "Profile ID = .." (profile_id=) and "ISP_GENERATION = .." (isp_generation=)
//                (values in single quotes when the device has sysinfo_quotes=1); recorders (models NVQ-/VTB-, or
//                sysinfo_all=1) add the OEM_INFO, VIDEO_CAMERA_NAME and V2_MULTICAST_IP lines
//   OEM_INFO     "OEM_MODEL_DESC='..'" and "OEM_SERIAL_NUM='..'"
//   any other    "KEY='value'" from the device's parameters (empty value when unknown)
// The audio/video and motion keys, and the requests a device refuses for them, are
// tools/devsim/av_handlers.h.
// A device with date_syntax=new answers any request with a DATE_CONFIG item "ERROR" (its
// firmware knows only DATE_TYPE=...), one with date_syntax=old any with a DATE_TYPE item.
// "/cgi-bin/serverConfig?Action=loadInfo" (the recorders' information): lines "Firmware=..",
// "ProductID=.." and "CompanyName=.." when the device has server_info=1, else status 404.
#pragma once
#include "tools/devsim/http_server.h"

namespace devsim {

void RegisterCgiHandlers(HttpRegistry& registry);

// The reply body of one command, as a device would send it (exposed for tests).
std::string CgiReply(const SimDevice& d, int deviceIndex, const std::string& query);

}  // namespace devsim
