// The shell's folder picker and the file-open dialog (Windows only).
#pragma once
#include <string>

#include <windows.h>

// The chosen folder with one '\' at its end; empty when cancelled or when the choice has
// no file-system path.
std::wstring BrowseForFolder(HWND owner = nullptr);

// The full path of the chosen file, empty when cancelled. `filter` is written as
// "Description|*.ext||" (pairs separated by '|').
std::wstring SelectFile(const std::wstring& filter);

// The filter in the dialog's own form: '|' separators made NULs, ending in two NULs.
std::wstring FilterForDialog(const std::wstring& filter);
