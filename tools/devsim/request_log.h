// The simulator's log of what it was asked, one line per request, in order.
#pragma once
#include <cstdio>
#include <mutex>
#include <string>

namespace devsim {

class RequestLog {
 public:
  bool Open(const std::string& path);
  void Write(const std::string& line);
  ~RequestLog();

 private:
  std::mutex m_lock;
  std::FILE* m_file = nullptr;
};

}  // namespace devsim
