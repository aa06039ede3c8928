#include "port/pace_log.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

namespace port::pace {
namespace {

constexpr std::int64_t kFlushEveryUs = 500 * 1000;
constexpr std::size_t kFlushAtBytes = 64 * 1024;

struct Log {
  std::mutex lock;
  std::FILE* file = nullptr;
  std::string pending;
  std::int64_t flushedAt = 0;

  Log() {
    const char* path = std::getenv("DORVIK_PACE_LOG");
    if (path && *path) file = std::fopen(path, "w");
  }
  ~Log() {
    WriteLocked();
    if (file) std::fclose(file);
  }
  void WriteLocked() {
    if (!file || pending.empty()) return;
    std::fwrite(pending.data(), 1, pending.size(), file);
    std::fflush(file);
    pending.clear();
  }
};

Log& TheLog() {
  static Log log;
  return log;
}

const bool g_on = TheLog().file != nullptr;

}  // namespace

bool On() { return g_on; }

std::int64_t NowUs() {
  return std::chrono::duration_cast<std::chrono::microseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

void Note(Kind kind, std::int64_t startUs, unsigned message, const char* what) {
  if (!g_on) return;
  const std::int64_t now = NowUs();
  char line[128];
  const int n = std::snprintf(line, sizeof line, "%d %lld %lld %u %.60s\n", static_cast<int>(kind),
                              static_cast<long long>(startUs), static_cast<long long>(now - startUs),
                              message, what && *what ? what : "-");
  Log& log = TheLog();
  std::lock_guard<std::mutex> l(log.lock);
  if (n > 0) log.pending.append(line, static_cast<std::size_t>(n));
  if (log.pending.size() >= kFlushAtBytes || now - log.flushedAt >= kFlushEveryUs) {
    log.WriteLocked();
    log.flushedAt = now;
  }
}

void Flush() {
  if (!g_on) return;
  Log& log = TheLog();
  std::lock_guard<std::mutex> l(log.lock);
  log.WriteLocked();
}

namespace {
std::atomic<std::int64_t> g_sentAt{0}, g_handledAt{0};
}  // namespace

void HandOver::Sent() {
  if (g_on) g_sentAt = NowUs();
}

void HandOver::Returned() {
  if (g_on) Note(kStep, g_handledAt, 0, "return-latency");
}

HandOver::HandOver() {
  if (g_on) Note(kStep, g_sentAt, 0, "deliver-latency");
}

HandOver::~HandOver() {
  if (g_on) g_handledAt = NowUs();
}

}  // namespace port::pace
