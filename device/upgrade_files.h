// Finds the upgrade file of a device in a folder tree.
#pragma once
#include <string>

#include "device/upgrade_job.h"

// True when a file name fits a pattern of '*' and '?' wild cards, letters compared without
// regard to case (as the Windows file system does). A '\' in the pattern makes the character
// after it stand for itself.
bool MatchesFilePattern(const std::wstring& name, const std::wstring& pattern);
// A text (a device's version, its MAC) as pattern that matches exactly that text: its '*',
// '?' and '\' stand for themselves.
std::wstring LiteralPattern(const std::wstring& text);

// The file in `folder` or any folder below it whose name fits the device (FindFiles) and
// whose base name is the greatest; empty when none fits. Links to folders are not followed.
std::wstring FindUpgradeFile(int channel, const std::wstring& folder, const UpgradeJob& job);
