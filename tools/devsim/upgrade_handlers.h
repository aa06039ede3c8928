// The devices' upgrade interface:
//   GET  /cgi-bin/update?USER=..&PWD=..&[CHANNEL=n&]<KEY>   the upgrade page with its form
//        (action "/cgi-bin/upload.cgi", file inputs "upfile" and "md5file", submit "apply");
//        with KEY FIRMWARE_NETWORK the device upgrades itself from the network: "OK", then
//        it reboots
//   POST /cgi-bin/upload.cgi   the multipart receiver: checks the head (multipart type and
//        boundary), the parts (disposition, field and file names without folders, content
//        types, the "Apply" submit), the closing delimiter and the trailing NUL byte that
//        Content-Length counts; a bad upload is answered 400 "ERROR: <reason>"; a good one as
//        configured, and then the device reboots (except after the restore of one channel's
//        configuration, CONFIG_SET with a CHANNEL part, which is applied at once); a restored
//        configuration is what CONFIG_GET returns from then on (tools/devsim/config_handlers.h)
//   GET  /cgi-bin/update?...&[CHANNEL=n&]CONFIG_GET   the configuration (config_handlers.h)
// Every upload is logged: "upload <ip> ok key=<KEY> file=<name> size=<n> [second=<name>
// size2=<n>]" or "upload <ip> bad <reason>". The ISP version lines that an ISP upgrade
// changes are read with SYSTEM_LOG (tools/devsim/system_handlers.h).
//
// Per-device settings (config.h), all optional:
//   upgrade_page=two|one|none  two file inputs (default), one, or a page without a form
//   upload=ok|error|status404|status500|silent|reset   the answer to a good upload: 200
//                  "Upgrade OK", 200 "Upload Error", that status, no answer at all, or the
//                  connection reset
//   reboot_ms=N|never   how long the device is away after a good upload (default 2000;
//                  tools/devsim/system_handlers.h)
//   after_firmware=new|old|TEXT   what it reports after the reboot: the uploaded file's base
//                  name (default; for firmware, boot-loader and network upgrades), its old
//                  version, or TEXT
//   after_ip=default|TEXT   comes back on 192.168.0.100 or on TEXT (default: its own)
//   network_firmware=TEXT   the firmware a network upgrade brings (default: unchanged)
//   upload_drop_after=N   the connection is reset once N bytes of an upload's body have come
//                  (tools/devsim/http_server.cpp); logged "upload <ip> dropped after <n> bytes"
// While a device is away every connection to it is reset (tools/devsim/http_server.h).
#pragma once
#include "tools/devsim/http_server.h"

namespace devsim {

// Upgrade events are written to `log` (which must outlive the registry). The update page and
// the upload receiver ask for no login.
void RegisterUpgradeHandlers(HttpRegistry& registry, RequestLog& log);

// Checks a multipart upload body; empty when it is well formed, else the reason. Fills the
// field and file names and sizes it carries. `delimiters`: where each CR LF delimiter starts
// in the body (HttpRequest::delimiters).
struct UploadParts {
  std::string firstField, firstName, secondField, secondName, submitField, submitValue;
  std::size_t firstAt = 0;  // where the first file's bytes begin in the body
  std::size_t firstSize = 0, secondSize = 0;
  bool hasSecond = false;
};
std::string CheckUploadBody(const std::string& contentType, const std::string& body,
                            const std::vector<std::size_t>& delimiters, UploadParts* parts);

}  // namespace devsim
