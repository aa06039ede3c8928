// The checks of a device added by hand (the add/remove strip below the grid), and the strict
// reading of an HTTP port text that the scan zones share.
#pragma once
#include <string>

// Message ids of the checks.
constexpr unsigned kAddNotUnicast = 1233;   // "The device IP address is not an unicast IP address."
constexpr unsigned kAddNoPort = 1231;       // "Please input HTTP port"
constexpr unsigned kAddBadPort = 1232;      // "Incorrect HTTP port setting"
constexpr unsigned kAddConflicted = 554;    // "Error. It is not allowed to add the IP conflicted ..."

// The port of a text of decimal digits only, 1..65535; 0 for anything else ("12ab", "0",
// "70000", " 80", an empty text).
int ParseHttpPort(const std::wstring& text);

// 0 when the device may be added, else the id of the message to show, checked in this order:
// the address (four decimal parts, the first 1..223, the second and third 0..255, the last
// 1..254; a blank field reads "0.0.0.0"), an empty port, a port outside 1..65535 or not a
// number, and an address that two or more device rows already show (one is allowed: that
// device is being added again).
unsigned CheckManualAdd(const std::wstring& address, const std::wstring& port, int rowsWithAddress);
