// The [MANUAL_IP] section of the settings file: the devices kept by hand, "IP_%02d",
// "MAC_%02d" and "HTTP_%02d" for n = 1, 2, ... until the first n with a key missing or empty.
#pragma once
#include <map>
#include <string>

#include "app/settings_file/settings_file.h"

// Reads the devices into `devices` (IP -> MAC) and their ports into g_HttpPortMap.
void LoadManualIpSection(const IniDocument& doc, std::map<std::wstring, std::wstring>& devices);
// Rewrites the section from the devices, each with its port from g_HttpPortMap (0 when none
// is known, which requests read as 80); entries with an empty address or MAC are left out.
void SaveManualIpSection(IniDocument& doc, const std::map<std::wstring, std::wstring>& devices);
