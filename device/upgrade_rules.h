// Which upgrade file fits a device, which combinations of device and file versions the
// maker forbids, what a device reports as the version of the part to upgrade, and the form
// of its upgrade page. Nothing here shows anything; results are texts or result ids.
#pragma once
#include <cstdint>
#include <string>

#include "device/upgrade_io.h"
#include "device/upgrade_job.h"

// The name pattern (or one exact name) of the files that fit a device; empty when the kind
// has no files to choose.
std::wstring FindFiles(int channel, std::uint32_t kind, const std::wstring& version, const std::wstring& mac);

// True when a firmware upgrade of the device sends the image's ".md5" companion too: its
// firmware text has a "V1", "V2" or "V3" token and is neither an "NVQ-040" nor a "VTB" one.
bool NeedsMd5File(const std::wstring& firmware);

// 508, or 521 when the maker's rules forbid the file for the device. A K7W-410 device may be
// asked for its production id (through io).
int CheckUpgradeRule(UpgradeIo& io, std::uint32_t kind, const std::wstring& version, const std::wstring& fileBase,
                     const std::wstring& ip);

// True when the device's firmware text and the file's base name carry the same version token.
bool IsFirmwareOfFile(const std::wstring& firmware, const std::wstring& fileBase);

// The version of the part that `kind` upgrades, read from a SYSTEM_INFO or SYSTEM_LOG reply.
bool ParseReportedVersion(const std::string& reply, std::uint32_t kind, std::wstring* out);
// Asks the device (SYSTEM_LOG for the ISP kinds, SYSTEM_INFO otherwise) and parses the reply.
bool ReadSystemInfo(UpgradeIo& io, std::wstring* out, int channel, std::uint32_t kind, const std::wstring& ip);

// The form fields cut out of an upgrade page.
UpgradeForm ParseUpgradeForm(const std::string& page);
// Reads the page at `path` of the job's device; 508 when it has what the upload needs, else 527.
int ReadUpgradeForm(UpgradeIo& io, UpgradeForm* form, const std::wstring& path, const UpgradeJob& job);

// The part of a path after its last folder separator; without the extension when asked
// (then empty when the name has no '.').
std::wstring FileNameOf(const std::wstring& path, bool withExtension);
