// The maker's download sites on a test network. A line of the configuration with role=site is
// no device: it answers no probe (whatever its other settings) and serves, over HTTP without a
// login, the firmware list and its release notes:
//   list=FILE        the body of both list paths, "/nocache/id=5927" and
//                    "/Fennrow/DownloadCenter/Ajax/DownloadFile.ashx?id=150" (read at each
//                    request; a missing file answers 404)
//   redirect=PREFIX>URL   a request whose target begins with PREFIX is sent on (302) to URL
//                    followed by the rest of its target
// Any other "/nocache/<value>" or "DownloadFile.ashx?<value>" is a release-notes page that
// names its value. The site's other paths, and every device's path that no other handler
// takes, answer 404. The fail rules of config.h apply to a site's answers as to a device's.
#pragma once
#include "tools/devsim/http_server.h"

namespace devsim {

void RegisterDownloadSite(HttpRegistry& registry);

// Whether the line is a download site rather than a device.
inline bool IsDownloadSite(const SimDevice& d) { return Setting(d, "role", "") == "site"; }

}  // namespace devsim
