// Reads the simulator's device list.
//
// A configuration file holds one device per line of key=value words ('#' starts a comment):
//   ip=10.231.1.5 mac=00:0F:7C:00:01:05 firmware=V4.12-AC model=CAM-2100 serial=SER105
//   short_serial=SER1 multicast=239.0.0.5 channel=0 http_port=80 name=Lobby
//   text_root=HMY upgradable=True platform=R9 discovery=full malformed=len267,lfip
// Unknown keys are kept in SimDevice::extra for the services that use them.
//
// HTTP (tools/devsim/http_server.h, cgi_handlers.h), all optional:
//   http=on|off          off: no listener, connections to the device are refused
//   auth=basic|digest|digest_noqop|none   login the device asks for (default basic;
//                        digest_noqop is the older Digest form without qop)
//   user=admin password=740912            the login it accepts
//   bad_login=401|bad_account|not_authorized   answer to a wrong login: a new 401
//                        challenge, or status 200 with "bad account/password" or
//                        "not authorized" (a request without any login always gets 401)
//   fail=PREFIX:ACTION[+ACTION...]  (also fail1=, fail2=, ...; the first rule, in key
//                        order, whose PREFIX begins the raw path and query applies)
//        error      body "ERROR"             statusN   status N (e.g. status500)
//        empty      empty body               body=TEXT body TEXT (rest of the value)
//        big        body padded past 6000 bytes, ending "bad account/password"
//        chunked    chunked transfer         close     body ends with the connection
//        slow       body in 100-byte pieces 20 ms apart
//        refuse     connection reset, no answer
//        cut        half the body, then silence  cut_reset  half the body, then a reset
//        silent     connection kept open, no answer
//   reply_delay_ms=N     the device thinks N ms before each HTTP reply
//   keep_after_401=0     the connection is closed after each challenge, unannounced
//   challenge=chunked    the challenge's body in chunked transfer
//   http_version=1.0     HTTP/1.0 replies, no Connection header, a close after each reply
//   close_delay_us=N     that close (or keep_after_401's) N µs after the reply, not with it
//   sysinfo_quotes=1     SYSTEM_INFO values in single quotes
//   sysinfo_all=1        SYSTEM_INFO also carries the OEM/camera name/multicast lines
//   unit_type=, production_id=   the "Unit Type" and "Production ID" values
//   profile_id=, isp_generation=   "Profile ID" and "ISP_GENERATION" lines of SYSTEM_INFO
//   company=NAME         the "Company Name" value (empty: no such line); server_info=1  the
//                        device answers "/cgi-bin/serverConfig?Action=loadInfo"
//   KEY=value with KEY in upper case: a CGI parameter's value (VIDEO_ENCODER=MJPEG)
//   date_syntax=old|new  the one syntax of the date commands the device knows (both when
//                        not given): DATE_CONFIG=... (old) or DATE_TYPE=... (new)
//
// role=site: not a device but one of the maker's download sites, which answers no probe
//   (tools/devsim/download_site.h: list=, redirect=)
// Upgrades (tools/devsim/upgrade_handlers.h): upgrade_page=, upload=, after_firmware=,
//   after_ip=, network_firmware=, upload_drop_after=
// Configuration and black-box log (tools/devsim/config_handlers.h): config_size=, blackbox=,
//   blackbox_size=
// Audio/video and motion detection (tools/devsim/av_handlers.h): res_cap=, fps_cap=,
//   cap_busy=, codecs=, audio=, audio_level=, streaming_mode=, pir=, motion1= to motion3=
// System commands and reboots (tools/devsim/system_handlers.h): reboot_ms=, isp_firmware=,
//   isp_dev=, isp_hardware=
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
