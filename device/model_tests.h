// Text tests that tell model families, recorders, platforms and firmware forms apart. All
// compare case-sensitively.
#pragma once
#include <string>

// The channel count of a multi-channel family by the text's first four characters:
// "K5H-" 4, "K3F-" 8, "KRZ-" 16; 0 for a single-channel device.
int IsFamilyModel(const std::wstring& text);
// A recorder or encoder model: "NVQ-" or "VTB-" at the start.
bool IsRecorderModel(const std::wstring& model);
// Every "K5H-" and "KRZ-" replaced by "K3F-".
std::wstring NormalizeModelPrefix(const std::wstring& model);
// Kind 1: 5th character becomes 'U'; kind 3: every "ISP-F-" becomes "C"; kind 4: 5th
// character becomes 'H'; other kinds, and texts shorter than 5 characters for kinds 1 and
// 4, unchanged.
std::wstring AdjustNameForKind(int kind, const std::wstring& text);
// False for the generation "0100" (characters 7 to 10), and for "0300" whose last seven
// characters sort before "1.01.06"; true otherwise.
bool CheckFirmwareVersion(const std::wstring& version);
// A '-'-separated piece beginning "V1", "V2" or "V3".
bool HasVersionTagToken(const std::wstring& version);
// A '-'-separated piece of 8 or more characters of the form "A?.??.*".
bool HasPlatformVersionToken(const std::wstring& version);
// A device text (its firmware version) of the "-LV" line: "-LV" anywhere in it.
bool IsLvModel(const std::wstring& text);
// One of the platforms "K7W-700" to "K7W-703" (the whole text): the devices that take ISP
// image and boot-loader uploads.
bool IsK7W700Platform(const std::wstring& platform);
