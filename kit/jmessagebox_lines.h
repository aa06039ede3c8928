// The live status lines of a wait box with a stop button: written by a scan thread,
// read and drawn by the box's animation thread, always under one lock.
#pragma once
#include <mutex>
#include <string>

#include "kit/jmessagebox_layout.h"

class MessageBoxLines {
 public:
  // Lines outside 0..kMaxLines-1 do not exist: writes are dropped, reads give "".
  void Set(int line, const std::wstring& text) {
    if (line < 0 || line >= jmsgbox::kMaxLines) return;
    std::lock_guard<std::mutex> l(lock_);
    lines_[line] = text;
  }
  void Set(int line, const wchar_t* text) { Set(line, std::wstring(text ? text : L"")); }
  std::wstring Get(int line) const {
    if (line < 0 || line >= jmsgbox::kMaxLines) return std::wstring();
    std::lock_guard<std::mutex> l(lock_);
    return lines_[line];
  }
  void Clear() {
    std::lock_guard<std::mutex> l(lock_);
    for (auto& s : lines_) s.clear();
  }

 private:
  mutable std::mutex lock_;
  std::wstring lines_[jmsgbox::kMaxLines];
};
