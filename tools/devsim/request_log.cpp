#include "tools/devsim/request_log.h"

namespace devsim {

bool RequestLog::Open(const std::string& path) {
  std::lock_guard<std::mutex> l(m_lock);
  m_file = std::fopen(path.c_str(), "a");
  return m_file != nullptr;
}

void RequestLog::Write(const std::string& line) {
  std::lock_guard<std::mutex> l(m_lock);
  if (!m_file) return;
  std::fputs(line.c_str(), m_file);
  std::fputc('\n', m_file);
  std::fflush(m_file);
}

RequestLog::~RequestLog() {
  if (m_file) std::fclose(m_file);
}

}  // namespace devsim
