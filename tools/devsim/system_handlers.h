// The devices' system command group, "/cgi-bin/cmd/system?...":
//   SYSTEM_LOG     the ISP version lines (from the device's settings or its last ISP upgrade)
//   CONFIG_RESET   "CONFIG_RESET='OK'", then the device reboots (reset to factory defaults)
//   SAVE_REBOOT    "SAVE_REBOOT='OK'", then the device reboots
//   anything else  the CGI interface (tools/devsim/cgi_handlers.h)
// and "/cgi-bin/system?USER=..&PWD=..&<command>": the same with the login (percent-encoded) in
// the query instead of an HTTP login; a wrong one gets "bad account/password" (or "not
// authorized" with bad_login=not_authorized).
// A command that a fail rule of the device answers (config.h, e.g.
// fail=/cgi-bin/cmd/system?CONFIG_RESET:error) is refused: the device does not reboot; a rule
// of only "empty", "cut" or "cut_reset" changes the reply of a command that is carried out.
// Every reboot is logged: "reboot <ip> <COMMAND> away=<ms|never>".
//
// Per-device settings (config.h):
//   reboot_ms=N|never   how long the device is away after a reboot (default 2000; "never":
//                       it does not come back); also read by the upgrade handlers
//   isp_firmware=, isp_dev=, isp_hardware=   the SYSTEM_LOG lines "ISP Firmware Version ..",
//                       "ISP Device Resource Version ..", "ISP Hardware Version .."
#pragma once
#include "tools/devsim/http_server.h"

namespace devsim {

// Reboot events are written to `log` (which must outlive the registry).
void RegisterSystemHandlers(HttpRegistry& registry, RequestLog& log);

// How long device `d` stays away after a reboot, in ms (UpgradeState::kNever: for good).
int RebootAwayMs(const SimDevice& d);

}  // namespace devsim
