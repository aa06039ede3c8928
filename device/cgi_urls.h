// CGI paths that carry a channel or the login in their query. The login is the user's
// (device/login.h); only what cannot stand in a query value is percent-encoded
// (http::PercentEncode), so that any character of it reaches the device intact.
#pragma once
#include <string>

// "/cgi-bin/cmd/<group>?[CHANNEL=<n>&]<query>", the channel part only for a channel above 0.
std::wstring BuildCgiCmdUrl(int channel, const std::wstring& group, const std::wstring& query);

// "/cgi-bin/update?USER=..&PWD=..&[CHANNEL=<n>&]<kind name>"; the channel part when the
// channel is not 0 and perChannel is set. Kinds: 0 FIRMWARE (FIRMWARE_ALL per channel),
// 1 ISP_IMAGE, 2 ISP_FIRMWARE, 3 ISP_DEV, 4 ISP_HARDWARE, 5 CONFIG_SET, 6 CONFIG_GET,
// 8 BOOTLOADER_FIRMWARE, 9 FIRMWARE_NETWORK; a kind without a name gives an empty text.
std::wstring BuildUpgradeUrl(int channel, int kind, bool perChannel);

// "/cgi-bin/update?USER=..&PWD=..&[CHANNEL=<n>&]CONFIG_GET", the channel part when not 0.
std::wstring BuildConfigGetUrl(int channel);

// Kind 7: "/cgi-bin/test?USER=..&PWD=..&GET_BLACKBOX_MSG"; kind 8:
// "/cgi-bin/update?USER=..&PWD=..&BOOTLOADER_FIRMWARE"; any other kind an empty text.
std::wstring BuildCgiUrl(int kind);

// The name of an upgrade kind in the update query, empty when the kind has none.
std::wstring UpgradeKindName(int kind, bool perChannel);

// A text percent-encoded for a query value (its bytes in the local code page).
std::wstring EncodeQueryValue(const std::wstring& text);
