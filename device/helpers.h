// Small helpers shared across the program: file-name splitting, the grid column of a header,
// number and time-stamp texts.
#pragma once
#include <atomic>
#include <ctime>
#include <string>

// Whether the grid shows the camera-name column (the advanced search mode); set at every
// search start, read from any thread.
extern std::atomic<bool> g_ShowCameraName;

// The part after the last '\' (the whole path when there is none); without the extension,
// only what lies between that point and the last '.' (empty when there is no '.' there).
std::wstring SplitFileName(const std::wstring& path, bool withExtension);

// The grid column of the header with string id `id`, -1 when the grid has no such column.
int ColumnIndexOf(int id, bool showCameraName);
int ColumnIndexOf(int id);  // with g_ShowCameraName

// "%d".
std::wstring IntToString(int value);

// The local date and time now.
std::tm LocalNow();
// "YYYYMMDD_HHMMSS" of the local date and time, for file names.
std::wstring GetTimeStamp();
std::wstring FormatTimeStamp(const std::tm& local);

// A folder path with exactly one '\' at its end ("C:\" stays "C:\").
std::wstring WithTrailingBackslash(const std::wstring& folder);
