// Opening a page or a file in the user's web browser through the shell. Tests put a launcher
// of their own in its place, so that nothing is started and they can see what would be opened.
#pragma once
#include <functional>
#include <string>

// Opens `target` (an http(s) address, or the path of a local page) in the default browser;
// false when the shell could not.
using BrowserLauncher = std::function<bool(const std::wstring& target)>;

// The launcher from now on; an empty one brings the shell's back.
void SetBrowserLauncher(BrowserLauncher launcher);
bool OpenInBrowser(const std::wstring& target);
