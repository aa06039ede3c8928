#include "app/batch/batch_context.h"

#include <algorithm>
#include <chrono>
#include <climits>

void BatchStop::Request() {
  std::lock_guard<std::mutex> l(m_lock);
  m_flag = true;
  m_wake.notify_all();
}

bool BatchStop::Wait(UpgradeClock& clock, const char* what, std::int64_t clockMs,
                     const std::function<bool()>& done) const {
  constexpr std::int64_t kLookMs = 50;
  clock.OnWait(what, clockMs);
  const std::int64_t deadline = clock.NowMs() + clockMs;
  std::unique_lock<std::mutex> l(m_lock);
  while (!m_flag) {
    if (done) {
      l.unlock();
      const bool over = done();
      l.lock();
      if (over) return !m_flag;
      if (m_flag) break;
    }
    const std::int64_t left = deadline - clock.NowMs();
    if (left <= 0) return true;
    std::int64_t real = std::max<std::int64_t>(1, clock.RealMs(left));
    if (done) real = std::min(real, kLookMs);
    m_wake.wait_for(l, std::chrono::milliseconds(real));
  }
  return false;
}

bool BatchContext::Wait(const char* what, std::int64_t clockMs) const {
  if (!stop) return true;
  return stop->Wait(*clock, what, clockMs);
}

bool BatchContext::WaitUnless(const char* what, std::int64_t clockMs, const std::function<bool()>& done) const {
  if (!stop) return true;
  return stop->Wait(*clock, what, clockMs, done);
}

int BatchContext::GetCgi(const std::wstring& host, const std::wstring& path, char* reply, int replySize,
                         std::int64_t clockTimeoutMs, bool useDefaultLogin, bool acceptError) const {
  if (Stopped()) return -1;
  const std::int64_t real = std::max<std::int64_t>(1, clock->RealMs(clockTimeoutMs));
  const int timeoutMs = static_cast<int>(std::min<std::int64_t>(real, INT_MAX));
  return io->GetCgi(host, path, reply, replySize, timeoutMs, useDefaultLogin, acceptError);
}
