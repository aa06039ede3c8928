// The running executable's path and the one-step replacement of a file.
#pragma once
#include <cstdio>
#include <string>

namespace port {

// The full path of the running executable (Windows: GetModuleFileNameW, at most 260
// characters); an empty text when it cannot be had.
std::wstring ExecutablePath();
// Moves `from` onto `to`, replacing an existing `to` in one step. False on failure, in
// which case `to` is unchanged.
bool ReplaceFileWith(const std::wstring& from, const std::wstring& to);
// Removes a file; false when it was not there or could not be removed.
bool RemoveFile(const std::wstring& path);
// fopen with a wide path and mode ("rb", "wb", "ab").
std::FILE* OpenFile(const std::wstring& path, const wchar_t* mode);
// Writes what the file's buffers hold and has the system put it on the disk before this
// returns (FlushFileBuffers, fsync). False when either fails.
bool FlushToDisk(std::FILE* f);

}  // namespace port
