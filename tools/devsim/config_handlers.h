// The devices' configuration files and their black-box log:
//   GET /cgi-bin/update?USER=..&PWD=..&[CHANNEL=n&]CONFIG_GET   the configuration of the device
//       (no channel) or of its channel n, as text lines (tools/devsim/upgrade_handlers.h routes
//       it here); after a CONFIG_SET upload for the same channel, the uploaded file without
//       its "#INFO" line (a device without channels keeps one configuration for all)
//   GET /cgi-bin/test?USER=..&PWD=..&GET_BLACKBOX_MSG   the black-box log (asks for the login
//       like the CGI interface)
// Every restored configuration is logged: "config <ip> restored ch=<n> size=<n>".
//
// Per-device settings (config.h), all optional:
//   config_size=N       the configuration's length in bytes (default 600; the lines are padded)
//   blackbox=TEXT|unknown   the log's text (default a few lines naming the device), or a
//                       device that does not know the command: "GET_BLACKBOX_MSG not found"
//   blackbox_size=N     the log padded to N bytes
#pragma once
#include <string>

#include "tools/devsim/http_server.h"

namespace devsim {

// The configuration that device `index` returns for `channel` (0: the device's own).
std::string ConfigurationOf(const SimDevice& d, int index, int channel);
// A restored configuration: what the device returns for that channel from now on.
void StoreConfiguration(const SimDevice& d, int index, int channel, const std::string& content, RequestLog& log);
// The channel of a query ("CHANNEL=n" item), 0 when it has none.
int ChannelOfQuery(const std::string& query);

void RegisterConfigHandlers(HttpRegistry& registry);

}  // namespace devsim
