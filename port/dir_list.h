// Lists the entries of one folder, the same way on both builds.
#pragma once
#include <string>
#include <vector>

namespace port {

struct DirEntry {
  std::wstring name;         // without folder
  bool isDirectory = false;  // the directory attribute (a folder, or a link to one)
  bool isLink = false;       // a symbolic link or reparse point
};

// Appends the entries of `folder` (with or without a trailing separator), "." and ".."
// left out. False when the folder cannot be read.
bool ListDirectory(const std::wstring& folder, std::vector<DirEntry>* out);

// The separator of this platform's paths.
#ifdef _WIN32
constexpr wchar_t kPathSeparator = L'\\';
#else
constexpr wchar_t kPathSeparator = L'/';
#endif

}  // namespace port
