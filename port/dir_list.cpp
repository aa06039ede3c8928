#include "port/dir_list.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#include <sys/stat.h>
#endif

#include "port/text.h"

namespace port {

bool ListDirectory(const std::wstring& folder, std::vector<DirEntry>* out) {
  std::wstring base = folder;
  if (!base.empty() && base.back() != L'\\' && base.back() != L'/') base.push_back(kPathSeparator);
#ifdef _WIN32
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((base + L"*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return false;
  do {
    std::wstring name = fd.cFileName;
    if (name == L"." || name == L"..") continue;
    DirEntry e;
    e.name = name;
    e.isLink = (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    e.isDirectory = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    out->push_back(e);
  } while (FindNextFileW(h, &fd));
  FindClose(h);
  return true;
#else
  std::string narrow = ToUtf8(base);
  DIR* d = opendir(narrow.c_str());
  if (!d) return false;
  while (dirent* ent = readdir(d)) {
    std::string name = ent->d_name;
    if (name == "." || name == "..") continue;
    struct stat st;
    if (lstat((narrow + name).c_str(), &st) != 0) continue;
    DirEntry e;
    e.name = FromUtf8(name);
    e.isLink = S_ISLNK(st.st_mode);
    e.isDirectory = S_ISDIR(st.st_mode);
    if (e.isLink) {
      struct stat target;
      if (stat((narrow + name).c_str(), &target) != 0) continue;  // dangling
      e.isDirectory = S_ISDIR(target.st_mode);
    }
    out->push_back(e);
  }
  closedir(d);
  return true;
#endif
}

}  // namespace port
